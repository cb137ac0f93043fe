// Files kept in memory for the tests of the unattended runs: a file system for save files and the
// read file mode's file, and the automatic update's copies and attributes, with the failures a
// test asks for. Paths are plain keys (any case is another file).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "AutomaticUpdate.h"
#include "FileSystem.h"

namespace orvex::test {

class MemoryFiles : public FileSystem, public UpdateFiles {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> read_only;
  std::set<std::string> fail_copy_to;     // copies onto these fail with error 5
  std::set<std::string> fail_create_for;  // save files for these targets cannot be created (error 3)
  bool fail_write = false;                // every write stops half way (error 28)

  // FileSystem.
  std::unique_ptr<InputFile> OpenRead(const std::string& path, int* error) override {
    auto it = files.find(path);
    if (it == files.end()) {
      *error = 2;
      return nullptr;
    }
    return std::make_unique<MemoryInputFile>(it->second);
  }
  std::unique_ptr<OutputFile> CreateTemporary(const std::string& target, std::string* temp_path,
                                              int* error) override {
    if (fail_create_for.count(target) != 0) {
      *error = 3;
      return nullptr;
    }
    *temp_path = target + ".tmp";
    files[*temp_path].clear();
    return std::make_unique<Output>(this, *temp_path);
  }
  bool Replace(const std::string& from, const std::string& to, int* error) override {
    if (read_only.count(to) != 0) {
      *error = 5;
      return false;
    }
    files[to] = files[from];
    files.erase(from);
    return true;
  }
  bool Remove(const std::string& path) override { return files.erase(path) != 0; }
  bool IsReadOnly(const std::string& path) override { return read_only.count(path) != 0; }
  int ReadOnlyError() const override { return 5; }

  // UpdateFiles.
  bool Exists(const std::string& path) override { return files.count(path) != 0; }
  std::optional<std::string> ReadSmall(const std::string& path) override {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  void ClearReadOnly(const std::string& path) override { read_only.erase(path); }
  bool Copy(const std::string& from, const std::string& to, uint32_t* error) override {
    auto it = files.find(from);
    if (it == files.end()) {
      *error = 2;
      return false;
    }
    if (fail_copy_to.count(to) != 0 || read_only.count(to) != 0) {
      *error = 5;
      return false;
    }
    files[to] = it->second;
    if (read_only.count(from) != 0) read_only.insert(to);  // a copy keeps the attribute
    return true;
  }
  std::string ErrorText(uint32_t error) override { return "error " + std::to_string(error); }

 private:
  class Output : public OutputFile {
   public:
    Output(MemoryFiles* files, std::string path) : files_(files), path_(std::move(path)) {}
    bool Write(const void* data, size_t size, int* error) override {
      const size_t n = files_->fail_write ? size / 2 : size;
      files_->files[path_].append(static_cast<const char*>(data), n);
      if (n == size) return true;
      *error = 28;
      return false;
    }
    bool Close(int*) override { return true; }

   private:
    MemoryFiles* files_;
    std::string path_;
  };
};

}  // namespace orvex::test
