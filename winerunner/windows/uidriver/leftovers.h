/* Processes the driver ends when it ends, however it ends: those of the
 * file names given with -k, which a run may leave behind. */
#ifndef UIDRIVER_LEFTOVERS_H
#define UIDRIVER_LEFTOVERS_H

void AddLeftoverImage(const char *image);
void KillLeftovers(void);

#endif
