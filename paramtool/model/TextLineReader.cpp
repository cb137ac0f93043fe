#include "TextLineReader.h"

#include <algorithm>
#include <cstring>

namespace orvex {

bool TextLineReader::Refill() {
  if (at_end_ || failed_) return false;
  size_t got = 0;
  if (!file_.Read(buffer_, sizeof buffer_, &got, &error_)) {
    failed_ = true;
    return false;
  }
  position_ = 0;
  size_ = got;
  if (got == 0) at_end_ = true;
  buffer_has_mark_ = std::memchr(buffer_, 0x1A, got) != nullptr;
  buffer_has_nul_ = std::memchr(buffer_, 0, got) != nullptr;
  return got > 0;
}

int TextLineReader::Peek() {
  if (position_ >= size_ && !Refill()) return failed_ ? -2 : -1;
  return buffer_[position_];
}

std::string_view TextLineReader::AsCString(const char* text, size_t size) const {
  // Most buffers hold no NUL at all.
  if (buffer_has_nul_) {
    if (const void* nul = std::memchr(text, 0, size)) size = static_cast<size_t>(static_cast<const char*>(nul) - text);
  }
  return std::string_view(text, size);
}

TextLineReader::Result TextLineReader::Next(std::string_view* line, int* line_number) {
  *line_number = next_line_;

  // Most lines lie whole in the buffer: hand them out where they are.
  if (position_ < size_ && !buffer_has_mark_) {
    const char* from = reinterpret_cast<const char*>(buffer_ + position_);
    const size_t span = std::min(size_ - position_, kLineBuffer);
    if (const void* lf = std::memchr(from, '\n', span)) {
      size_t length = static_cast<size_t>(static_cast<const char*>(lf) - from);
      const bool crlf = length > 0 && from[length - 1] == '\r';
      if (length + 1 - (crlf ? 1 : 0) <= kLineBuffer - 1) {
        position_ += length + 1;
        ++next_line_;
        *line = AsCString(from, crlf ? length - 1 : length);
        return kLine;
      }
    }
  }

  // Byte by byte: long lines, lines across a refill, an end mark.
  size_t n = 0;
  bool ended = false;
  while (n < kLineBuffer - 1) {
    int c = Peek();
    if (c == -2) return kError;
    if (c == -1) {
      at_end_ = true;
      break;
    }
    if (c == 0x1A) {
      end_mark_ = true;
      at_end_ = true;
      size_ = position_;  // nothing after the mark is read
      break;
    }
    ++position_;
    if (c == '\r') {
      const int next = Peek();
      if (next == -2) return kError;
      if (next == '\n') {
        ++position_;
        c = '\n';
      }
    }
    if (c == '\n') {
      ended = true;
      break;
    }
    line_[n++] = static_cast<char>(c);
  }
  if (n == 0 && !ended && at_end_) return kEnd;
  if (ended) ++next_line_;
  // This line may have come from more than one buffer: look for a NUL in all of it.
  const void* nul = std::memchr(line_, 0, n);
  *line = std::string_view(line_, nul ? static_cast<size_t>(static_cast<const char*>(nul) - line_) : n);
  return kLine;
}

}  // namespace orvex
