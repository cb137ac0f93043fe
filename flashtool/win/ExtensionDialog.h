// Dialog 130: the extension of the update files the list shows.
#pragma once

#include <string>

#include "Dialog.h"

namespace orvex::flash {

class ExtensionDialog : public Dialog {
 public:
  explicit ExtensionDialog(std::string extension) : extension_(std::move(extension)) {}
  INT_PTR Run(HWND parent, HINSTANCE instance = nullptr);
  // After OK: the new extension, blanks and the first '.' removed, "prg" when empty.
  const std::string& Extension() const { return extension_; }

 protected:
  bool OnInit() override;
  void OnOk() override;

 private:
  std::string extension_;
};

}  // namespace orvex::flash
