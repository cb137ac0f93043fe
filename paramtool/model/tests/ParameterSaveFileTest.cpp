// Parameter save files: the file image, the checks on loading, and saves that must never cost
// the user an earlier good file.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "FileSystem.h"
#include "ParameterSaveFile.h"
#include "ProgramHeader.h"
#include "TestSupport.h"

using namespace orvex;

namespace {

std::unique_ptr<ParameterImage> PatternImage() {
  auto image = std::make_unique<ParameterImage>();
  for (size_t i = 0; i < kParameterImageSize; ++i) image->Bytes()[i] = static_cast<uint8_t>(i * 7 + 3);
  return image;
}

std::string FileImageBytes(const ParameterImage& image, uint8_t class_byte, uint16_t version) {
  auto file = ComposeFileImage(image, class_byte, version);
  return std::string(reinterpret_cast<const char*>(file->bytes), sizeof file->bytes);
}

int LoadBytes(const std::string& bytes, LoadedSaveFile* out) {
  return LoadSaveFileImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out);
}

// Passes everything to the real file system, failing the step it is told to.
class FaultyFileSystem : public FileSystem {
 public:
  enum Fault { kNone, kCreate, kWriteHalf, kClose, kReplace };
  explicit FaultyFileSystem(Fault fault) : fault_(fault) {}

  std::unique_ptr<InputFile> OpenRead(const std::string& path, int* error) override {
    return real_.OpenRead(path, error);
  }
  std::unique_ptr<OutputFile> CreateTemporary(const std::string& target, std::string* temp_path,
                                              int* error) override {
    if (fault_ == kCreate) {
      *error = 112;
      return nullptr;
    }
    auto file = real_.CreateTemporary(target, temp_path, error);
    return file ? std::make_unique<Output>(std::move(file), fault_) : nullptr;
  }
  bool Replace(const std::string& from, const std::string& to, int* error) override {
    if (fault_ == kReplace) {
      *error = 32;
      return false;
    }
    return real_.Replace(from, to, error);
  }
  bool Remove(const std::string& path) override { return real_.Remove(path); }
  bool IsReadOnly(const std::string& path) override { return real_.IsReadOnly(path); }
  int ReadOnlyError() const override { return real_.ReadOnlyError(); }

 private:
  class Output : public OutputFile {
   public:
    Output(std::unique_ptr<OutputFile> file, Fault fault) : file_(std::move(file)), fault_(fault) {}
    bool Write(const void* data, size_t size, int* error) override {
      if (fault_ != kWriteHalf) return file_->Write(data, size, error);
      file_->Write(data, size / 2, error);
      *error = 28;  // the disk is full
      return false;
    }
    bool Close(int* error) override {
      const bool ok = file_->Close(error);
      if (fault_ == kClose) {
        *error = 5;
        return false;
      }
      return ok;
    }

   private:
    std::unique_ptr<OutputFile> file_;
    Fault fault_;
  };

  FileSystem& real_ = PlatformFileSystem();
  Fault fault_;
};

}  // namespace

TEST(ParameterSaveFile, FileImageAndItsChecks) {
  auto image = PatternImage();
  const std::string bytes = FileImageBytes(*image, 3, 0x1234);
  ASSERT_EQ(bytes.size(), 15452u);
  EXPECT_EQ(bytes.substr(0, 6), "KV4100");
  EXPECT_EQ(static_cast<uint8_t>(bytes[6]), 0x91);
  EXPECT_EQ(bytes[7], 3);
  EXPECT_EQ(bytes.substr(10, 4), std::string("\x5C\x3C\x00\x00", 4));
  EXPECT_EQ(bytes.substr(16, 2), "\x34\x12");
  EXPECT_EQ(bytes.substr(18, 14), std::string(14, '\0'));
  EXPECT_EQ(std::memcmp(bytes.data() + 32, image->Bytes(), kParameterImageSize), 0);
  const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data());
  EXPECT_EQ(p[8] | (p[9] << 8), FileChecksum(p, 15452));

  auto loaded = std::make_unique<LoadedSaveFile>();
  ASSERT_EQ(LoadBytes(bytes, loaded.get()), kSaveFileLoaded);
  EXPECT_EQ(loaded->class_byte, 3);
  EXPECT_EQ(loaded->version, 0x1234);
  EXPECT_EQ(std::memcmp(&loaded->image, image.get(), kParameterImageSize), 0);

  // A longer file is read as its first 15452 bytes.
  EXPECT_EQ(LoadBytes(bytes + std::string(100, 'z'), loaded.get()), kSaveFileLoaded);

  std::string bad = bytes;
  bad[5000] ^= 1;
  EXPECT_EQ(LoadBytes(bad, loaded.get()), kSaveFileRefused);
  EXPECT_EQ(LoadBytes(bytes.substr(0, 15451), loaded.get()), kSaveFileRefused);
  EXPECT_TRUE(IsParameterFileImage(p, bytes.size()));
  // A firmware image with a correct checksum is no save file.
  std::string firmware = bytes;
  firmware[6] = 0x00;
  uint16_t sum = FileChecksum(reinterpret_cast<const uint8_t*>(firmware.data()), 15452);
  firmware[8] = static_cast<char>(sum & 0xFF);
  firmware[9] = static_cast<char>(sum >> 8);
  EXPECT_TRUE(CheckParameterToolHeader(reinterpret_cast<const uint8_t*>(firmware.data()), firmware.size()));
  EXPECT_EQ(LoadBytes(firmware, loaded.get()), kSaveFileRefused);
  std::string second_family = bytes;
  second_family.replace(0, 6, "PV4100");
  EXPECT_EQ(LoadBytes(second_family, loaded.get()), kSaveFileRefused);
}

