/* OrvexSet's resource, control and command numbers, for its .rc file, its windows and the
   portable decisions behind them (plain C so that windres reads it too). */
#pragma once

/* Dialogs, icon, bitmap, strings. */
#define IDD_PARAMETER_TOOL 110
#define IDD_READ_TRANSFER 114
#define IDD_WRITE_TRANSFER 115
#define IDD_READ_CONFIRM 116
#define IDD_CONNECT_CONFIRM 117
#define IDI_PARAMETER_TOOL 128
#define IDB_CHANNELS 129
#define IDS_ABOUT_MENU 101
#define IDS_AUTO_READ_MENU 102
#define IDS_HELP_MENU 103

/* Main window controls and commands. */
#define IDC_CLOSE 2000
#define IDC_DEVICE_WRITE 2001
#define IDC_DEVICE_READ 2002
#define IDC_FILE_SAVE 2003
#define IDC_FILE_LOAD 2004
#define IDC_CHANNEL_LIST 2005
#define IDC_DEFINITION_UPDATE 2006
#define IDC_RESET_ALL 2007
#define IDC_BLOCK_FIRST 2100   /* 2100..2104: open the settings window of command block 1..5 */
#define IDC_LETTER_FIRST 2201  /* 2201..2205: assign the selected channels to command block 1..5 */
#define IDC_SELECT_ALL 2300
#define IDC_SELECT_SAME_BOARD 2301

/* System menu items. */
#define IDM_ABOUT 0x10
#define IDM_AUTO_READ 0x20
#define IDM_HELP 0x30

/* Dialogs 114..117. */
#define IDC_TRANSFER_GROUP 1100
#define IDC_TRANSFER_PROGRESS 1101
#define IDC_TRANSFER_STATUS 1102
#define IDC_CONFIRM_ICON 1110
#define IDC_CONFIRM_TEXT1 1111
#define IDC_CONFIRM_TEXT2 1112
#define IDC_READ_AGAIN 1113
