// The main window with the simulated adapter, in-process where the end-to-end tests cannot look:
// the fonts of the transfer buttons and of the marked letter buttons around a read and a write.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

#include "MainWindowSupport.h"
#include "Settings.h"
#include "SimFolder.h"

namespace orvex::test {
namespace {

class DeviceWindowTest : public MainWindowTest {
 protected:
  // Answers every message box with `answer` and keeps what was asked.
  static MessageRecorder::Answerer AnswerAll(int answer) {
    return [answer](const MessageCall&) { return answer; };
  }
  bool WaitRead() {
    return PumpUntil([&] { return dialog_->state().read_state() == 1; }, 10000);
  }
};

TEST_F(DeviceWindowTest, AnAttachedAdapterMarksTheReadButtonUntilItIsRead) {
  InstallSampleDefinition();
  Settings("OrvexSetTest").SetInt("AutoRead", 0);
  SimFolder adapter;
  MessageRecorder messages;
  std::atomic<bool> asked{false}, bold{false}, read_enabled{false}, write_enabled{false};
  {
    // The connection question: what the buttons show while it waits, then "はい".
    Answer answer("デバイス接続確認", [&](HWND question) {
      bold = dialog_->IsBold(IDC_DEVICE_READ);
      read_enabled = IsWindowEnabled(GetDlgItem(hwnd(), IDC_DEVICE_READ)) != FALSE;
      write_enabled = IsWindowEnabled(GetDlgItem(hwnd(), IDC_DEVICE_WRITE)) != FALSE;
      asked = true;
      PostMessageW(question, WM_COMMAND, IDYES, 0);
    });
    Open();
    ASSERT_TRUE(PumpUntil([&] { return asked.load(); }, 10000));
  }
  EXPECT_TRUE(bold);
  EXPECT_TRUE(read_enabled);
  EXPECT_TRUE(write_enabled);  // the definition is loaded
  ASSERT_TRUE(WaitRead());
  EXPECT_FALSE(dialog_->IsBold(IDC_DEVICE_READ));
  EXPECT_TRUE(Enabled(IDC_DEVICE_WRITE));
  EXPECT_EQ(Title(), "Orvex - Orvex CTIアダプタ 標準パラメータ <1003-2001-0100>");
  EXPECT_EQ(Row(0), "・ - ｱﾅﾛｸﾞ局線");  // a never-written adapter holds zeros
  EXPECT_TRUE(messages.Calls().empty());
}

TEST_F(DeviceWindowTest, AFailedWriteKeepsTheChangeMarkedAGoodOneClearsIt) {
  InstallSampleDefinition();
  SimFolder adapter(
      "progress_interval_ms = 400\n"
      "fault.write_result = 0x12 1 2 3 4 5 6 7\nfault.write_result.times = 1\n");
  MessageRecorder messages(AnswerAll(IDYES));
  Open();
  ASSERT_TRUE(WaitRead());
  Select({3});
  Command(IDC_LETTER_FIRST + 2);  // channel 4 to Ｂ
  ASSERT_TRUE(dialog_->IsBold(IDC_LETTER_FIRST + 2));

  Command(IDC_DEVICE_WRITE);  // runs the write window to its end
  std::vector<MessageCall> calls = messages.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].caption, "デバイス・パラメータ書込確認");
  EXPECT_EQ(calls[1].caption, "デバイス書込結果");
  EXPECT_EQ(calls[1].text,
            "パラメータ設定データのデバイス書込に失敗しました。\n\nErr = 12 : 01 02 03 04 05 06 07 ");
  EXPECT_EQ(calls[1].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
  // Not on the device: still marked, and closing would ask.
  EXPECT_TRUE(dialog_->IsBold(IDC_LETTER_FIRST + 2));
  EXPECT_TRUE(dialog_->state().modified());

  Command(IDC_DEVICE_WRITE);
  calls = messages.Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[3].text, "パラメータ設定データは正常にデバイスに書き込まれました。");
  EXPECT_EQ(calls[3].icon, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_FALSE(dialog_->IsBold(IDC_LETTER_FIRST + 2));
  EXPECT_FALSE(dialog_->state().modified());
  const std::string stored = adapter.ReadFile("Parameters.prg");
  ASSERT_EQ(stored.size(), kParameterFileSize);
  EXPECT_EQ(stored[32 + 3], 2);
}

}  // namespace
}  // namespace orvex::test
