#include "FileSystem.h"

#include <algorithm>
#include <cstring>

namespace orvex {

bool MemoryInputFile::Read(void* buffer, size_t size, size_t* got, int* error) {
  const size_t n = std::min(size, bytes_.size() - position_);
  if (n > 0) std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  *got = n;
  *error = 0;
  return true;
}

ReplaceWriteResult WriteReplacing(FileSystem& file_system, const std::string& path, const void* data,
                                  size_t size, int* error) {
  if (file_system.IsReadOnly(path)) {
    *error = file_system.ReadOnlyError();
    return ReplaceWriteResult::kNotCreated;
  }
  std::string temp_path;
  std::unique_ptr<OutputFile> out = file_system.CreateTemporary(path, &temp_path, error);
  if (!out) return ReplaceWriteResult::kNotCreated;
  const bool written = out->Write(data, size, error) && out->Close(error);
  out.reset();
  if (!written) {
    file_system.Remove(temp_path);
    return ReplaceWriteResult::kWriteFailed;
  }
  if (!file_system.Replace(temp_path, path, error)) {
    file_system.Remove(temp_path);
    return ReplaceWriteResult::kNotCreated;
  }
  return ReplaceWriteResult::kWritten;
}

}  // namespace orvex
