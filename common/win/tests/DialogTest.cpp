// The dialog base on a real dialog from the test resources, driven with real messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "Dialog.h"
#include "SampleDialogIds.h"
#include "ShowMessage.h"

namespace orvex {
namespace {

constexpr UINT kStart = WM_APP + 1;
constexpr UINT_PTR kSafetyTimer = 99;

class SampleDialog : public Dialog {
 public:
  std::vector<std::pair<int, int>> commands;  // (code, id) of every WM_COMMAND
  std::vector<UINT> device_messages;
  std::function<void(SampleDialog&)> script;  // run once the modal loop is up
  bool destroyed = false;

 protected:
  bool OnInit() override {
    SetItemText(IDC_NAME, "初期値");
    // A test that forgets to end the dialog fails instead of hanging.
    SetTimer(hwnd(), kSafetyTimer, 10000, nullptr);
    PostMessageW(hwnd(), kStart, 0, 0);
    return true;
  }
  bool OnCommand(int code, int id, HWND control) override {
    commands.emplace_back(code, id);
    if (id == IDC_RUN && code == BN_CLICKED) {
      int answer =
          ShowMessage(hwnd(), "設定を保存しますか？", "保存確認", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
      SetItemText(IDC_STATUS, answer == IDYES ? "保存しました" : "中止しました");
      return true;
    }
    return Dialog::OnCommand(code, id, control);
  }
  bool OnTimer(UINT_PTR id) override {
    if (id != kSafetyTimer) return false;
    End(-2);
    return true;
  }
  void OnDestroy() override { destroyed = true; }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM, LRESULT& result) override {
    if (message == kStart && script) {
      auto run = std::move(script);
      run(*this);
      return true;
    }
    if (message < 0x8101 || message > 0x8103) return false;
    device_messages.push_back(message);
    result = static_cast<LRESULT>(wparam) + 1;
    return true;
  }
};

HINSTANCE Instance() {
  return GetModuleHandleW(nullptr);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

TEST(Dialog, ModelessFromTemplateWithJapaneseTexts) {
  SampleDialog dialog;
  ASSERT_TRUE(dialog.Create(Instance(), IDD_SAMPLE, nullptr));
  HWND hwnd = dialog.hwnd();
  ShowWindow(hwnd, SW_SHOW);
  Pump();

  // Template texts come back as code page 932, byte for byte.
  EXPECT_EQ(dialog.GetText(), "バージョン情報");
  EXPECT_EQ(dialog.GetItemText(IDC_TITLE), "自動更新ツール Win98版");
  EXPECT_EQ(dialog.GetItemText(IDC_STATUS), "ﾃﾞﾊﾞｲｽ接続待機...");
  EXPECT_EQ(dialog.GetItemText(IDC_STATUS), "\xC3\xDE\xCA\xDE\xB2\xBD\x90\xDA\x91\xB1\x91\xD2\x8B\x40...");
  EXPECT_EQ(dialog.GetItemText(IDC_NAME), "初期値");

  // Text put in by the system (UTF-16) is read back as CP932; 表 has 0x5C as its trail byte.
  SendDlgItemMessageW(hwnd, IDC_NAME, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"表示\\フォルダ"));
  EXPECT_EQ(dialog.GetItemText(IDC_NAME), "\x95\x5C\x8E\xA6\\\x83\x74\x83\x48\x83\x8B\x83\x5F");
  // And CP932 put in by us is what the control holds in UTF-16.
  ASSERT_TRUE(dialog.SetItemText(IDC_NAME, "ﾊﾟﾗﾒｰﾀ設定"));
  wchar_t wide[64] = {};
  GetDlgItemTextW(hwnd, IDC_NAME, wide, 64);
  EXPECT_STREQ(wide, L"ﾊﾟﾗﾒｰﾀ設定");
  EXPECT_NE(std::find(dialog.commands.begin(), dialog.commands.end(), std::make_pair(EN_CHANGE, IDC_NAME)),
            dialog.commands.end());

  ASSERT_TRUE(dialog.SetItemInt(IDC_NUMBER, -123));
  EXPECT_EQ(dialog.GetItemInt(IDC_NUMBER), -123);
  dialog.SetItemText(IDC_NUMBER, "abc");
  EXPECT_FALSE(dialog.GetItemInt(IDC_NUMBER).has_value());

  SendDlgItemMessageW(hwnd, IDC_AGAIN, BM_CLICK, 0, 0);
  EXPECT_TRUE(dialog.IsChecked(IDC_AGAIN));
  dialog.Check(IDC_AGAIN, false);
  EXPECT_FALSE(dialog.IsChecked(IDC_AGAIN));
  dialog.Enable(IDC_RUN, false);
  EXPECT_FALSE(IsWindowEnabled(dialog.Item(IDC_RUN)));
  dialog.Enable(IDC_RUN);
  dialog.Show(IDC_TITLE, false);
  EXPECT_FALSE(IsWindowVisible(dialog.Item(IDC_TITLE)));

  // A button click reaches OnCommand, which asks through the one message box.
  {
    MessageRecorder recorder([](const MessageCall&) { return IDYES; });
    SendDlgItemMessageW(hwnd, IDC_RUN, BM_CLICK, 0, 0);
    auto calls = recorder.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].owner, hwnd);
    EXPECT_EQ(calls[0].text, "設定を保存しますか？");
    EXPECT_EQ(calls[0].caption, "保存確認");
    EXPECT_EQ(calls[0].buttons, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(calls[0].icon, static_cast<UINT>(MB_ICONQUESTION));
    EXPECT_EQ(dialog.GetItemText(IDC_STATUS), "保存しました");
  }

