#include "HandoffFile.h"

#include <new>

#include "Cp932Text.h"
#include "Format.h"
#include "ModelNumber.h"
#include "NumberText.h"
#include "PathText.h"
#include "SystemErrorCodes.h"

namespace orvex::autoupdate {

namespace {

// Control characters are no part of a path; a Ctrl-Z would even end the child's reading.
bool HasControl(std::string_view line) {
  for (char c : line) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
  }
  return false;
}

// Collects the lines of a file and refuses one the child could not read back as it was written.
class LineWriter {
 public:
  explicit LineWriter(size_t child_buffer) : max_line_(child_buffer - 3) {}  // text + CR LF + NUL

  void Add(std::string_view line) {
    if (result_.refusal_error == 0) {
      if (line.size() > max_line_) {
        Refuse(kErrorFilenameTooLong, line);
      } else if (FindChar(line, ';') != kNotFound || HasControl(line)) {
        Refuse(kErrorInvalidName, line);
      }
    }
    result_.text.append(line);
    result_.text += "\r\n";
  }

  HandoffText Finish(int count) {
    if (result_.refusal_error != 0) {
      result_.text.clear();
      result_.count = -1;
    } else {
      result_.count = count;
    }
    return std::move(result_);
  }

 private:
  void Refuse(uint32_t error, std::string_view line) {
    result_.refusal_error = error;
    result_.refused_line = std::string(line);
  }

  size_t max_line_;
  HandoffText result_;
};

void AddCommonLines(LineWriter& w, const std::string& numbers, const HandoffFolders& folders) {
  w.Add(Format("%d", folders.model));
  w.Add(numbers);
  w.Add(folders.install_folder + "|" + folders.documents_folder);
  w.Add(folders.run_folder);
}

int AddFileLines(LineWriter& w, const std::vector<std::string>& files) {
  int count = 0;
  for (const std::string& file : files) {
    if (file.empty()) continue;
    w.Add(file);
    ++count;
  }
  return count;
}

std::string WithBackslash(std::string_view folder) {
  std::string out(folder);
  if (!EndsWithBackslash(out)) out += '\\';
  return out;
}

// Like the decimal conversion, but wide enough that a resume value written as unsigned reads back.
uint32_t ResumeField(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    if (value > 0xFFFFFFFFull) value = 0xFFFFFFFFull;
  }
  return static_cast<uint32_t>(negative ? 0u - value : value);
}

// Line 0 and line 1's first three fields are common to both readers.
template <typename Content>
void ReadHeadLine(size_t index, std::string_view line, Content* out, int32_t* flag,
                  std::vector<std::string_view>* fields) {
  *fields = SplitFields(line, ',');
  const auto& f = *fields;
  if (index == 0) {
    if (!f[0].empty()) out->model = ClampModelNumber(SignedDecimal(f[0]));
    return;
  }
  if (!f[0].empty()) {
    int32_t seconds = SignedDecimal(f[0]);
    if (seconds >= 1 && seconds <= 4294967) out->wait_ms = static_cast<uint32_t>(seconds) * 1000u;
  }
  if (f.size() > 1 && !f[1].empty()) out->retry_count = SignedDecimal(f[1]);
  if (f.size() > 2 && !f[2].empty()) *flag = SignedDecimal(f[2]);
}

void SplitAtBar(std::string_view line, std::string* left, std::string* right) {
  size_t bar = FindChar(line, '|');
  std::string_view l = line.substr(0, bar == kNotFound ? line.size() : bar);
  std::string_view r = bar == kNotFound ? std::string_view() : line.substr(bar + 1);
  if (!l.empty()) *left = std::string(l);
  if (!r.empty()) *right = std::string(r);
}

std::string Resolve(std::string_view line, std::string_view program_path) {
  return CompletePath(line, program_path).value_or(std::string(line));
}

}  // namespace

