// Control ids of the UI driver's sample program.
#pragma once

#define IDD_UI_SAMPLE 100
#define IDD_UI_PAGE1 101
#define IDD_UI_PAGE2 102
#define IDD_UI_DETAIL 103
#define IDR_UI_MENU 110

#define IDC_UI_STATUS 1001
#define IDC_UI_RUN 1002
#define IDC_UI_CHECK 1003
#define IDC_UI_RADIO_A 1004
#define IDC_UI_RADIO_B 1005
#define IDC_UI_NAME 1006
#define IDC_UI_DIGITS 1007
#define IDC_UI_DISABLED 1008
#define IDC_UI_QUESTION 1009
#define IDC_UI_FAILURE 1010
#define IDC_UI_SUCCESS 1011
#define IDC_UI_DETAIL 1012
#define IDC_UI_EXIT257 1013
#define IDC_UI_LIST 1014
#define IDC_UI_COMBO 1015
#define IDC_UI_TAB 1016
#define IDC_UI_BOLD 1017
#define IDC_UI_NOTE 1018

#define IDC_UI_PAGE_LABEL 1100
#define IDC_UI_PAGE1_CHECK 1101
#define IDC_UI_PAGE1_EDIT 1102
#define IDC_UI_PAGE2_BUTTON 1103

#define IDC_UI_DETAIL_EDIT 1200

#define IDM_UI_SAVE 40001
#define IDM_UI_EXIT 40002
// A system menu item of our own (ids below 0xF000, multiples of 16).
#define IDM_UI_SYS_ABOUT 0x0010
