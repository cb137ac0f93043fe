// The .prg header, its checksum and the texts the lists show.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ProgramHeader.h"

using namespace orvex;

namespace {
std::vector<uint8_t> MakeFile(const char* magic, uint8_t kind, size_t size) {
  std::vector<uint8_t> f(size, 0);
  std::memcpy(f.data(), magic, 6);
  f[6] = kind;
  for (size_t i = 32; i < size; ++i) f[i] = static_cast<uint8_t>(i * 7);
  f[10] = static_cast<uint8_t>(size);
  f[11] = static_cast<uint8_t>(size >> 8);
  f[12] = static_cast<uint8_t>(size >> 16);
  uint16_t sum = FileChecksum(f.data(), size);
  f[8] = static_cast<uint8_t>(sum);
  f[9] = static_cast<uint8_t>(sum >> 8);
  return f;
}
}  // namespace

TEST(ProgramChecksum, SumsLittleEndianWordsAndALoneByte) {
  const uint8_t abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(ProgramChecksum(abc, 3), 0x9D3B);
  EXPECT_EQ(ProgramChecksum(abc, 0), 0xFFFF);
  // Valid size 11 covers offset 10 alone.
  std::vector<uint8_t> f(32, 0);
  f[10] = 11;
  EXPECT_EQ(FileChecksum(f.data(), 11), static_cast<uint16_t>(~11u));
  // No end-around carry: 0xFFFF + 0x0001 sums to 0x10000, whose complement's low half is 0xFFFF.
  const uint8_t carry[] = {0xFF, 0xFF, 0x01, 0x00};
  EXPECT_EQ(ProgramChecksum(carry, 4), 0xFFFF);
}

TEST(ProgramHeader, ParameterToolCheck) {
  auto good = MakeFile("KV4100", 0x91, 100);
  EXPECT_TRUE(CheckParameterToolHeader(good.data(), good.size()));
  // Fewer than 32 bytes fail before the magic is looked at.
  EXPECT_FALSE(CheckParameterToolHeader(good.data(), 31));
  EXPECT_FALSE(CheckParameterToolHeader(nullptr, 100));
  auto pv = MakeFile("PV4100", 0x91, 100);
  EXPECT_FALSE(CheckParameterToolHeader(pv.data(), pv.size()));
  // A valid size beyond the bytes read fails even though the checksum is right for it.
  EXPECT_FALSE(CheckParameterToolHeader(good.data(), 99));
  auto bad = good;
  bad[50] ^= 1;
  EXPECT_FALSE(CheckParameterToolHeader(bad.data(), bad.size()));
  // Bytes past the valid size do not count.
  auto longer = good;
  longer.push_back(0x55);
  EXPECT_TRUE(CheckParameterToolHeader(longer.data(), longer.size()));
}

TEST(ProgramHeader, ReadWriteRoundTripAndParameterFile) {
  std::vector<uint8_t> body(kParameterImageSize);
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i ^ (i >> 8));
  std::vector<uint8_t> file(kParameterFileSize);
  WriteParameterFileImage(body.data(), 7, 0x0105, file.data());
  EXPECT_TRUE(CheckParameterToolHeader(file.data(), file.size()));
  ProgramHeader h;
  ASSERT_TRUE(ReadProgramHeader(file.data(), file.size(), &h));
  EXPECT_TRUE(h.HasMagic("KV4100"));
  EXPECT_EQ(h.kind, 0x91);
  EXPECT_EQ(h.subkind, 7);
  EXPECT_EQ(h.valid_size, 15452u);
  EXPECT_EQ(h.version(), 0x0105);
  EXPECT_EQ(file[13], 0);
  uint8_t again[32];
  WriteProgramHeader(h, again);
  EXPECT_EQ(std::memcmp(again, file.data(), 32), 0);
  EXPECT_FALSE(ReadProgramHeader(file.data(), 31, &h));
}

TEST(ProgramHeader, Texts) {
  EXPECT_EQ(VersionWordText(0xF123), "15.123");
  EXPECT_EQ(VersionWordText(0x1025), "1.025");
  EXPECT_EQ(VersionWordText(0x0000), "0.000");
  const uint16_t ext[8] = {0x1025, 1, 2, 0xABCD, 0, 0, 0, 0xFFFF};
  EXPECT_EQ(ExtendedInfoText(ext), "1025 0001 0002 ABCD  0000 0000 0000 FFFF");
  EXPECT_EQ(ProgramKindText(0x00, 0x00, ""), "MC-CPU (00)");
  EXPECT_EQ(ProgramKindText(0x10, 0x32, ""), "INS64ST/U-CPU (32)");
  EXPECT_EQ(ProgramKindText(0x10, 0x22, ""), "unknown(10,22)");
  EXPECT_EQ(ProgramKindText(0x20, 0x41, ""), "PV-DSP (41)");
  EXPECT_EQ(ProgramKindText(0x91, 0x07, ""), "MCﾊﾟﾗﾒｰﾀ (07)");
  EXPECT_EQ(ProgramKindText(0x35, 0x02, "AB"), "AB (02)");
  EXPECT_EQ(ProgramKindText(0x47, 0x06, ""), "unknown(47,06)");
  const uint8_t area[] = {'A', 'B', 0xEE, 0xEE, 'C', 0, 'x', 'x'};
  EXPECT_EQ(StoredProgramName(area, sizeof area), "ABC");
  uint8_t long_area[42];
  std::memset(long_area, 'N', sizeof long_area);
  EXPECT_EQ(StoredProgramName(long_area, sizeof long_area).size(), 18u);
}

TEST(ProgramHeader, TargetCodes) {
  const uint8_t subs[] = {0x00, 0x30, 0x31, 0x20, 0x21, 0x32, 0x33};
  const uint8_t codes[] = {0, 1, 2, 3, 4, 7, 8};
  for (size_t i = 0; i < sizeof subs; ++i) EXPECT_EQ(ProgramTargetCode(0x10, subs[i]), codes[i]);
  EXPECT_EQ(ProgramTargetCode(0x20, 0x40), 5);
  EXPECT_EQ(ProgramTargetCode(0x20, 0x41), 6);
  EXPECT_EQ(ProgramTargetCode(0x10, 0x22), 0x22);
  EXPECT_EQ(ProgramTargetCode(0x00, 0x09), 0x09);
}
