// The update file list: which files the device class lets through, the row texts, the folder and
// extension the list searches.
#include <gtest/gtest.h>

#include <cstring>

#include "FileListRules.h"

using namespace orvex;
using namespace orvex::flash;

namespace {

ProgramHeader Header(const char* magic, uint8_t kind, uint8_t sub = 0, uint16_t version = 0x1000) {
  ProgramHeader h;
  std::memcpy(h.magic, magic, 6);
  h.kind = kind;
  h.subkind = sub;
  h.extended[0] = version;
  return h;
}

int ManualClass(uint16_t v, bool filter = true) {
  DeviceClassInput in;
  in.attached = true;
  in.main_word = v;
  in.filter_on = filter;
  return DeviceClass(in);
}

int AutoClass(uint16_t v, int32_t first_stage = 1, bool started = false) {
  DeviceClassInput in;
  in.attached = true;
  in.main_word = v;
  in.automatic = true;
  in.filter_on = false;  // the automatic mode filters whatever the flag says
  in.first_stage = first_stage;
  in.stage_started = started;
  return DeviceClass(in);
}

}  // namespace

TEST(FileList, DeviceClassFromTheMainBoardWordInManualMode) {
  EXPECT_EQ(ManualClass(0x0000), 1);
  EXPECT_EQ(ManualClass(0x1FFF), 1);
  EXPECT_EQ(ManualClass(0x2000), 2);
  EXPECT_EQ(ManualClass(0x7FFF), 2);
  EXPECT_EQ(ManualClass(0x8000), 0);
  EXPECT_EQ(ManualClass(0xDFFF), 0);
  EXPECT_EQ(ManualClass(0xE000), 1);
  EXPECT_EQ(ManualClass(0xEFFF), 1);
  EXPECT_EQ(ManualClass(0xF000), 0);
  // Filter off, or no device: every file counts.
  EXPECT_EQ(ManualClass(0x1234, false), 0);
  DeviceClassInput detached;
  detached.main_word = 0x1234;
  EXPECT_EQ(DeviceClass(detached), 0);
}

TEST(FileList, DeviceClassFromTheMainBoardWordInAutomaticMode) {
  EXPECT_EQ(AutoClass(0x0123), 1);  // generation 0 counts as 1
  EXPECT_EQ(AutoClass(0x1234), 1);
  EXPECT_EQ(AutoClass(0x2010), 2);
  EXPECT_EQ(AutoClass(0x7FFF), 7);
  EXPECT_EQ(AutoClass(0x8000), -1);
  EXPECT_EQ(AutoClass(0xE123), -1);
  // A repair run lists everything until its first stage is set.
  EXPECT_EQ(AutoClass(0x2010, 3, false), 0);
  EXPECT_EQ(AutoClass(0x2010, 3, true), 2);
  EXPECT_EQ(AutoClass(0x2010, -4, true), 2);
}

TEST(FileList, FilesOfTheOtherFamilyAndOtherGenerationsAreHidden) {
  const int device_class = ManualClass(0x1234);
  ASSERT_EQ(device_class, 1);
  EXPECT_FALSE(FileListed(Header(kMagicSecond, 0x20, 0x40), device_class));
  EXPECT_TRUE(FileListed(Header(kMagicSecond, 0x20, 0x40), ManualClass(0x1234, false)));
  EXPECT_TRUE(FileListed(Header(kMagicSecond, 0x20, 0x40), 2));
  EXPECT_FALSE(FileListed(Header(kMagicSecond, 0x20, 0x40), -1));

  // Main-controller programs of the first family only for classes 0 and 1.
  for (uint8_t kind : {0x00, 0x01}) {
    EXPECT_TRUE(FileListed(Header(kMagicMain, kind), 0));
    EXPECT_TRUE(FileListed(Header(kMagicMain, kind), 1));
    EXPECT_FALSE(FileListed(Header(kMagicMain, kind), 2));
    EXPECT_FALSE(FileListed(Header(kMagicMain, kind), -1));
  }
  EXPECT_TRUE(FileListed(Header(kMagicMain, 0x02), 2));
  EXPECT_TRUE(FileListed(Header(kMagicMain, 0x91), -1));

  // Never listed: kind 0x99, kind 0x47 with sub-kind 6, any other magic.
  EXPECT_FALSE(FileListed(Header(kMagicMain, 0x99), 0));
  EXPECT_FALSE(FileListed(Header(kMagicMain, 0x47, 6), 0));
  EXPECT_TRUE(FileListed(Header(kMagicMain, 0x47, 5), 0));
  EXPECT_FALSE(FileListed(Header("KV4101", 0x10), 0));
}

