/* OrvexRoll's resource numbers, for its .rc file and its code. */
#pragma once

#define IDR_ROLL_ICON 128
#define IDR_ROLL_CONTEXT 129
#define IDD_ROLL_ABOUT 100
#define IDD_ROLL_MAIN 102

/* Main window */
#define IDC_ROLL_LOG 1000
#define IDC_ROLL_CLOSE 1001
#define IDC_ROLL_SPARE1 1100
#define IDC_ROLL_SPARE2 1101
#define IDC_ROLL_LOG_LABEL 1002

/* About box */
#define IDC_ROLL_ABOUT_ICON 1010
#define IDC_ROLL_ABOUT_PRODUCT 1011
#define IDC_ROLL_ABOUT_VERSION 1012

/* System menu entry and context menu command */
#define IDM_ROLL_ABOUT 16
#define IDM_ROLL_COPY_ALL 32771
