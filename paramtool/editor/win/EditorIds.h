// Resource numbers of the settings window (dialogs 111, 112, 113) and its copy dialog (118).
// Included by Editor.rc, and so by the program's own resource script.
#pragma once

#define IDD_PARAMETER_SETTINGS 111
#define IDD_PARAMETER_LAYOUT 112
#define IDD_PARAMETER_PAGE 113
#define IDD_COPY_SOURCE 118

// The settings window loads the program's icon; the program provides it.
#define IDI_PARAMETER_TOOL 128

#define IDC_SETTINGS_TAB 3000
#define IDC_SETTINGS_HELP_NAME 3001
#define IDC_SETTINGS_HELP_TEXT 3002
#define IDC_SETTINGS_INITIAL 3003
#define IDC_SETTINGS_COPY 3004
#define IDC_SETTINGS_OK 3005
#define IDC_SETTINGS_CANCEL 3006
#define IDC_SETTINGS_APPLY 3007

// The layout template's sample controls, 4000..4010.
#define IDC_LAYOUT_WIDE_LABEL 4000
#define IDC_LAYOUT_WIDE_EDIT 4001
#define IDC_LAYOUT_NARROW_LABEL 4002
#define IDC_LAYOUT_NUMBER_EDIT 4003
#define IDC_LAYOUT_UNIT 4004
#define IDC_LAYOUT_NEXT_LABEL 4005
#define IDC_LAYOUT_NARROW_EDIT 4006
#define IDC_LAYOUT_WIDE_CHECK 4007
#define IDC_LAYOUT_MEMBER_CHECK 4008
#define IDC_LAYOUT_WIDE_LIST 4009
#define IDC_LAYOUT_NARROW_LIST 4010

#define IDC_COPY_SOURCE_LIST 5400
