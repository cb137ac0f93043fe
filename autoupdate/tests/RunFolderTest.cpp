// Run folder names, the Windows drive they go to, and the install folder from the registry names.
#include <gtest/gtest.h>

#include <set>

#include "InstallFolder.h"
#include "RunFolder.h"

using namespace orvex::autoupdate;

TEST(RunFolder, NamesCarryIntoTheNextSecondMinuteDayAndYear) {
  RunTime t{2024, 1, 2, 3, 4, 5};
  EXPECT_EQ(RunFolderName(t), "20240102_030405");
  // Two starts within one second: the second folder is named a second later.
  EXPECT_EQ(RunFolderName(NextSecond(t)), "20240102_030406");
  EXPECT_EQ(RunFolderName(NextSecond({2024, 1, 2, 3, 4, 59})), "20240102_030500");
  EXPECT_EQ(RunFolderName(NextSecond({2024, 1, 2, 23, 59, 59})), "20240103_000000");
  EXPECT_EQ(RunFolderName(NextSecond({2024, 1, 31, 23, 59, 59})), "20240201_000000");
  EXPECT_EQ(RunFolderName(NextSecond({2024, 2, 28, 23, 59, 59})), "20240229_000000");
  EXPECT_EQ(RunFolderName(NextSecond({2023, 2, 28, 23, 59, 59})), "20230301_000000");
  EXPECT_EQ(RunFolderName(NextSecond({2100, 2, 28, 23, 59, 59})), "21000301_000000");
  EXPECT_EQ(RunFolderName(NextSecond({2024, 12, 31, 23, 59, 59})), "20250101_000000");
}

TEST(RunFolder, WindowsDrive) {
  std::string drive;
  ASSERT_TRUE(WindowsDrive("C:\\windows", &drive));
  EXPECT_EQ(drive, "C:");
  EXPECT_EQ(RunFolderBase(drive, "OrvexRoll"), "C:\\OrvexRoll\\");
  ASSERT_TRUE(WindowsDrive("\\\\srv\\share\\WINDOWS", &drive));
  EXPECT_EQ(drive, "\\\\srv\\share");
  EXPECT_FALSE(WindowsDrive("", &drive));
  EXPECT_FALSE(WindowsDrive("C:\\", &drive));          // ends in '\'
  EXPECT_FALSE(WindowsDrive("windows", &drive));       // no drive
  EXPECT_FALSE(WindowsDrive("\\\\srv\\WINDOWS", &drive));  // no share
  EXPECT_FALSE(WindowsDrive("\\\\\\x\\WINDOWS", &drive));  // no server
}

TEST(InstallFolder, FirstBinFolderHoldingTheParameterTool) {
  std::set<std::string> files = {"C:\\Program Files\\Orvex\\Bin\\OrvexSet.exe", "D:\\Tools\\bin\\OrvexSet.exe"};
  auto holds = [&](const std::string& path) { return files.count(path) > 0; };
  EXPECT_EQ(ChooseInstallFolder({"C:\\Other\\", "C:\\Program Files\\Orvex\\", "C:\\Program Files\\Orvex\\Bin\\"}, holds),
            "C:\\Program Files\\Orvex\\Bin\\");
  // Without the trailing '\', in any case; the first hit wins.
  EXPECT_EQ(ChooseInstallFolder({"D:\\Tools\\bin", "C:\\Program Files\\Orvex\\Bin\\"}, holds), "D:\\Tools\\bin\\");
  // A Bin folder without the tool, and a name whose '\' before Bin is a trail byte ("表" is 0x95 0x5C).
  files.insert("C:\\\x95\x5C" "Bin\\OrvexSet.exe");
  EXPECT_EQ(ChooseInstallFolder({"C:\\Empty\\Bin\\", "C:\\\x95\x5C" "Bin\\"}, holds), "");
}
