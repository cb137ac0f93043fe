// The report buffer's layout, the parent's report handler and the log entries it writes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ChildResult.h"
#include "LogEntry.h"
#include "ReportBuffer.h"

using namespace orvex::autoupdate;

namespace {

struct Log : LogSink {
  std::vector<std::string> entries;
  void AddEntry(std::string_view text, uint32_t code, bool time_stamp) override {
    entries.push_back(std::to_string(code) + (time_stamp ? "T " : "  ") + std::string(text));
  }
};

std::string Digits(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>('0' + i % 10);
  return s;
}

}  // namespace

TEST(ReportBuffer, TextLimitsAndResumeValue) {
  std::vector<uint8_t> buffer(kReportBufferSize, 0xAA);
  ASSERT_TRUE(PutResumeValue(buffer.data(), buffer.size(), 0x00030005));
  // OrvexFlash: at most size - 5 characters, the resume value stays intact.
  EXPECT_EQ(PutReportText(buffer.data(), buffer.size(), ChildTool::kVersionUpdateTool, Digits(1500)), 1019u);
  EXPECT_EQ(buffer[1019], 0);
  EXPECT_EQ(GetReportText(buffer.data(), buffer.size()), Digits(1019));
  EXPECT_EQ(GetResumeValue(buffer.data(), buffer.size()), 0x00030005u);
  EXPECT_EQ(buffer[kResumeValueOffset], 0x05);  // little-endian at 1020
  EXPECT_EQ(buffer[kResumeValueOffset + 2], 0x03);
  // OrvexSet: at most size - 1 characters.
  EXPECT_EQ(PutReportText(buffer.data(), buffer.size(), ChildTool::kParameterTool, Digits(1500)), 1023u);
  EXPECT_EQ(buffer[1023], 0);
  // A double-byte character is never cut in half; a NUL in the text ends it; empty is one NUL.
  std::string text = Digits(1018) + "表";
  EXPECT_EQ(PutReportText(buffer.data(), buffer.size(), ChildTool::kVersionUpdateTool, text), 1018u);
  EXPECT_EQ(PutReportText(buffer.data(), buffer.size(), ChildTool::kParameterTool, std::string("ab\0cd", 5)), 2u);
  EXPECT_EQ(GetReportText(buffer.data(), buffer.size()), "ab");
  EXPECT_EQ(PutReportText(buffer.data(), buffer.size(), ChildTool::kParameterTool, ""), 0u);
  EXPECT_EQ(buffer[0], 0);
  // The parent clears the first two bytes before each child.
  std::memset(buffer.data(), 'x', 8);
  ClearReportText(buffer.data(), buffer.size());
  EXPECT_EQ(GetReportText(buffer.data(), buffer.size()), "");
  EXPECT_EQ(buffer[2], 'x');
}

TEST(ReportBuffer, SizesFromTheCommandLineNeverOverrun) {
  // The size comes from the child's command line: tiny or zero sizes must not write outside.
  for (size_t size : {0u, 1u, 3u, 4u, 5u, 6u}) {
    std::vector<uint8_t> buffer(size + 1, 0xEE);  // one guard byte
    PutReportText(buffer.data(), size, ChildTool::kVersionUpdateTool, "abcdef");
    PutResumeValue(buffer.data(), size, 0x01020304);
    PutReportText(buffer.data(), size, ChildTool::kParameterTool, "abcdef");
    EXPECT_EQ(buffer[size], 0xEE) << size;
    EXPECT_LE(GetReportText(buffer.data(), size).size(), size);
  }
  std::vector<uint8_t> five(5, 0);
  EXPECT_EQ(PutReportText(five.data(), five.size(), ChildTool::kVersionUpdateTool, "abc"), 0u);
  EXPECT_EQ(PutReportText(five.data(), five.size(), ChildTool::kParameterTool, "abcdef"), 4u);
  // Without a NUL the parent reads the buffer and no further.
  std::vector<uint8_t> full(8, 'z');
  EXPECT_EQ(GetReportText(full.data(), full.size()), "zzzzzzzz");
  EXPECT_EQ(TestFailureText(7), "デバッグ自動更新失敗終了(7)");
}

