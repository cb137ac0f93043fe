// The update file list (control 2006): the .prg files of one folder with what their headers
// say, filtered by the device class.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "FileListRules.h"
#include "ListView.h"

namespace orvex::flash {

class UpdateFileList {
 public:
  void Attach(HWND list, int char_width, bool grid_lines);

  const std::string& Folder() const { return folder_; }
  const std::string& Extension() const { return extension_; }
  void SetFolder(std::string folder) { folder_ = std::move(folder); }
  void SetExtension(std::string extension) { extension_ = std::move(extension); }
  // What the folder field shows.
  std::string Pattern() const { return SearchPattern(folder_, extension_); }

  // Lists the folder's files that fit `device_class` and selects the file that was selected
  // before (or the first whose name begins with its name). False when the search failed; the
  // rows found until then stay.
  bool Fill(int device_class);

  // Selects only the row of this file name; its item data, or nothing.
  std::optional<uint32_t> SelectOnly(const std::string& name);
  int Selected() const { return view_.Selected(); }
  std::vector<std::string> Row(int row) const { return view_.Row(row); }
  uint32_t ItemData(int row) const { return static_cast<uint32_t>(view_.Data(row)); }
  std::vector<std::vector<std::string>> Rows() const;
  // The full path of a row's file.
  std::string PathOf(int row) const;
  ListView& View() { return view_; }

 private:
  // One file into the list; false when it cannot be read as the list needs.
  bool AddFile(const WIN32_FIND_DATAW& found, int device_class);

  ListView view_;
  std::string folder_;
  std::string extension_ = kDefaultExtension;
};

}  // namespace orvex::flash
