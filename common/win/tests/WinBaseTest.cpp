// Settings, error texts, the theme probe, the message box conventions and the handle owners.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Handles.h"
#include "Settings.h"
#include "ShowMessage.h"
#include "SystemError.h"
#include "ThemeProbe.h"

namespace orvex {
namespace {

const wchar_t kTestProgramKey[] = L"Software\\Orvex\\OrvexWinBaseTest";

TEST(WinBase, RunsWithCodePage932) {
  EXPECT_EQ(GetACP(), 932u);
}

class SettingsTest : public testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestProgramKey); }
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestProgramKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Orvex");  // only when nothing else lives there
  }
  static DWORD RawInt(const wchar_t* name) {
    DWORD value = 0xDEAD, size = sizeof(value);
    RegGetValueW(HKEY_CURRENT_USER, L"Software\\Orvex\\OrvexWinBaseTest\\Settings", name, RRF_RT_REG_DWORD,
                 nullptr, &value, &size);
    return value;
  }
  static std::wstring RawText(const wchar_t* name) {
    wchar_t value[64] = L"(none)";
    DWORD size = sizeof(value);
    RegGetValueW(HKEY_CURRENT_USER, L"Software\\Orvex\\OrvexWinBaseTest\\Settings", name, RRF_RT_REG_SZ,
                 nullptr, value, &size);
    return value;
  }
  Settings settings_{"OrvexWinBaseTest"};
};

TEST_F(SettingsTest, IntegersWriteTheirDefaultWhenMissing) {
  EXPECT_EQ(settings_.GetInt("AutoRead", 1), 1);
  EXPECT_EQ(RawInt(L"AutoRead"), 1u);
  ASSERT_TRUE(settings_.SetInt("AutoRead", 0));
  EXPECT_EQ(settings_.GetInt("AutoRead", 1), 0);
  ASSERT_TRUE(settings_.SetInt("Wait", 70000));
  EXPECT_EQ(settings_.GetInt("Wait", 5), 70000);
  // -1 is the not-found marker: a stored -1 is replaced by the default.
  ASSERT_TRUE(settings_.SetInt("Wait", -1));
  EXPECT_EQ(settings_.GetInt("Wait", 5), 5);
  EXPECT_EQ(RawInt(L"Wait"), 5u);
  // A text where a number belongs counts as missing.
  ASSERT_TRUE(settings_.SetText("Level", "3"));
  EXPECT_EQ(settings_.GetInt("Level", 2), 2);
  EXPECT_EQ(RawInt(L"Level"), 2u);
}

TEST_F(SettingsTest, TextsRoundTripInCodePage932) {
  EXPECT_EQ(settings_.GetText("DefPath"), "");
  EXPECT_EQ(RawText(L"DefPath"), L"");  // written, empty
  const std::string folder = "C:\\表示\\ﾊﾟﾗﾒｰﾀ\\";
  ASSERT_TRUE(settings_.SetText("DefPath", folder));
  EXPECT_EQ(RawText(L"DefPath"), L"C:\\表示\\ﾊﾟﾗﾒｰﾀ\\");
  EXPECT_EQ(settings_.GetText("DefPath", "C:\\既定\\"), folder);
  // An empty value is replaced by the default.
  ASSERT_TRUE(settings_.SetText("PrgPath", ""));
  EXPECT_EQ(settings_.GetText("PrgPath", "C:\\既定\\"), "C:\\既定\\");
  EXPECT_EQ(RawText(L"PrgPath"), L"C:\\既定\\");
}

TEST(SystemError, TextOfKnownAndUnknownCodes) {
  std::string text = SystemErrorText(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(text.empty());
  // The system's line end is kept: a box shows it as nothing, a log line can trim it.
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  EXPECT_EQ(SystemErrorLine(ERROR_FILE_NOT_FOUND), "Err = 2 : " + text);

  EXPECT_EQ(SystemErrorText(0x20001234), "");
  EXPECT_EQ(SystemErrorLine(0x20001234), "Err = 536875572 : ");
}

TEST(ThemeProbe, NoLibraryMeansNoTheme) {
  bool active = ProbeThemeActive();
  EXPECT_EQ(ThemeActive(), active);
  EXPECT_FALSE(ProbeThemeActive("OrvexNoSuchTheme.dll"));
  EXPECT_FALSE(ThemeActive());
}

TEST(ShowMessage, ConventionsAndDefaultAnswers) {
  MessageRecorder outer([](const MessageCall&) { return IDCANCEL; });
  {
    MessageRecorder recorder;
    EXPECT_EQ(ShowFailure(nullptr, "ファイルが開けません。", "エラー"), IDOK);
    EXPECT_EQ(ShowSuccess(nullptr, "完了しました。", "完了"), IDOK);
    EXPECT_TRUE(AskYesNo(nullptr, "よろしいですか？", "確認"));
    EXPECT_EQ(ShowMessage(nullptr, "続けますか？", "確認", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    SetMessageCaption("Orvex");
    ShowMessage(nullptr, "既定の題名", "", MB_OK);
    SetMessageCaption("");
    ShowMessage(nullptr, "実行ファイル名の題名", "", MB_OK);

    auto calls = recorder.Calls();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(calls[0].buttons, static_cast<UINT>(MB_OK));
    EXPECT_EQ(calls[1].icon, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(calls[2].icon, static_cast<UINT>(MB_ICONQUESTION));
    EXPECT_EQ(calls[2].buttons, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(calls[2].answer, IDYES);
    EXPECT_EQ(calls[4].caption, "Orvex");
    EXPECT_EQ(calls[5].caption, "common_win_tests");
  }
  // The outer recorder answers again once the inner one is gone.
  EXPECT_FALSE(AskYesNo(nullptr, "よろしいですか？"));
  EXPECT_EQ(outer.Calls().size(), 1u);

  EXPECT_EQ(DefaultAnswer(MB_OK), IDOK);
  EXPECT_EQ(DefaultAnswer(MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(DefaultAnswer(MB_OKCANCEL | MB_DEFBUTTON3), IDOK);  // no third button: the first
  EXPECT_EQ(DefaultAnswer(MB_RETRYCANCEL | MB_DEFBUTTON2), IDCANCEL);
}

TEST(Handles, OwnersMoveAndKnowTheirInvalidValue) {
  UniqueFile missing(
      CreateFileW(L"Z:\\orvex\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(missing);

  UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event);
  HANDLE raw = event.Get();
  UniqueHandle moved(std::move(event));
  EXPECT_FALSE(event);
  EXPECT_TRUE(SetEvent(raw));  // still open after the move
  moved.Reset();
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(raw, &flags));  // closed by its one owner

  UniqueKey key;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.Put()), ERROR_SUCCESS);
  EXPECT_TRUE(key);
}

}  // namespace
}  // namespace orvex
