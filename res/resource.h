// Resource ids of the launcher. Shared by the resource script and the code.
#pragma once

#define IDS_COULD_NOT_RUN 100
#define IDS_INVALID_PARAMETERS 109
#define IDS_USAGE 110
#define IDS_COULD_NOT_FIND 112
#define IDS_REBOOT_NOW 113
#define IDS_EXIT_NOW 114
#define IDS_APP_TITLE 57344
#define IDS_REGISTRY_KEY 57355
#define IDS_PROFILE_NAME 57356
#define IDS_NO_SETUP_EXE 57357

#define IDR_MAINFRAME 128
#define IDD_AUTORUN 129
