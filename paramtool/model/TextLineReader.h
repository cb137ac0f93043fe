// Reads a file as text-mode lines the way the definition file has always been read: CR LF and LF
// both end a line, Ctrl-Z (0x1A) ends the file, and a line longer than 259 bytes is split, its
// rest coming as the next line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FileSystem.h"

namespace orvex {

class TextLineReader {
 public:
  static constexpr size_t kLineBuffer = 260;  // at most 259 characters (the LF included) per read

  explicit TextLineReader(InputFile& file) : file_(file) {}

  enum Result { kLine, kEnd, kError };
  // The next piece of a line as a C string would hold it: without its line end, and up to a NUL
  // byte if it holds one. *line_number is the physical line it belongs to (a split line gives
  // several pieces with the same number). The view lives until the next call.
  Result Next(std::string_view* line, int* line_number);

  int error() const { return error_; }
  bool StoppedAtEndMark() const { return end_mark_; }

 private:
  int Peek();  // next raw byte, -1 at the end, -2 on a read error
  bool Refill();
  std::string_view AsCString(const char* text, size_t size) const;

  InputFile& file_;
  uint8_t buffer_[65536];
  size_t position_ = 0;
  size_t size_ = 0;
  bool buffer_has_mark_ = false;  // a Ctrl-Z somewhere in the buffer
  bool buffer_has_nul_ = false;
  bool at_end_ = false;
  bool failed_ = false;
  bool end_mark_ = false;
  int error_ = 0;
  int next_line_ = 1;
  char line_[kLineBuffer];
};

}  // namespace orvex
