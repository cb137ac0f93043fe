// The run history read back from OrvexRoll's log: sessions, outcomes, the updates with their
// versions, and logs that are not what OrvexRoll writes.
#include <gtest/gtest.h>

#include "LogEntry.h"
#include "RunHistory.h"

using namespace orvex::autoupdate;

namespace {

// A log file as OrvexRoll saves it, from (text, code) entries a second apart.
class LogText {
 public:
  LogText& Add(const std::string& text, uint32_t code = 0) {
    LogTime t{2024, 1, 2, 3, 4, second_++, 6};
    for (const std::string& item : LogEntryItems(text, code, &t)) text_ += item + "\r\n";
    return *this;
  }
  const std::string& str() const { return text_; }

 private:
  std::string text_;
  unsigned second_ = 0;
};

const char kStart[] = "自動更新起動(v2.0.1.1)\n'C:\\pkg\\OrvexRoll.exe'\nModel = KV(1)";

}  // namespace

TEST(RunHistory, FailedRunRepairedByALaterRunInItsFolder) {
  LogText log;
  log.Add(kStart).Add("接続デバイス・バージョン = 1.1.4.0, 3h").Add("パラメータ設定ツール起動").Add("自動更新成功 Cnt = 2", 1)
      .Add("バージョン更新ツール起動")
      .Add("更新開始(v1.105) : McCPU.prg(00h, 00h, v1.203)").Add("更新成功")
      .Add("更新開始(未装着) : ｱﾅﾛｸﾞ.prg(35h, 52h, v2.004)")
      .Add("更新失敗 Err = 12h :  12 00 00 00 00 00 00 00")
      .Add("更新リトライ回数オーバー", 256).Add("自動更新異常終了");
  log.Add(kStart).Add("修復情報保存フォルダ選択").Add("バージョン更新ツール起動")
      .Add("更新開始(v2.003) : ｱﾅﾛｸﾞ.prg(35h, 52h, v2.004)").Add("更新成功").Add("修復更新成功 Cnt = 1 / 1", 1)
      .Add("自動更新正常終了");
  auto sessions = ParseRunLog(log.str());
  ASSERT_EQ(sessions.size(), 2u);
  const LogSession& failed = sessions[0];
  EXPECT_EQ(failed.started, "2024/01/02 03:04:00");
  EXPECT_EQ(failed.outcome, SessionOutcome::kFailed);
  EXPECT_EQ(failed.stage, "version update");
  EXPECT_EQ(failed.reason, "更新リトライ回数オーバー");
  EXPECT_EQ(failed.device, "1.1.4.0, 3h");
  ASSERT_EQ(failed.updates.size(), 2u);
  EXPECT_EQ(failed.updates[0].file, "McCPU.prg");
  EXPECT_EQ(failed.updates[0].before, "1.105");
  EXPECT_EQ(failed.updates[0].after, "1.203");
  EXPECT_TRUE(failed.updates[0].done);
  EXPECT_EQ(failed.updates[1].file, "ｱﾅﾛｸﾞ.prg");  // a name with half-width kana and '('
  EXPECT_EQ(failed.updates[1].before, "未装着");
  EXPECT_FALSE(failed.updates[1].done);
  EXPECT_TRUE(sessions[1].repair);
  EXPECT_EQ(sessions[1].outcome, SessionOutcome::kSucceeded);
  EXPECT_EQ(RunOutcomeOf(sessions), RunOutcome::kRepaired);
  sessions.pop_back();
  EXPECT_EQ(RunOutcomeOf(sessions), RunOutcome::kFailed);
}

TEST(RunHistory, OutcomesAndLogsThatAreNotOrvexRolls) {
  LogText ok;
  ok.Add(kStart).Add("パラメータ設定ツール起動").Add("自動更新正常終了");
  auto s = ParseRunLog(ok.str());
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(RunOutcomeOf(s), RunOutcome::kSucceeded);
  EXPECT_TRUE(s[0].reason.empty());

  LogText cancelled;
  cancelled.Add(kStart).Add("自動更新開始キャンセル", 255).Add("自動更新異常終了");
  EXPECT_EQ(RunOutcomeOf(ParseRunLog(cancelled.str())), RunOutcome::kCancelled);

  // Killed during the parameter step: no end entry.
  LogText killed;
  killed.Add(kStart).Add("パラメータ設定ツール起動");
  s = ParseRunLog(killed.str());
  EXPECT_EQ(RunOutcomeOf(s), RunOutcome::kUnfinished);
  EXPECT_EQ(s[0].stage, "parameter");

  EXPECT_EQ(RunOutcomeOf(ParseRunLog("")), RunOutcome::kNoLog);
  EXPECT_EQ(RunOutcomeOf(ParseRunLog("not a log\r\n2024/01/02 03:04:05.006   0\r\n")), RunOutcome::kNoLog);
  // A lead byte before "正常終了" takes its first byte: the text does not end in those characters.
  EXPECT_EQ(ParseRunLog("2024/01/02 03:04:05.006   0  \x90" "正常終了\r\n")[0].outcome, SessionOutcome::kUnfinished);
  EXPECT_EQ(ParseRunLog("2024/01/02 03:04:05.006   0  x正常終了\r\n")[0].outcome, SessionOutcome::kSucceeded);
  // An update line cut short is no update.
  EXPECT_TRUE(ParseRunLog("2024/01/02 03:04:05.006   0  更新開始(v1.000) : X.prg(\r\n")[0].updates.empty());
  // A code above 999 widens the prefix.
  EXPECT_EQ(ParseRunLog("2024/01/02 03:04:05.006 1000  自動更新異常終了\r\n")[0].outcome, SessionOutcome::kFailed);

  EXPECT_EQ(RunFolderDate("20240102_030405"), "2024/01/02 03:04:05");
  EXPECT_EQ(RunFolderDate("2024010_2030405"), "");
  EXPECT_EQ(RunFolderDate("Old"), "");
}
