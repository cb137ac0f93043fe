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

}  // namespace orvex
