// A program's help file (OrvexSet.chm, OrvexFlash.chm beside the program), shown by the HTML help
// viewer that is loaded only when help is asked for. Every dialog's F1 comes here with its
// template id, and the viewer opens that window's page.
#pragma once

#include <windows.h>

#include <string>

#include "HelpTopics.h"

namespace orvex {

class HelpFile {
 public:
  // `missing_text` is the whole message shown when the file cannot be shown.
  HelpFile(std::string path, HelpBook book, std::string missing_text)
      : path_(std::move(path)), book_(book), missing_text_(std::move(missing_text)) {}
  ~HelpFile();
  HelpFile(const HelpFile&) = delete;
  HelpFile& operator=(const HelpFile&) = delete;

  // Shows the page of the window made from `dialog_id`; when the file is missing or cannot be
  // shown the user is told so with its path.
  void Show(HWND owner, int dialog_id);
  // From now on F1 in any dialog of this program opens its page here (Dialog::SetHelpRequest).
  void ServeDialogs();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  HelpBook book_;
  std::string missing_text_;
  HMODULE viewer_ = nullptr;
};

}  // namespace orvex
