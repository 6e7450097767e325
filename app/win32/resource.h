// Numbers of the Windows program's templates, pictures, controls and menu entries. Shared by
// the resource script and the code, so they are plain macros.
#pragma once

// Templates
#define IDD_ABOUT 100
#define IDD_LOADER 102
#define IDD_PROGRESS 103
#define IDD_LANGUAGE 139

// Pictures: the program's icon, the file and start buttons' pictures, the About picture.
#define IDI_KZNLOAD 128
#define IDI_OPEN_FILE 130
#define IDI_START 131
#define IDI_ABOUT 132

// The system menu's About entry; every system command with this number once its lowest
// four bits are cleared opens the About window.
#define IDM_ABOUT 0x0010

// Main window
#define IDC_PORT1 1000
#define IDC_PORT2 1001
#define IDC_PORT3 1002
#define IDC_PORT4 1003
#define IDC_CHOOSE_FILE 1004
#define IDC_START 1009
#define IDC_FILE_PATH 1010
#define IDC_RECEIVER_TYPES 1014
#define IDC_LANGUAGE_VERSIONS 1015
#define IDC_FILE_GROUP 1016
#define IDC_RECEIVER_TYPE_GROUP 1017
#define IDC_START_PROMPT 1018
#define IDC_VERSION_LABEL 1023
#define IDC_KEEP_USER_DATA 1028

// Progress window (the cancel button is IDCANCEL)
#define IDC_PROGRESS_BAR 1003
#define IDC_PERCENT_TEXT 1004
#define IDC_STATUS_TEXT 1005

// Language window (the OK button is IDOK)
#define IDC_FRENCH 1022
#define IDC_ENGLISH 1023

// About window
#define IDC_ABOUT_PICTURE 1100
#define IDC_ABOUT_TEXT 1101

// Labels and frames that nothing refers to
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
