// Resource ids of FENNORY.DLL: one band of numbers per kind.
//
// Several numbers are shared between resource kinds (113 is a dialog and an
// icon, 1003 a string and a control): the kinds live in separate namespaces,
// so only numbers of one kind must be unique. Within the control ids one
// number may carry several names, one per meaning, when two dialogs use it for
// different controls; a name never stands for two numbers.
#pragma once

// Numbers of the custom resource type that holds each dialog's help-id table.
#define RT_HELPIDS 4096

// ---- Strings ---------------------------------------------------------------
// 1000-1013: the context menu and its help texts.
#define IDS_MENU_FENNORY                1000
#define IDS_MENU_SAVE                   1001
#define IDS_MENU_HISTORY                1002
#define IDS_MENU_FILE                   1003
#define IDS_MENU_MOVE                   1004
#define IDS_MENU_COPY                   1005
#define IDS_MENU_DELETE                 1006
#define IDS_MENU_SAVE_HELP              1009
#define IDS_MENU_HISTORY_HELP           1010
#define IDS_MENU_MOVE_HELP              1011
#define IDS_MENU_COPY_HELP              1012
#define IDS_MENU_DELETE_HELP            1013

// 1100-1161: the version list, the history page and the printed history.
#define IDS_COLUMN_COUNT                1100
#define IDS_COLUMN_PERMANENT            1101
#define IDS_COLUMN_NUMBER               1102
#define IDS_COLUMN_DATE                 1103
#define IDS_COLUMN_USER                 1104
#define IDS_COLUMN_COMMENT              1105
#define IDS_CONFIRM_DELETE_VERSIONS     1120
#define IDS_COMPRESSED                  1121
#define IDS_ARCHIVE_UNREADABLE          1122    // our own: the page of a damaged archive
#define IDS_PRINT_COLUMNS               1160
#define IDS_PRINT_HEADING               1161

// 1200-1205: module constants and the About box credits.
#define IDS_CAPTION                     1200
#define IDS_HELP_FILE                   1201
#define IDS_DEFAULT_USER                1202
#define IDS_APPLET_FILE                 1203
#define IDS_ABOUT_CREDITS_1             1204
#define IDS_ABOUT_CREDITS_2             1205

// 1300-1412: messages, titles and labels of the archive, save and view code.
#define IDS_ERR_CREATE_FOLDER           1300
#define IDS_CONFIRM_REPLACE_FILE        1302
#define IDS_VERSION_N                   1305
#define IDS_TYPE_TEXT                   1306
#define IDS_CURRENT                     1307
#define IDS_VIEW_MULTIPLE_TITLE         1308
#define IDS_CONFIRM_DELETE_PERMANENT    1309
#define IDS_MULTIPLE_FILES              1310
#define IDS_ERR_NO_FILES_TO_SAVE        1311
#define IDS_HISTORY_TITLE               1350
#define IDS_RETRIEVE_AS                 1351
#define IDS_ALL_FILES_FILTER            1352
#define IDS_VIEWER_TITLE                1400
#define IDS_ERR_PATH_TOO_LONG           1404
#define IDS_VERSION_PROPERTIES_TITLE    1405
#define IDS_ERR_NOT_NEWER               1408
#define IDS_ERR_ZERO_LENGTH             1409
#define IDS_DEFAULT_COMMENT             1410
#define IDS_NEW_VERSION_TITLE           1411
#define IDS_ERR_SNAPSHOT                1412    // our own: the working file could not be copied
#define IDS_ERR_PATH_REFUSED            1413    // our own: an export was given a path of 260 or more
#define IDS_ERR_FILE_MISSING            1414    // our own: an export was given a file that is not there

// 2000-2015: the settings key and the names of its values (2003 is unused).
#define IDS_SETTINGS_KEY                2000
#define IDS_REG_ENABLE_VERSION_CONTROL  2001
#define IDS_REG_USE_COMPRESSION         2002
#define IDS_REG_MAX_TEMP_VERSIONS       2004
#define IDS_REG_SINGLE_LOCATION         2005
#define IDS_REG_VERSIONS_PATH           2006
#define IDS_REG_VERSION_EXCLUDE         2007
#define IDS_REG_ENABLE_QUICKVIEW        2008
#define IDS_REG_HELP_PATH               2009
#define IDS_REG_QUICKVIEW_EXCLUDE       2010
#define IDS_REG_HISTORY_FIELD_1         2011
#define IDS_REG_HISTORY_FIELD_2         2012
#define IDS_REG_HISTORY_FIELD_3         2013
#define IDS_REG_HISTORY_FIELD_4         2014
#define IDS_REG_HISTORY_FIELD_5         2015

