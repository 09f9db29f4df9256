// Identifiers shared by quendle.rc and the code: dialogs 128 to 131, controls 256 and up within each
// dialog, -1 for statics nobody addresses. 1 (OK), 2 (Cancel) and 9 (Help) keep their Windows meaning.
#pragma once

#define IDD_ABOUT 128
#define IDD_MAIN 129
#define IDD_COMPARING_RESULT 130
#define IDD_DETAILS 131

#define IDC_UNADDRESSED -1
#define IDC_HELP_BUTTON 9

/* About box */
#define IDC_ABOUT_TITLE 256
#define IDC_ABOUT_NOTICE 257

/* Main dialog */
#define IDC_SOURCE_SPEC 256
#define IDC_BROWSE_SOURCE 257
#define IDC_DESTINATION_SPEC 258
#define IDC_BROWSE_DESTINATION 259
#define IDC_ALL_FILES 260
#define IDC_ALL_SUB_DIRS 261
#define IDC_STOP_BY_NOTICES 262
#define IDC_STOP_BY_ERRORS 263
#define IDC_STOP_BY_FATAL_ERRORS 264
#define IDC_IGNORE_ANY_ERRORS 265
#define IDC_RETRY_NONE 266
#define IDC_RETRY_1 267
#define IDC_RETRY_2 268
#define IDC_RETRY_3 269
#define IDC_RETRY_4 270
#define IDC_ABOUT 271

/* Comparing Result dialog */
#define IDC_STATUS 256
#define IDC_CURRENT_NAME 257
#define IDC_PROGRESS 258
#define IDC_RATE 259
#define IDC_NO_DIFFERENCE 260
#define IDC_NOTICES 261
#define IDC_ERRORS 262
#define IDC_FATAL_ERRORS 263
#define IDC_TOTAL 264
#define IDC_ABORT 265
#define IDC_SHOW_LOG 266

/* Details dialog */
#define IDC_LOG_LIST 256
#define IDC_SAVE_LOG 257
