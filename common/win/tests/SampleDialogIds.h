// Resource ids of the sample dialogs used by the Win32 base tests and the screenshot demo.
#pragma once

#define IDD_SAMPLE 100        // font "ＭＳ Ｐゴシック"
#define IDD_SAMPLE_SHELL 101  // font "MS Shell Dlg", same controls

#define IDC_TITLE 1001
#define IDC_NAME 1002
#define IDC_RUN 1003
#define IDC_AGAIN 1004
#define IDC_STATUS 1005
#define IDC_NUMBER 1006