// 2050-2055: printing the history.
#define IDS_PRINT_PERMANENT_YES         2050
#define IDS_PRINT_PERMANENT_NO          2051
#define IDS_PRINT_PROGRESS_TITLE        2052
#define IDS_PRINT_PROGRESS_TEXT         2053
#define IDS_PRINT_DOC_NAME              2054
#define IDS_ERR_CANT_PRINT              2055

// 2100-2178: moving, copying and deleting files with their archives.
#define IDS_CONFIRM_DELETE_FILE         2100
#define IDS_CONFIRM_DELETE_FILES        2101
#define IDS_CONFIRM_REPLACE_ARCHIVE     2110
#define IDS_CONFIRM_REPLACE_WITH_VERSIONS 2111
#define IDS_ERR_COPY_FAILED             2112
#define IDS_ERR_MOVE_FAILED             2113
#define IDS_ERR_VIEWER_LOAD             2114
// 2115-2117 are our own: a file that arrived without its archive, and a move
// whose source could not be removed.
#define IDS_ERR_VERSIONS_NOT_COPIED     2115
#define IDS_ERR_VERSIONS_NOT_MOVED      2116
#define IDS_ERR_SOURCE_NOT_REMOVED      2117
#define IDS_MOVE_FILE_TITLE             2170
#define IDS_COPY_FILE_TITLE             2171
#define IDS_MOVE_FILES_TITLE            2172
#define IDS_COPY_FILES_TITLE            2173
#define IDS_COPYING                     2174
#define IDS_MOVING                      2175
#define IDS_MOVE_COPY_PROGRESS          2176
#define IDS_DELETING                    2177
#define IDS_DELETING_FILE               2178

// 2200-2303: the cap of temporary versions, saving and the Plexa label.
#define IDS_ERR_MAX_TEMP_RANGE          2200
#define IDS_VERSIONING_FILE             2300
#define IDS_VERSIONING                  2301
#define IDS_WARN_MAX_TEMP_EXCEEDED      2302
#define IDS_TYPE_PLEXA                  2303

// 20000-20005: the About box. 20003 and 20005 are intentionally empty: the
// box keeps two blank lines that a later edition may fill.
#define IDS_ABOUT_PRODUCT               20000
#define IDS_ABOUT_VERSION               20001
#define IDS_ABOUT_TRADEMARK             20002
#define IDS_ABOUT_SPARE_2               20003
#define IDS_ABOUT_COPYRIGHT             20004
#define IDS_ABOUT_SPARE_1               20005

// ---- Dialogs ---------------------------------------------------------------
// 102-130: the module's own dialogs; 19000: the folder-picking template of
// the open-file dialog.
#define IDD_HISTORY_PAGE                102
#define IDD_SAVE_PROPERTIES             105
#define IDD_VIEW_MULTIPLE               107
#define IDD_COPY_VERSION                112
#define IDD_NEW_VERSION                 113
#define IDD_RETRIEVE_VERSION            124
#define IDD_PROGRESS                    126
#define IDD_ABOUT                       130
#define IDD_PICK_FOLDER                 19000

// ---- Menu ------------------------------------------------------------------
// 114: the viewer window's menu bar; 40000-40016: its commands.
#define IDM_VIEWER                      114
#define IDM_FILE_PRINT                  40000
#define IDM_EDIT_COPY                   40001
#define IDM_OPTIONS_DISPLAY             40012
#define IDM_OPTIONS_PRINT               40013
#define IDM_OPTIONS_CLIPBOARD           40014
#define IDM_FILE_EXIT                   40016

// ---- Icons -----------------------------------------------------------------
// 110-125: the version list's check boxes and the product artwork.
#define IDI_UNCHECKED                   110
#define IDI_CHECKED                     111
#define IDI_VIEWER                      113
#define IDI_ABOUT                       115
#define IDI_HISTORY                     125

// ---- Controls --------------------------------------------------------------
// 1, 2: IDOK and IDCANCEL. 9: every dialog's Help button.
#define IDC_HELP_BUTTON                 9

