#include "DocumentsFolder.h"

#include <windows.h>
// after windows.h
#include <shlobj.h>

#include "Handles.h"
#include "PathText.h"
#include "Wide.h"

namespace orvex {

std::string DocumentsOrvexFolder() {
  wchar_t documents[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents))) return {};
  return JoinPath(FromWide(documents), "Orvex\\");
}

std::string ProbeDocumentsFolder() {
  std::string folder = DocumentsOrvexFolder();
  if (folder.empty()) return {};
  UniqueFile probe(CreateFileW(ToWide(folder + "__Dummy_File__.$$$").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  // A missing file in an existing folder says the folder is there; a missing path says it is not.
  if (probe.Valid() || GetLastError() == ERROR_FILE_NOT_FOUND) return folder;
  return {};
}

}  // namespace orvex
