// The folder dialog as the update folder's choice uses it, answered from inside its own loop.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "CVistaFileDlg.h"
#include "Cp932Text.h"
#include "FlashTestSupport.h"
#include "ScratchFolder.h"
#include "Wide.h"

using namespace orvex;
using namespace orvex::flash;
using namespace orvex::flash::test;
using orvex::autoupdate::test_support::ScratchFolder;

namespace {

struct Search {
  std::wstring title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchTitle(HWND hwnd, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  if (IsWindowVisible(hwnd) && s->title == text) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindDialog(const std::string& title) {
  Search search{ToWide(title)};
  EnumThreadWindows(GetCurrentThreadId(), MatchTitle, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Runs the dialog and lets `act` answer it once it is up; the dialog is closed after 10 s at the
// latest.
int ShowAndAnswer(CVistaFileDlg& dialog, const std::string& title, const std::function<void(HWND)>& act) {
  const ULONGLONG deadline = GetTickCount64() + 10000;
  bool acted = false;
  Ticker ticker([&] {
    HWND h = FindDialog(title);
    if (h == nullptr) return;
    if (!acted) {
      acted = true;
      act(h);
    } else if (GetTickCount64() > deadline) {
      PostMessageW(h, WM_COMMAND, IDCANCEL, 0);
    }
  });
  return dialog.Show();
}

const char kTitle[] = "更新ファイル(*.prg) が存在するフォルダの指定";

}  // namespace

TEST(FolderDialog, CancelLeavesNoPath) {
  ScratchFolder folder;
  CVistaFileDlg dialog(CVistaFileDlg::kFolder, folder.Path(), kTitle, nullptr);
  // Wine says it is Windows 10: the Common Item Dialog, with our title.
  EXPECT_EQ(dialog.Variant(), CVistaFileDlg::kVariantItem);
  EXPECT_EQ(ShowAndAnswer(dialog, kTitle, [](HWND h) { PostMessageW(h, WM_COMMAND, IDCANCEL, 0); }),
            CVistaFileDlg::kCancelled);
  EXPECT_TRUE(dialog.Path().empty());
}

TEST(FolderDialog, TheFolderTypedIsChosen) {
  ScratchFolder folder;
  const std::string chosen = folder.Sub("更新 ファイル");
  CVistaFileDlg dialog(CVistaFileDlg::kFolder, folder.Path(), kTitle, nullptr);
  int result = ShowAndAnswer(dialog, kTitle, [&](HWND h) {
    SetDlgItemTextW(h, 1152, ToWide(chosen.substr(0, chosen.size() - 1)).c_str());
    PostMessageW(h, WM_COMMAND, IDOK, 0);
  });
  ASSERT_EQ(result, CVistaFileDlg::kChosen);
  EXPECT_TRUE(EqualsNoCase(dialog.Path() + "\\", chosen)) << dialog.Path();
}
