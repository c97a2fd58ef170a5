// Resources of the display library: its three option dialogs.
#pragma once

#define IDD_DISPLAY_OPTIONS     100
#define IDD_PRINT_OPTIONS       101
#define IDD_CLIPBOARD_OPTIONS   102

#define IDC_FONT_NAME           1000
#define IDC_FONT_BUTTON         1001
#define IDC_WRAP_CHECK          1002
#define IDC_MARGIN_LEFT         1010
#define IDC_MARGIN_TOP          1011
#define IDC_MARGIN_RIGHT        1012
#define IDC_MARGIN_BOTTOM       1013
#define IDC_HEADER_CHECK        1014
#define IDC_PLAIN_TEXT          1020
#define IDC_RICH_TEXT           1021

#define IDS_MARGIN_RANGE        2000
#define IDS_OPTIONS_CAPTION     2001
#define IDS_PAGE                2003
