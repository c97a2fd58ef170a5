// Resource ids of the control-panel applet fenncpl.cpl. Its string table
// carries the product caption under the module's own number, so the common
// message boxes work from the applet too; its other ids use bands of their own.
#pragma once

#define IDS_CAPTION                 1200    // as in the module: "Fennory (TM)"

// 3000-3030: the applet's strings.
#define IDS_APPLET_NAME             3000
#define IDS_APPLET_INFO             3001
#define IDS_ERR_CAP_RANGE           3010
#define IDS_ERR_EXCLUDE_PIECE       3011
#define IDS_ERR_EXCLUDE_EMPTY       3012
#define IDS_ERR_TOO_LONG            3013
#define IDS_ERR_NOT_FULL_PATH       3014
#define IDS_ERR_CREATE_FOLDER       3015
#define IDS_ERR_WRITE_DENIED        3016
#define IDS_ERR_WRITE_FAILED        3017
#define IDS_PICK_VERSIONS_FOLDER    3020
#define IDS_PICK_HELP_FOLDER        3021
#define IDS_HELP_FILE               3022

// 200: the settings dialog; its Help button opens topic 0x20000 + 200.
#define IDD_SETTINGS                200
#define IDI_APPLET                  210

// 9: Help, as in every dialog of the product; 3100-3119: the dialog's controls.
#define IDC_HELP_BUTTON             9
#define IDC_ENABLE                  3101
#define IDC_COMPRESSION             3102
#define IDC_SINGLE_LOCATION         3103
#define IDC_MAX_TEMP_EDIT           3104
#define IDC_MAX_TEMP_SPIN           3105
#define IDC_VERSIONS_PATH           3106
#define IDC_BROWSE_VERSIONS         3107
#define IDC_EXCLUDE                 3108
#define IDC_HELP_PATH               3109
#define IDC_BROWSE_HELP             3110
