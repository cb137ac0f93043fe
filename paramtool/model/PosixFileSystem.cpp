// The host's file system: POSIX calls, paths taken as they are.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "FileSystem.h"
#include "Format.h"

namespace orvex {
namespace {

class PosixInputFile : public InputFile {
 public:
  explicit PosixInputFile(int fd) : fd_(fd) {}
  ~PosixInputFile() override { ::close(fd_); }
  bool Read(void* buffer, size_t size, size_t* got, int* error) override {
    for (;;) {
      ssize_t n = ::read(fd_, buffer, size);
      if (n >= 0) {
        *got = static_cast<size_t>(n);
        return true;
      }
      if (errno != EINTR) {
        *got = 0;
        *error = errno;
        return false;
      }
    }
  }

 private:
  int fd_;
};

class PosixOutputFile : public OutputFile {
 public:
  explicit PosixOutputFile(int fd) : fd_(fd) {}
  ~PosixOutputFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Write(const void* data, size_t size, int* error) override {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      ssize_t n = ::write(fd_, p, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        *error = n < 0 ? errno : 0;
        return false;
      }
      p += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }
  bool Close(int* error) override {
    bool ok = ::fsync(fd_) == 0;
    if (!ok) *error = errno;
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && ok) {
      *error = errno;
      ok = false;
    }
    return ok;
  }

 private:
  int fd_;
};

class PosixFileSystem : public FileSystem {
 public:
  std::unique_ptr<InputFile> OpenRead(const std::string& path, int* error) override {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      *error = errno;
      return nullptr;
    }
    return std::make_unique<PosixInputFile>(fd);
  }

  std::unique_ptr<OutputFile> CreateTemporary(const std::string& target, std::string* temp_path,
                                              int* error) override {
    static std::atomic<unsigned> counter{0};
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
      // Hidden, and without the .prg extension, so that no file list ever shows it.
      std::string path = folder + Format(".%s.%d.%u.tmp", name.c_str(), static_cast<int>(::getpid()), counter++);
      int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        *temp_path = path;
        return std::make_unique<PosixOutputFile>(fd);
      }
      if (errno != EEXIST) break;
    }
    *error = errno;
    return nullptr;
  }

  bool Replace(const std::string& from, const std::string& to, int* error) override {
    if (IsReadOnly(to)) {
      *error = ReadOnlyError();
      return false;
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
      *error = errno;
      return false;
    }
    return true;
  }

  bool Remove(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

  int ReadOnlyError() const override { return EACCES; }

  bool IsReadOnly(const std::string& path) override {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  }
};

}  // namespace

FileSystem& PlatformFileSystem() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace orvex
