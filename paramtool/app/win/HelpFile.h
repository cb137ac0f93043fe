// OrvexSet's help file, OrvexSet.chm beside the program, shown by the HTML help viewer that is
// loaded only when help is asked for.
#pragma once

#include <windows.h>

#include <string>

namespace orvex {

class HelpFile {
 public:
  explicit HelpFile(std::string path) : path_(std::move(path)) {}
  ~HelpFile();
  HelpFile(const HelpFile&) = delete;
  HelpFile& operator=(const HelpFile&) = delete;

  // Shows the help file's default topic; when the file is missing or cannot be shown the user
  // is told so with its path.
  void Show(HWND owner);
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  HMODULE viewer_ = nullptr;
};

}  // namespace orvex