HandoffText BuildAutoParaText(const UpdateInfo& info, const HandoffFolders& folders) {
  try {
    LineWriter w(kAutoParaLineBuffer);
    AddCommonLines(w,
                   Format("%d,%d,%d", info.device_wait_time, info.device_num_retry, (info.force_update >> 1) & 1),
                   folders);
    w.Add(kParameterSaveFileName);
    int count = AddFileLines(w, info.def_files);
    return w.Finish(count);
  } catch (const std::bad_alloc&) {
    HandoffText failed;
    failed.refusal_error = kErrorNotEnoughMemory;
    return failed;
  }
}

HandoffText BuildAutoVerUpText(const UpdateInfo& info, const HandoffFolders& folders,
                               const VersionUpdateStart& start) {
  try {
    LineWriter w(kAutoVerUpLineBuffer);
    AddCommonLines(w,
                   Format("%d,%d,%d,%d,%d", info.device_wait_time, info.device_num_retry, info.force_update & 1,
                          start.stage, static_cast<int32_t>(start.resume_value)),
                   folders);
    int usb = 0;
    for (const std::string& file : info.usb1mc_files) {
      if (usb == 3) break;
      if (file.empty()) continue;
      w.Add(file);
      ++usb;
    }
    for (; usb < 3; ++usb) w.Add("");
    w.Add(start.parameter_tool_present ? folders.run_folder + kParameterSaveFileName : std::string());
    int count = AddFileLines(w, info.prg_files);
    return w.Finish(count);
  } catch (const std::bad_alloc&) {
    HandoffText failed;
    failed.refusal_error = kErrorNotEnoughMemory;
    return failed;
  }
}

std::string HandoffCreateFailureText(HandoffKind kind, std::string_view path, uint32_t error,
                                     std::string_view error_text) {
  std::string p(path), e(error_text);
  if (kind == HandoffKind::kAutoPara) {
    return Format("自動パラメータ設定定義ファイルが作成できません。\n\n'%s'\n\nErr = %d : %s", p.c_str(),
                  static_cast<int>(error), e.c_str());
  }
  return Format("自動バージョン更新定義ファイルが作成できません。\n\n'%s'\n\nErr = %d : %s", p.c_str(),
                static_cast<int>(error), e.c_str());
}

std::string HandoffWriteFailureText(HandoffKind kind, std::string_view path, uint32_t error) {
  std::string p(path);
  if (kind == HandoffKind::kAutoPara) {
    return Format("自動パラメータ設定定義ファイルの書込に失敗しました。\n\n'%s'\n\nErr = %d", p.c_str(),
                  static_cast<int>(error));
  }
  return Format("自動バージョン更新定義ファイルの書込に失敗しました。\n\n'%s'\n\nErr = %d", p.c_str(),
                static_cast<int>(error));
}

std::vector<std::string> HandoffLines(std::string_view bytes, size_t buffer_size) {
  // The text-mode stream: CR LF becomes LF, a Ctrl-Z ends the file.
  std::string stream;
  stream.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\x1A') break;
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    stream += c;
  }
  std::vector<std::string> lines;
  const size_t piece_max = buffer_size > 1 ? buffer_size - 1 : 1;
  size_t pos = 0;
  while (pos < stream.size()) {
    size_t n = 0;
    while (n < piece_max && pos + n < stream.size()) {
      ++n;
      if (stream[pos + n - 1] == '\n') break;
    }
    std::string_view piece(stream.data() + pos, n);
    pos += n;
    size_t nul = piece.find('\0');
    if (nul != std::string_view::npos) piece = piece.substr(0, nul);
    size_t end = piece.find('\n');
    if (end == std::string_view::npos) end = piece.find('\r');
    if (end != std::string_view::npos) piece = piece.substr(0, end);
    size_t semicolon = FindChar(piece, ';');
    if (semicolon != kNotFound) piece = piece.substr(0, semicolon);
    lines.emplace_back(piece);
  }
  return lines;
}

