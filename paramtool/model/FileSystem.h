// The few file operations the parameter model needs. The platform's own implementation works
// with code page 932 paths (the W functions on Windows); tests put faults in between.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace orvex {

class InputFile {
 public:
  virtual ~InputFile() = default;
  // Reads up to size bytes; *got is 0 at the end of the file. False (with the system error code,
  // 0 when there is none) on a read error.
  virtual bool Read(void* buffer, size_t size, size_t* got, int* error) = 0;
};

class OutputFile {
 public:
  virtual ~OutputFile() = default;  // closes without reporting when Close was not called
  // Writes all bytes or fails (fewer bytes written is a failure, error 0 when there is no code).
  virtual bool Write(const void* data, size_t size, int* error) = 0;
  // Puts the data on the disk and closes.
  virtual bool Close(int* error) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing file for reading (shared reading); nullptr and *error on failure.
  virtual std::unique_ptr<InputFile> OpenRead(const std::string& path, int* error) = 0;
  // Creates a new, empty file in the folder of `target`, not shared; its name goes to *temp_path.
  virtual std::unique_ptr<OutputFile> CreateTemporary(const std::string& target, std::string* temp_path,
                                                      int* error) = 0;
  // Puts `from` in the place of `to`, replacing an existing file (never a read-only one).
  virtual bool Replace(const std::string& from, const std::string& to, int* error) = 0;
  virtual bool Remove(const std::string& path) = 0;
  // True when the file exists and carries the read-only attribute (no write permission).
  virtual bool IsReadOnly(const std::string& path) = 0;
  // The system's code for a write refused by the read-only attribute.
  virtual int ReadOnlyError() const = 0;
};

// The real file system of the platform.
FileSystem& PlatformFileSystem();

// Writes the bytes into a new file beside `path`, which replaces the file only once they are all
// written and on the disk: a failure leaves an earlier file as it was and no partial file behind.
// A read-only target is never replaced. *error gets the system's code of a failure.
enum class ReplaceWriteResult { kWritten, kNotCreated, kWriteFailed };
ReplaceWriteResult WriteReplacing(FileSystem& file_system, const std::string& path, const void* data,
                                  size_t size, int* error);

// Reads from bytes held in memory (which must outlive it).
class MemoryInputFile : public InputFile {
 public:
  explicit MemoryInputFile(std::string_view bytes) : bytes_(bytes) {}
  bool Read(void* buffer, size_t size, size_t* got, int* error) override;

 private:
  std::string_view bytes_;
  size_t position_ = 0;
};

}  // namespace orvex
