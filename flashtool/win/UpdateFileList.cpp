#include "UpdateFileList.h"

#include "Handles.h"
#include "PathText.h"
#include "ProgramHeader.h"
#include "Wide.h"

namespace orvex::flash {

void UpdateFileList::Attach(HWND list, int char_width, bool grid_lines) {
  view_.Attach(list);
  view_.SetExtendedStyle(grid_lines);
  view_.AddColumns(kFileColumns, kFileColumnCount, char_width);
}

bool UpdateFileList::Fill(int device_class) {
  std::string remembered;
  if (int selected = view_.Selected(); selected >= 0) remembered = view_.Cell(selected, 0);
  view_.Clear();

  bool ok = true;
  WIN32_FIND_DATAW found;
  UniqueFind find(FindFirstFileW(ToWide(Pattern()).c_str(), &found));
  if (!find) {
    ok = GetLastError() == ERROR_FILE_NOT_FOUND;
  } else {
    for (;;) {
      // A folder whose name fits the pattern is no update file.
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && !AddFile(found, device_class)) {
        ok = false;
        break;
      }
      if (!FindNextFileW(find.Get(), &found)) {
        ok = GetLastError() == ERROR_NO_MORE_FILES;
        break;
      }
    }
  }
  view_.FitColumns();
  if (!remembered.empty()) {
    int row = view_.FindPrefix(remembered);
    if (row >= 0) {
      view_.SelectOnly(row);
      view_.EnsureVisible(row);
    }
  }
  return ok;
}

bool UpdateFileList::AddFile(const WIN32_FIND_DATAW& found, int device_class) {
  FILETIME local_time;
  SYSTEMTIME t;
  if (!FileTimeToLocalFileTime(&found.ftLastWriteTime, &local_time) || !FileTimeToSystemTime(&local_time, &t))
    return false;
  const std::string name = FromWide(found.cFileName);
  UniqueFile file(CreateFileW(ToWide(JoinPath(folder_, name)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return false;
  uint8_t head[kProgramHeaderSize];
  DWORD got = 0;
  if (!ReadFile(file.Get(), head, sizeof head, &got, nullptr) || got < sizeof head) return false;
  ProgramHeader header;
  ReadProgramHeader(head, sizeof head, &header);
  std::string stored_name;
  if (NeedsStoredName(header.kind)) {
    uint8_t area[kStoredNameArea] = {};  // what the file does not have stays zero
    if (SetFilePointer(file.Get(), static_cast<LONG>(kStoredNameOffset), nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER ||
        !ReadFile(file.Get(), area, sizeof area, &got, nullptr)) {
      return false;
    }
    stored_name = StoredProgramName(area, sizeof area);
  }
  file.Reset();

  if (!FileListed(header, device_class)) return true;
  const uint64_t size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  FileRow row = BuildFileRow(name, header, stored_name, size,
                             {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
  int index = view_.Insert(row.cells[0], static_cast<LPARAM>(row.item_data));
  if (index < 0) return false;
  for (int c = 1; c < kFileColumnCount; ++c) view_.SetCell(index, c, row.cells[c]);
  return true;
}

std::optional<uint32_t> UpdateFileList::SelectOnly(const std::string& name) {
  int row = view_.FindExact(name);
  if (row < 0) return std::nullopt;
  view_.SelectOnly(row);
  view_.EnsureVisible(row);
  return ItemData(row);
}

std::vector<std::vector<std::string>> UpdateFileList::Rows() const {
  std::vector<std::vector<std::string>> rows;
  for (int r = 0; r < view_.Count(); ++r) rows.push_back(view_.Row(r));
  return rows;
}

std::string UpdateFileList::PathOf(int row) const { return JoinPath(folder_, view_.Cell(row, 0)); }

}  // namespace orvex::flash
