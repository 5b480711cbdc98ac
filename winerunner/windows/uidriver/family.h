/* The started program's family: it and every process descended from it,
 * as Toolhelp snapshots show them while the driver polls. A member stays a
 * member after its parent ends; a handle to it, opened when first seen,
 * keeps its exit code. */
#ifndef UIDRIVER_FAMILY_H
#define UIDRIVER_FAMILY_H

#include <windows.h>

/* A new started program: the family is it alone. */
void FamilyStart(HANDLE process, DWORD pid);
/* Takes in the processes whose parent is a member. */
void FamilyRefresh(void);
int FamilyHas(DWORD pid);
int FamilyAllEnded(void);
/* The member's exe file name ("" when not a member). */
const char *FamilyImage(DWORD pid);
/* "exits": members that ended since the last call, with their codes. */
void PutFamilyExits(void);
/* "running": the living members. */
void PutFamilyRunning(void);
/* Ends every living member; gives how many it ended, their ids in killed. */
int FamilyKill(DWORD *killed, int max);

#endif
