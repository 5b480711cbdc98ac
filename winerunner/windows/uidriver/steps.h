/* The steps, one function each, by kind. Each takes the rest of its step
 * line and gives 1 to go on with the script, 0 to end it. */
#ifndef UIDRIVER_STEPS_H
#define UIDRIVER_STEPS_H

/* steps_process.c */
int StepCmd(char *arg);
int StepApp(char *arg);
int StepDir(char *arg);
int StepStart(char *arg);
int StepWaitExit(char *arg);
int StepFollow(char *arg);
int StepKill(char *arg);

/* steps_family.c */
int StepFollowFamily(char *arg);
int StepKillFamily(char *arg);

/* steps_window.c */
int StepExpectBox(char *arg);
int StepExpectWindow(char *arg);
int StepAnswer(char *arg);
int StepClick(char *arg);
int StepClose(char *arg);
int StepWaitGone(char *arg);
int StepListWindows(char *arg);
int StepFindTitle(char *arg);

/* steps_input.c */
int StepHover(char *arg);
int StepPress(char *arg);
int StepMouseClick(char *arg);
int StepMouse(char *arg);
int StepCursor(char *arg);
int StepKey(char *arg);

/* steps_screen.c */
int StepChildren(char *arg);
int StepFocus(char *arg);
int StepPointer(char *arg);
int StepPixel(char *arg);
int StepWindowPixel(char *arg);
int StepOpenAlone(char *arg);

/* steps_script.c */
int StepSleep(char *arg);
int StepEcho(char *arg);

#endif