TEST(FileList, RowTexts) {
  ProgramHeader h = Header(kMagicMain, 0x10, 0x22, 0x1025);
  h.valid_size = 1234567;
  for (int i = 1; i < 8; ++i) h.extended[i] = static_cast<uint16_t>(0x1111 * i);
  FileRow row = BuildFileRow("INS.prg", h, "", 12345678, {2024, 3, 7, 9, 5, 0});
  EXPECT_EQ(row.cells[0], "INS.prg");
  EXPECT_EQ(row.cells[1], "unknown(10,22)");
  EXPECT_EQ(row.cells[2], "1.025");
  EXPECT_EQ(row.cells[3], "12,345,678 (1,234,567)");
  EXPECT_EQ(row.cells[4], "2024/03/07 09:05:00");
  EXPECT_EQ(row.cells[5], "1025 1111 2222 3333  4444 5555 6666 7777");
  EXPECT_EQ(row.item_data, 0x10252210u);
  EXPECT_EQ(ItemKind(row.item_data), 0x10);
  EXPECT_EQ(ItemSubKind(row.item_data), 0x22);
  EXPECT_EQ(ItemVersion(row.item_data), 0x1025);

  // The valid size is right-aligned in nine places.
  h.valid_size = 33;
  EXPECT_EQ(BuildFileRow("a", h, "", 34, {}).cells[3], "34 (       33)");

  // Kind 0x35 shows the name stored from offset 48: two bytes of every four.
  const uint8_t area[kStoredNameArea] = {'A', 'B', 0xEE, 0xEE, 0, 0, 'x', 'x'};
  ProgramHeader named = Header(kMagicMain, 0x35, 0x02);
  EXPECT_EQ(BuildFileRow("N.prg", named, StoredProgramName(area, sizeof area), 64, {}).cells[1], "AB (02)");
  EXPECT_EQ(BuildFileRow("P.prg", Header(kMagicSecond, 0x20, 0x41), "", 64, {}).cells[1], "PV-DSP (41)");
  EXPECT_EQ(BuildFileRow("M.prg", Header(kMagicMain, 0x91, 0x03), "", 64, {}).cells[1], "MCﾊﾟﾗﾒｰﾀ (03)");
}

TEST(FileList, SearchPatternAndExtension) {
  EXPECT_EQ(SearchPattern("C:\\pkg", "prg"), "C:\\pkg\\*.prg");
  EXPECT_EQ(SearchPattern("C:\\pkg\\", "bin"), "C:\\pkg\\*.bin");
  // "表" ends in 0x5C: still a folder without its backslash.
  EXPECT_EQ(SearchPattern("C:\\\x95\x5C", "prg"), "C:\\\x95\x5C\\*.prg");

  EXPECT_EQ(NormalizeExtension("  .bin "), "bin");
  EXPECT_EQ(NormalizeExtension("tar.gz"), "targz");
  EXPECT_EQ(NormalizeExtension(" . "), "prg");
  EXPECT_EQ(NormalizeExtension(""), "prg");
}

TEST(FileList, HandedOverPathsTakenApart) {
  SplitPath p = SplitFilePath("C:\\up\\A.bin");
  EXPECT_EQ(p.folder, "C:\\up\\");
  EXPECT_EQ(p.name, "A.bin");
  EXPECT_EQ(p.extension, "bin");
  p = SplitFilePath("MC.v2.prg");
  EXPECT_EQ(p.folder, "");
  EXPECT_EQ(p.extension, "prg");
  p = SplitFilePath("C:\\a.b\\NOEXT");
  EXPECT_EQ(p.name, "NOEXT");
  EXPECT_EQ(p.extension, "");
  // A trail byte 0x5C inside a name is not a separator.
  p = SplitFilePath("C:\\x\\\x95\x5C.prg");
  EXPECT_EQ(p.folder, "C:\\x\\");
  EXPECT_EQ(p.name, "\x95\x5C.prg");

  EXPECT_TRUE(SameFolder("C:\\Pkg\\", "c:\\pkg"));
  EXPECT_FALSE(SameFolder("C:\\pkg2", "C:\\pkg"));
}