TEST(ParameterSaveFile, WritesAndLoadsFiles) {
  test::TempFolder folder;
  const std::string path = folder.File("MCPARA.prg");
  auto image = PatternImage();
  int error = -1;
  ASSERT_EQ(WriteSaveFile(path, image.get(), 1, 0x1003, &error), kSaveFileWritten);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(test::ReadBytes(path), FileImageBytes(*image, 1, 0x1003));

  // Overwriting replaces the file and leaves nothing else in the folder.
  image->Bytes()[100] ^= 0xFF;
  ASSERT_EQ(WriteSaveFile(path, image.get(), 2, 0x1004, &error), kSaveFileWritten);
  EXPECT_EQ(test::ReadBytes(path), FileImageBytes(*image, 2, 0x1004));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"MCPARA.prg"});

  auto loaded = std::make_unique<LoadedSaveFile>();
  ASSERT_EQ(LoadSaveFile(path, loaded.get(), &error), kSaveFileLoaded);
  EXPECT_EQ(loaded->version, 0x1004);
  EXPECT_EQ(std::memcmp(&loaded->image, image.get(), kParameterImageSize), 0);

  EXPECT_EQ(LoadSaveFile(folder.File("none.prg"), loaded.get(), &error), kSaveFileOpenFailed);
  EXPECT_NE(error, 0);
  test::WriteBytes(folder.File("short.prg"), test::ReadBytes(path).substr(0, 15000));
  EXPECT_EQ(LoadSaveFile(folder.File("short.prg"), loaded.get(), &error), kSaveFileRefused);
  test::WriteBytes(folder.File("long.prg"), test::ReadBytes(path) + "tail");
  EXPECT_EQ(LoadSaveFile(folder.File("long.prg"), loaded.get(), &error), kSaveFileLoaded);

  EXPECT_EQ(WriteSaveFile("", image.get(), 1, 1, &error), kSaveFileInvalidArgument);
  EXPECT_EQ(WriteSaveFile(path, nullptr, 1, 1, &error), kSaveFileInvalidArgument);
}

TEST(ParameterSaveFile, FailedSavesKeepTheEarlierFile) {
  test::TempFolder folder;
  const std::string path = folder.File("MCPARA.prg");
  auto image = PatternImage();
  int error = 0;
  ASSERT_EQ(WriteSaveFile(path, image.get(), 1, 0x1003, &error), kSaveFileWritten);
  const std::string earlier = test::ReadBytes(path);
  image->Bytes()[0] ^= 0xFF;

  const struct {
    FaultyFileSystem::Fault fault;
    int result;
    int error;
  } cases[] = {
      {FaultyFileSystem::kCreate, kSaveFileNotCreated, 112},
      {FaultyFileSystem::kWriteHalf, kSaveFileWriteFailed, 28},
      {FaultyFileSystem::kClose, kSaveFileWriteFailed, 5},
      {FaultyFileSystem::kReplace, kSaveFileNotCreated, 32},
  };
  for (const auto& c : cases) {
    FaultyFileSystem faulty(c.fault);
    EXPECT_EQ(WriteSaveFile(path, image.get(), 1, 0x1003, &error, faulty), c.result) << c.fault;
    EXPECT_EQ(error, c.error) << c.fault;
    EXPECT_EQ(test::ReadBytes(path), earlier) << c.fault;
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"MCPARA.prg"}) << c.fault;
  }

  // A read-only file stays as it is.
  std::filesystem::permissions(path, std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  ASSERT_TRUE(PlatformFileSystem().IsReadOnly(path));
  EXPECT_EQ(WriteSaveFile(path, image.get(), 1, 0x1003, &error), kSaveFileNotCreated);
  EXPECT_EQ(error, PlatformFileSystem().ReadOnlyError());
  EXPECT_EQ(test::ReadBytes(path), earlier);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"MCPARA.prg"});
  // Nor does the file system's replace step take a read-only target.
  const std::string other = folder.File("other.prg");
  test::WriteBytes(other, "x");
  EXPECT_FALSE(PlatformFileSystem().Replace(other, path, &error));
  EXPECT_EQ(test::ReadBytes(path), earlier);
}
