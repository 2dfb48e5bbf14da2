// Resource ids shared by the resource script and the program. Plain defines
// only: the resource compiler reads this file too.
#pragma once

// Icon and menu of the main window.
#define IDR_MAINFRAME 128

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_MAIN 102
#define IDD_REMARK 139

// Controls. Closing the main window is its OK, so the close button is IDOK.
#define IDC_CLOSE 1
#define IDC_LIST 1000  // created at run time, not in the template
#define IDC_CLEAR 1001
#define IDC_SAVE 1002
#define IDC_VERSION 1009
#define IDC_SEARCH_TERM 1027
#define IDC_SEARCH 1028
#define IDC_REMARK 1030       // button of the main window
#define IDC_REMARK_TEXT 1030  // edit field of the remark dialog
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Commands. Each command's string has the command's id: status-bar prompt,
// "\n", tool tip. 16 and 32 are also the system-menu commands the main
// window appends; "Programm beenden" is IDOK like the close button.
#define IDM_EXIT 1
#define IDM_ABOUT 16
#define IDM_PARAMETER 32
#define IDM_OPEN 32771

// Strings.
#define IDS_ABOUT_ITEM 101
#define IDS_PARAMETER_ITEM 102
#define IDS_ROW_LIMIT_REACHED 104
#define IDS_FIRST_RUN_NOTICE 105
#define IDS_FIRST_RUN_CAPTION 106
#define IDS_REMOTE_UNAVAILABLE 107
#define IDS_TERM_NOT_FOUND 110  // "%s" takes the search term
#define IDS_NO_SEARCH_TERM 111
#define IDS_OLE_INIT_FAILED 112
#define ID_INDICATOR_ROWS 113  // status pane: initial text "\n" tool tip
#define IDS_IDLE_PROMPT 57345