int ParseAutoPara(std::string_view bytes, std::string_view program_path, AutoParaContent* out, ReportSink* sink) {
  try {
    std::vector<std::string> lines = HandoffLines(bytes, kAutoParaLineBuffer);
    std::vector<std::string_view> fields;
    int count = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string_view line = lines[i];
      if (i <= 1) {
        ReadHeadLine(i, line, out, &out->fill_flag, &fields);
      } else if (line.empty()) {
        continue;
      } else if (i == 2) {
        SplitAtBar(line, &out->install_folder, &out->documents_folder);
      } else if (i == 3) {
        SplitAtBar(line, &out->run_folder, &out->run_second_field);
      } else if (i == 4) {
        out->save_file_name = std::string(line[0] == '\\' ? line.substr(1) : line);
      } else {
        out->definition_files.push_back(Resolve(line, program_path));
        ++count;
      }
    }
    if (count == 0 && sink) sink->Report(kReportProgress, "更新用パラメータ定義ファイル指定無");
    return count;
  } catch (const std::bad_alloc&) {
    if (sink) sink->Report(kReportResourceError, HandoffMemoryText());
    return -1;
  }
}

int ParseAutoVerUp(std::string_view bytes, std::string_view program_path, AutoVerUpContent* out,
                   ReportSink* sink) {
  try {
    std::vector<std::string> lines = HandoffLines(bytes, kAutoVerUpLineBuffer);
    std::vector<std::string_view> fields;
    int count = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string_view line = lines[i];
      if (i <= 1) {
        ReadHeadLine(i, line, out, &out->force_flag, &fields);
        if (i == 1 && fields.size() > 3 && !fields[3].empty()) {
          int32_t stage = SignedDecimal(fields[3]);
          out->first_stage = (stage == 0 || stage < -4) ? 1 : stage;
        }
        if (i == 1 && fields.size() > 4 && !fields[4].empty()) out->resume_value = ResumeField(fields[4]);
      } else if (line.empty()) {
        continue;
      } else if (i == 2) {
        std::string install, documents;
        SplitAtBar(line, &install, &documents);
        if (!install.empty()) out->install_folder = WithBackslash(install);
        if (!documents.empty()) out->documents_folder = WithBackslash(documents);
      } else if (i == 3) {
        out->run_folder = WithBackslash(line);
      } else if (i <= 7) {
        out->fixed_slots[i - 4] = std::string(line);
      } else {
        out->program_files.push_back(Resolve(line, program_path));
        ++count;
      }
    }
    return count;
  } catch (const std::bad_alloc&) {
    if (sink) sink->Report(kReportResourceError, HandoffMemoryText());
    return -1;
  }
}

std::string HandoffOpenFailureText(std::string_view path, uint32_t error, std::string_view error_text) {
  return Format("自動更新定義ファイルがオープンできません。\n\n'%s'\n\nErr = %d : %s", std::string(path).c_str(),
                static_cast<int>(error), std::string(error_text).c_str());
}

std::string HandoffReadFailureText(uint32_t error) {
  return Format("自動更新定義ファイルの読込に失敗しました。\n\nErr = %d", static_cast<int>(error));
}

std::string HandoffMemoryText() { return "自動更新定義ファイル読込中にメモリ不足となりました。"; }

bool HandoffKindFromName(std::string_view path, HandoffKind* kind) {
  std::string_view name = FileNamePart(path);
  size_t slash = name.rfind('/');
  if (slash != std::string_view::npos) name = name.substr(slash + 1);
  if (EqualsNoCase(name, kAutoParaFileName)) {
    *kind = HandoffKind::kAutoPara;
    return true;
  }
  if (EqualsNoCase(name, kAutoVerUpFileName)) {
    *kind = HandoffKind::kAutoVerUp;
    return true;
  }
  return false;
}

}  // namespace orvex::autoupdate
