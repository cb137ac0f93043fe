#pragma once
// A plain window standing in for the main window, with an edit for the filter tests.
#define IDD_TEST_MAIN 900
#define IDC_TEST_EDIT 901
#define IDC_TEST_BUTTON 902
