// The read confirmation (116) and the connection confirmation (117) from their templates, answered
// from another thread as a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include "ConfirmDialogs.h"
#include "MainWindowSupport.h"
#include "ToolIds.h"
#include "Wide.h"

namespace orvex {
namespace {

using test::Answer;

void Click(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

TEST(ReadConfirmDialog, YesRestoresUnlessAskedToReadAgainAndNoDoesNeither) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  {
    std::string texts;
    Answer answer("デバイス・パラメータ読込確認", [&](HWND dialog) {
      texts = GetDlgItemTextA932(dialog, IDC_CONFIRM_TEXT1) + "|" + GetDlgItemTextA932(dialog, IDC_CONFIRM_TEXT2) +
              "|" + GetDlgItemTextA932(dialog, IDC_READ_AGAIN) + "|" +
              std::to_string(SendDlgItemMessageW(dialog, IDC_READ_AGAIN, BM_GETCHECK, 0, 0));
      Click(dialog, IDYES);
    });
    ReadConfirmDialog dialog;
    EXPECT_EQ(dialog.Run(instance, nullptr), ReadConfirmDialog::kRestore);
    EXPECT_EQ(texts,
              "全てのパラメータをデバイスから読み込まれた状態に戻します。|よろしいですか？|"
              "再度、デバイスから読み込む（USB通信）|0");
  }
  {
    Answer answer("デバイス・パラメータ読込確認", [](HWND dialog) {
      SendDlgItemMessageW(dialog, IDC_READ_AGAIN, BM_SETCHECK, BST_CHECKED, 0);
      Click(dialog, IDYES);
    });
    ReadConfirmDialog dialog;
    EXPECT_EQ(dialog.Run(instance, nullptr), ReadConfirmDialog::kReadAgain);
  }
  {
    // "いいえ" must not come back as 7, which would restore.
    Answer answer("デバイス・パラメータ読込確認", [](HWND dialog) { Click(dialog, IDCANCEL); });
    ReadConfirmDialog dialog;
    const INT_PTR result = dialog.Run(instance, nullptr);
    EXPECT_NE(result, ReadConfirmDialog::kRestore);
    EXPECT_NE(result, ReadConfirmDialog::kReadAgain);
  }
}

TEST(ConnectConfirmDialog, AnswersSixOrTwo) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  {
    Answer answer("デバイス接続確認", [](HWND dialog) { Click(dialog, IDYES); });
    ConnectConfirmDialog dialog;
    EXPECT_EQ(dialog.Run(instance, nullptr), 6);
  }
  {
    Answer answer("デバイス接続確認", [](HWND dialog) { Click(dialog, IDCANCEL); });
    ConnectConfirmDialog dialog;
    EXPECT_EQ(dialog.Run(instance, nullptr), 2);
  }
}

}  // namespace
}  // namespace orvex
