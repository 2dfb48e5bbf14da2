// Resource ids shared by the resource script and the program. Plain defines
// only: the resource compiler reads this file too.
#pragma once

// Icon and menu of the main window.
#define IDR_MAINFRAME 128

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_MAIN 102
#define IDD_REMARK 139
// The parameter sheet's pages, in tab order: 130, 131, 140, 132, 133, 136,
// 138, 141, 144; and its help window.
#define IDD_PAGE_ALLG 130
#define IDD_PAGE_MELD 131
#define IDD_PAGE_REMOTE 132
#define IDD_PAGE_EMAIL 133
#define IDD_HILFE 135
#define IDD_PAGE_SYSINFO 136
#define IDD_PAGE_VBA 138
#define IDD_PAGE_SUCHEN 140
#define IDD_PAGE_FILTER 141  // the eighth page, after "VBA"
#define IDD_RULE 142         // one filter or highlight rule
// The context menu of a list row.
#define IDR_ROW_MENU 143
#define IDD_PAGE_NETZ 144  // the ninth page, after "Filter"
#define IDD_PAGE_PROTOKOLL 145  // the tenth page, after "Netzwerk"
#define IDD_PAGE_DATEIEN 146  // "Dateien", the eleventh page, after "Protokoll"

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
// Controls of the parameter pages and the help window.
#define IDC_TOPMOST 1003
#define IDC_SAVE_FILE 1004
#define IDC_ROW_LIMIT 1005
#define IDC_KONSTRUKTOR 1008
#define IDC_DESTRUKTOR 1009
#define IDC_STARTENDE 1010
#define IDC_B_TRACE 1011
#define IDC_B_DLL 1012
#define IDC_B_EXCEPTION 1013
#define IDC_B_THREAD 1014
#define IDC_B_PROCESS 1015
#define IDC_MELDUNGEN 1016
#define IDC_BROWSE_SAVE_FILE 1017
#define IDC_INTERVAL 1018
#define IDC_HELP_TEXT 1019
#define IDC_REMOTE 1020
#define IDC_COMPUTER_NAME 1021
#define IDC_USER_NAME 1022
#define IDC_OFFICIAL_HOST 1023
#define IDC_CHOOSE_FONT 1024
#define IDC_FONT_NAME 1025
#define IDC_FONT_SIZE 1026
#define IDC_GUIDE 1029
#define IDC_CASE_SENSITIVE 1032
#define IDC_TERMS 1033
#define IDC_DELETE_TERMS 1034
#define IDC_IP_ADDRESSES 1035
#define IDC_SOURCE_PLOXEN 1036
#define IDC_SOURCE_DBWIN32 1037
#define IDC_SOURCE_SYSTEMWEIT 1038
#define IDC_SYSTEMWEIT_STATE 1039
// What the row limit does.
#define IDC_LIMIT_ASKS 1064
#define IDC_LIMIT_DROPS_OLDEST 1065
// The "Filter" page and the rule dialog.
#define IDC_RULES 1040
#define IDC_RULE_NEW 1041
#define IDC_RULE_EDIT 1042
#define IDC_RULE_DELETE 1043
#define IDC_RULE_UP 1044
#define IDC_RULE_DOWN 1045
#define IDC_RULE_ON 1046
#define IDC_RULE_PATTERN 1047
#define IDC_RULE_COLUMN 1048
#define IDC_RULE_REGEX 1049
#define IDC_RULE_CASE 1050
#define IDC_RULE_ACTION 1051
#define IDC_RULE_TEXT_COLOUR 1052
#define IDC_RULE_BACK_COLOUR 1053
#define IDC_RULE_SAMPLE 1054
// The "Netzwerk" page.
#define IDC_NET_REMOTE 1055
#define IDC_NET_REMOTE_PORT 1056
#define IDC_NET_SYSLOG 1057
#define IDC_NET_SYSLOG_PORT 1058
#define IDC_NET_SENDERS 1059
#define IDC_NET_FORWARD 1060
#define IDC_NET_TARGET 1061
#define IDC_NET_TCP 1062
#define IDC_NET_UDP 1063
// The "Protokoll" page.
#define IDC_LOG_ON 1070
#define IDC_LOG_FILE 1071
#define IDC_LOG_BROWSE 1072
#define IDC_LOG_BINARY 1073
#define IDC_LOG_SIZE 1074
#define IDC_LOG_DAILY 1075
#define IDC_LOG_KEEP 1076
// "Dateien": the files followed.
#define IDC_FILES 1090
#define IDC_FILE_ADD 1091
#define IDC_FILE_REMOVE 1092
#define IDC_FILE_LAST_LINES 1093
#define IDC_SHEET_HELP 9  // the sheet's own Help button
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
#define IDM_SAVE_SHOWN 32772
#define IDM_FOLLOW 32773
#define IDM_FILTER 32774
#define IDM_FILTERS_OFF 32775
#define IDM_COPY_ROW 32776
#define IDM_COPY_SHOWN 32777
#define IDM_HIDE_PROCESS 32778
#define IDM_ONLY_PROCESS 32779
#define IDM_HIGHLIGHT_TEXT 32780
#define IDM_OPEN_LOG 32781
#define IDM_FOLLOW_FILE 32785  // "Datei verfolgen ..."

// Strings.
#define IDS_ABOUT_ITEM 101
#define IDS_PARAMETER_ITEM 102
#define IDS_ROW_LIMIT_REACHED 104
#define IDS_FIRST_RUN_NOTICE 105
#define IDS_FIRST_RUN_CAPTION 106
#define IDS_REMOTE_UNAVAILABLE 107
#define IDS_PARAMETER 108  // caption of the parameter sheet
#define IDS_TERM_NOT_FOUND 110  // "%s" takes the search term
#define IDS_NO_SEARCH_TERM 111
#define IDS_OLE_INIT_FAILED 112
#define ID_INDICATOR_ROWS 113  // status pane: initial text "\n" tool tip
#define ID_INDICATOR_LOST 114  // the lost-lines pane, hidden until a line is lost
#define IDS_LOG_FAILING 120  // the status bar, once, when the log file cannot be written
#define IDS_LOG_WRITING 121  // and once when it can again
#define IDS_NO_LOG_FILE 122
#define IDS_IDLE_PROMPT 57345