// 1000-1052: controls of the module's dialogs.
#define IDC_PRINT_HISTORY               1000    // history page
#define IDC_BROWSE                      1000    // Copy Version As
#define IDC_NEW_MAX_TEMP_SPIN           1000    // New Version
#define IDC_NEW_MAX_TEMP_EDIT           1001    // New Version
#define IDC_ABOUT_BUTTON                1002    // history page
#define IDC_MAX_TEMP_SPIN               1003    // history page
#define IDC_PERMANENT_CHECK             1003    // Version Properties
#define IDC_COMMENT_EDIT                1004    // Version Properties
#define IDC_TARGET_PATH_EDIT            1004    // Copy Version As
#define IDC_VIEW_MULTIPLE_BUTTON        1013    // history page
#define IDC_COPY_BUTTON                 1014    // history page
#define IDC_LEFT_VERSION                1017    // View Multiple Versions
#define IDC_LEFT_DATE                   1018    // View Multiple Versions
#define IDC_DELETE_BUTTON               1019    // history page
#define IDC_RIGHT_VERSION               1019    // View Multiple Versions
#define IDC_VIEW_BUTTON                 1020    // history page
#define IDC_RIGHT_DATE                  1020    // View Multiple Versions
#define IDC_SPACER_1                    1023    // View Multiple Versions
#define IDC_SPACER_2                    1024    // View Multiple Versions
#define IDC_SPACER_3                    1025    // View Multiple Versions
#define IDC_HISTORY_LIST                1026    // history page
#define IDC_LEFT_TYPE                   1028    // View Multiple Versions
#define IDC_RIGHT_TYPE                  1029    // View Multiple Versions
#define IDC_COMPRESSION_CHECK           1031    // New Version
#define IDC_SINGLE_LOCATION_CHECK       1032    // New Version
#define IDC_FIRST_PERMANENT_CHECK       1033    // New Version
#define IDC_MAX_TEMP_LABEL              1034    // history page
#define IDC_MAX_TEMP_EDIT               1035    // history page
#define IDC_RETRIEVE_LIST               1038    // Retrieve Version
#define IDC_RETRIEVE_VIEW               1039    // Retrieve Version
#define IDC_RETRIEVE_VIEW_MULTIPLE      1040    // Retrieve Version
#define IDC_RETRIEVE_BUTTON             1041    // Retrieve Version
#define IDC_PROGRESS_BAR                1042    // progress window
#define IDC_PROGRESS_TEXT               1043    // progress window
#define IDC_COMPRESSED_LABEL            1044    // history page
#define IDC_ABOUT_VERSION               1046    // About
#define IDC_ABOUT_COPYRIGHT             1047    // About
#define IDC_ABOUT_SPARE_1               1048    // About
#define IDC_VIEW_MULTIPLE_HELP          1048    // View Multiple Versions
#define IDC_ABOUT_SPARE_2               1049    // About
#define IDC_ABOUT_PRODUCT               1050    // About
#define IDC_ABOUT_CREDITS_1             1051    // About
#define IDC_ABOUT_CREDITS_2             1052    // About

// 100, 1038-1152: the folder-picking template. The numbers are those that the
// open-file dialog itself looks for in a template of its own.
#define IDC_PICK_FILTER_LABEL           100
#define IDC_PICK_FOLDER_NAME            1088
#define IDC_PICK_TYPE_LABEL             1089
#define IDC_PICK_FILE_NAME_LABEL        1090
#define IDC_PICK_DRIVES_LABEL           1091
#define IDC_PICK_FILE_LIST              1120
#define IDC_PICK_FOLDER_LIST            1121
#define IDC_PICK_TYPE_COMBO             1136
#define IDC_PICK_DRIVES_COMBO           1137
#define IDC_PICK_HELP                   1038
#define IDC_PICK_READ_ONLY              1040
#define IDC_PICK_FILE_NAME              1152

// ---- Help topics -----------------------------------------------------------
// Context topics of the help file (not resources): each dialog's Help button
// opens HELP_TOPIC_BASE plus the dialog's id; the viewer window has its own.
#define HELP_TOPIC_BASE                 0x20000
#define HELP_TOPIC_HISTORY_PAGE         131174
#define HELP_TOPIC_SAVE_PROPERTIES      131177
#define HELP_TOPIC_VIEW_MULTIPLE        131179
#define HELP_TOPIC_COPY_VERSION         131184
#define HELP_TOPIC_NEW_VERSION          131185
#define HELP_TOPIC_RETRIEVE_VERSION     131196
#define HELP_TOPIC_ABOUT                131202
#define HELP_TOPIC_VIEWER               172072