TEST(ChildResult, ReportHandlerKeepsLastCodeValueAndReason) {
  ChildResult result;
  Log log;
  HandleChildReport(0, -1, "パラメータ読込開始", &result, &log);
  EXPECT_EQ(result.code, 0);  // progress lines only go to the log
  HandleChildReport(256, 5, "デバイス接続待機時間オーバー(60秒)", &result, &log);
  EXPECT_EQ(result.code, 256);
  EXPECT_EQ(result.value, 5);
  EXPECT_EQ(result.failure_reason, "デバイス接続待機時間オーバー(60秒)");
  HandleChildReport(0, 9, "", &result, &log);
  EXPECT_EQ(result.value, 5);
  HandleChildReport(1, 3, "自動更新成功 Cnt = 3", &result, &log);
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.value, 3);
  EXPECT_EQ(result.failure_reason, "デバイス接続待機時間オーバー(60秒)");  // success keeps it
  HandleChildReport(2, -2, "", &result, &log);
  EXPECT_EQ(result.failure_reason, "");  // an empty failure text clears it
  EXPECT_EQ(log.entries, (std::vector<std::string>{"0T パラメータ読込開始", "256T デバイス接続待機時間オーバー(60秒)",
                                                    "0T ", "1T 自動更新成功 Cnt = 3", "2T "}));
  // A child killed before any report: the code is 0 (failure), the reason stays.
  result.failure_reason = "前回";
  result.ResetCode();
  EXPECT_EQ(result.code, 0);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(result.failure_reason, "前回");
}

TEST(LogEntry, PrefixesAndLineSplitting) {
  LogTime t{2024, 1, 2, 3, 4, 5, 6};
  EXPECT_EQ(LogTimePrefix(t, 0), "2024/01/02 03:04:05.006   0  ");
  EXPECT_EQ(LogTimePrefix(t, 0).size(), kLogPrefixWidth);
  EXPECT_EQ(LogTimePrefix(t, 256), "2024/01/02 03:04:05.006 256  ");
  EXPECT_EQ(LogTimePrefix(t, 1000).size(), kLogPrefixWidth + 1);  // wider code, wider prefix

  const std::string stamp = LogTimePrefix(t, 2);
  const std::string blank(kLogPrefixWidth, ' ');
  using Items = std::vector<std::string>;
  EXPECT_EQ(LogEntryItems("a\n\nb", 2, &t), (Items{stamp + "a", blank + "b"}));
  EXPECT_EQ(LogEntryItems("a\r\nb\r\n", 2, &t), (Items{stamp + "a", blank + "b"}));
  EXPECT_EQ(LogEntryItems("a\r\rb", 2, &t), (Items{stamp + "a", blank + "b"}));  // lone CR without LF
  EXPECT_EQ(LogEntryItems("a\rb\nc", 2, &t), (Items{stamp + "a\rb", blank + "c"}));  // CR stays when LF exists
  EXPECT_EQ(LogEntryItems("\nx", 2, &t), (Items{stamp, blank + "x"}));
  EXPECT_EQ(LogEntryItems("", 2, &t), Items{stamp});
  EXPECT_EQ(LogEntryItems("", 2, nullptr), Items{blank});
  EXPECT_EQ(LogEntryItems("'C:\\x'\nline", 0, nullptr), (Items{blank + "'C:\\x'", blank + "line"}));
}

TEST(LogEntry, CopyAllAndFileTexts) {
  std::vector<std::string> items = {"one", "", "三"};
  EXPECT_EQ(CopyAllText(items), "one\r\n\r\n三\r\n");
  EXPECT_EQ(CopyAllSize(items), CopyAllText(items).size() + 1);
  EXPECT_EQ(CopyAllText({}), "");
  EXPECT_EQ(CopyAllSize({}), 1u);
  EXPECT_EQ(LogFilePath("C:\\OrvexRoll\\20240102_030405\\", "OrvexRoll"),
            "C:\\OrvexRoll\\20240102_030405\\OrvexRoll.log");
}

TEST(LogJournal, WritesEachLineOnceAndTheWholeLogIntoANewFile) {
  const std::string fresh = "C:\\OrvexRoll\\20240102_030405\\OrvexRoll.log";
  const std::string failed = "C:\\OrvexRoll\\20231231_235959\\OrvexRoll.log";
  LogJournal journal;
  EXPECT_EQ(journal.From(fresh), 0u);
  journal.Written(fresh, 3);
  EXPECT_EQ(journal.From(fresh), 3u);
  journal.Written(fresh, 5);
  EXPECT_EQ(journal.From(fresh), 5u);
  // The repair run's folder: its log gets every line of this run after the failed run's.
  EXPECT_EQ(journal.From(failed), 0u);
  journal.Written(failed, 6);
  EXPECT_EQ(journal.From(failed), 6u);
  EXPECT_EQ(journal.From(fresh), 0u);
}