  // Application messages reach OnMessage and their result reaches the sender.
  EXPECT_EQ(SendMessageW(hwnd, 0x8103, 41, 0), 42);
  PostMessageW(hwnd, 0x8101, 0, 0);
  Pump();
  EXPECT_EQ(dialog.device_messages, (std::vector<UINT>{0x8103, 0x8101}));

  // F1 pressed in one of its controls reaches the program's help with the dialog and its template,
  // as the system passes it on: the key as input, then WM_HELP up from the control.
  static std::vector<std::pair<HWND, int>> help_asked;
  help_asked.clear();
  Dialog::SetHelpRequest([](HWND dialog_hwnd, int template_id) { help_asked.emplace_back(dialog_hwnd, template_id); });
  SetForegroundWindow(hwnd);
  SetFocus(dialog.Item(IDC_NAME));
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
  for (int i = 0; i < 40 && help_asked.empty(); ++i) {
    Pump();
    Sleep(25);
  }
  Dialog::SetHelpRequest(nullptr);
  EXPECT_EQ(help_asked, (std::vector<std::pair<HWND, int>>{{hwnd, IDD_SAMPLE}}));

  // The close box cancels, which destroys a modeless dialog.
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialog.destroyed);
  EXPECT_EQ(dialog.hwnd(), nullptr);
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST(Dialog, OwnerDestroysOpenModelessWindow) {
  HWND hwnd = nullptr;
  {
    SampleDialog dialog;
    ASSERT_TRUE(dialog.Create(Instance(), IDD_SAMPLE_SHELL, nullptr));
    hwnd = dialog.hwnd();
    EXPECT_TRUE(IsWindow(hwnd));
  }
  EXPECT_FALSE(IsWindow(hwnd));
  Pump();
}

TEST(Dialog, ModalRunsUntilEndedByItsOwnMessages) {
  MessageRecorder recorder;  // default answers: the Yes/No box defaults to No

  SampleDialog dialog;
  dialog.script = [](SampleDialog& d) {
    SendDlgItemMessageW(d.hwnd(), IDC_RUN, BM_CLICK, 0, 0);
    d.End(77);
  };
  EXPECT_EQ(dialog.RunModal(Instance(), IDD_SAMPLE, nullptr), 77);
  EXPECT_EQ(dialog.hwnd(), nullptr);
  ASSERT_EQ(recorder.Calls().size(), 1u);
  EXPECT_EQ(recorder.Calls()[0].answer, IDNO);

  // The close box ends a modal dialog with IDCANCEL, the OK button with IDOK.
  SampleDialog cancelled;
  cancelled.script = [](SampleDialog& d) { PostMessageW(d.hwnd(), WM_CLOSE, 0, 0); };
  EXPECT_EQ(cancelled.RunModal(Instance(), IDD_SAMPLE, nullptr), IDCANCEL);
  SampleDialog confirmed;
  confirmed.script = [](SampleDialog& d) { SendDlgItemMessageW(d.hwnd(), IDOK, BM_CLICK, 0, 0); };
  EXPECT_EQ(confirmed.RunModal(Instance(), IDD_SAMPLE, nullptr), IDOK);

  // A modal dialog may end itself on a timer.
  SampleDialog timed;
  timed.script = [](SampleDialog& d) { SetTimer(d.hwnd(), kSafetyTimer, 10, nullptr); };
  EXPECT_EQ(timed.RunModal(Instance(), IDD_SAMPLE, nullptr), -2);

  SampleDialog missing;
  EXPECT_EQ(missing.RunModal(Instance(), 4242, nullptr), -1);
  EXPECT_FALSE(missing.Create(Instance(), 4242, nullptr));
}

}  // namespace
}  // namespace orvex
