/* The stuck setup's own dialog, beside the demo setup's welcome. */
#ifndef STUCK_SETUP_H
#define STUCK_SETUP_H

#define IDD_CHOOSE_FOLDER 200

#endif
