/* The demo setup's dialogs, shared with the test tool that stands for a
   setup that never gets past its second dialog. */
#ifndef DEMO_SETUP_H
#define DEMO_SETUP_H

#define IDD_WELCOME 100
#define IDD_FINISH 101

#endif
