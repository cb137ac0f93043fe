// orvex prg: inspect and build .prg images.
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Command.h"
#include "Format.h"
#include "NumberText.h"
#include "ProgramHeader.h"

namespace orvex::cli {
namespace {

constexpr uint32_t kMaxValidSize = 0xFFFFFF;  // 24 bits on file

struct ImageReport {
  ProgramHeader header;
  std::string kind_text;
  size_t file_size = 0;
  uint16_t computed = 0;
  bool checksum_ok = false;
  bool size_ok = false;
};

// Fills the report; false when the bytes are no image at all (short, or an unknown magic).
bool Inspect(const std::vector<unsigned char>& bytes, ImageReport* r, std::string* why) {
  if (!ReadProgramHeader(bytes.data(), bytes.size(), &r->header)) {
    *why = Format("not a valid image (%zu bytes, a header needs 32)", bytes.size());
    return false;
  }
  if (!r->header.HasMagic(kMagicMain) && !r->header.HasMagic(kMagicSecond)) {
    *why = "not a valid image (unknown model magic)";
    return false;
  }
  r->file_size = bytes.size();
  std::string stored_name;
  if ((r->header.kind & 0xF0) == 0x30) {
    unsigned char area[42] = {};
    for (size_t i = 0; i < sizeof area && 48 + i < bytes.size(); ++i) area[i] = bytes[48 + i];
    stored_name = StoredProgramName(area, sizeof area);
  }
  r->kind_text = ProgramKindText(r->header.kind, r->header.subkind, stored_name);
  r->size_ok = r->header.valid_size <= bytes.size();
  size_t covered = r->size_ok ? r->header.valid_size : bytes.size();
  r->computed = FileChecksum(bytes.data(), covered);
  r->checksum_ok = r->size_ok && r->computed == r->header.checksum;
  return true;
}

std::string MagicText(const ProgramHeader& h) {
  std::string m;
  for (char c : h.Magic()) m += (c >= 0x20 && c < 0x7F) ? c : '?';
  return m;
}

void PrintText(const std::string& file, const ImageReport& r) {
  const ProgramHeader& h = r.header;
  Print("file:        %s\n", file.c_str());
  Print("magic:       %s\n", MagicText(h).c_str());
  Print("kind:        0x%02X\n", h.kind);
  Print("sub-kind:    0x%02X\n", h.subkind);
  Print("kind text:   %s\n", r.kind_text.c_str());
  Print("version:     %s\n", VersionWordText(h.version()).c_str());
  Print("size:        %s (valid %s)%s\n", DecimalWithSeparators(r.file_size).c_str(),
              DecimalWithSeparators(h.valid_size).c_str(), r.size_ok ? "" : "  valid size exceeds the file");
  Print("extended:    %s\n", ExtendedInfoText(h.extended).c_str());
  Print("checksum:    0x%04X (computed 0x%04X, %s)\n", h.checksum, r.computed,
              r.checksum_ok ? "ok" : "MISMATCH");
}

void PrintJson(const std::string& file, const ImageReport& r) {
  const ProgramHeader& h = r.header;
  std::string ext;
  for (int i = 0; i < 8; ++i) ext += Format("%s%u", i ? ", " : "", h.extended[i]);
  Print(
      "{\"file\": %s, \"magic\": %s, \"kind\": %u, \"subkind\": %u, \"kind_text\": %s, \"version\": %s, "
      "\"file_size\": %zu, \"valid_size\": %u, \"extended\": [%s], \"checksum\": %u, \"computed_checksum\": %u, "
      "\"checksum_ok\": %s}\n",
      JsonString(file).c_str(), JsonString(MagicText(h)).c_str(), h.kind, h.subkind, JsonString(r.kind_text).c_str(),
      JsonString(VersionWordText(h.version())).c_str(), r.file_size, h.valid_size, ext.c_str(), h.checksum,
      r.computed, r.checksum_ok ? "true" : "false");
}

int RunInfo(const Args& args) {
  bool json = false;
  std::vector<std::string> files;
  for (const auto& a : args) {
    if (a == "--json") {
      json = true;
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      Fail("prg info: unknown option " + a);
      return kExitBadArguments;
    } else {
      files.push_back(a);
    }
  }
  if (files.empty()) {
    Fail("prg info: no file given");
    return kExitBadArguments;
  }
  int result = kExitOk;
  for (const auto& file : files) {
    std::vector<unsigned char> bytes;
    std::string error;
    if (!ReadWholeFile(file, &bytes, &error)) {
      Fail(error);
      result = std::max(result, static_cast<int>(kExitFileError));
      continue;
    }
    ImageReport report;
    if (!Inspect(bytes, &report, &error)) {
      Fail(file + ": " + error);
      result = std::max(result, static_cast<int>(kExitInvalidImage));
      continue;
    }
    if (json) {
      PrintJson(file, report);
    } else {
      if (&file != &files.front()) Print("\n");
      PrintText(file, report);
    }
    if (!report.checksum_ok) result = std::max(result, static_cast<int>(kExitInvalidImage));
  }
  return result;
}

// Numbers on the command line: 0x-prefixed hexadecimal or plain decimal.
bool ParseNumber(const std::string& text, uint32_t max, uint32_t* out) {
  if (text.empty()) return false;
  uint64_t value = 0;
  size_t i = 0;
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    i = 2;
  }
  for (; i < text.size(); ++i) {
    int d = base == 16 ? HexDigitValue(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (d < 0) return false;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    if (value > max) return false;
  }
  *out = static_cast<uint32_t>(value);
  return true;
}

// A version as the lists show it ("1.025": major in decimal, minor in three hexadecimal digits)
// or as a raw word.
bool ParseVersion(const std::string& text, uint16_t* out) {
  size_t dot = text.find('.');
  if (dot == std::string::npos) {
    uint32_t v;
    if (!ParseNumber(text, 0xFFFF, &v)) return false;
    *out = static_cast<uint16_t>(v);
    return true;
  }
  uint32_t major;
  std::string minor = text.substr(dot + 1);
  if (!ParseNumber(text.substr(0, dot), 15, &major) || minor.empty() || minor.size() > 3) return false;
  uint32_t m = 0;
  for (char c : minor) {
    int d = HexDigitValue(c);
    if (d < 0) return false;
    m = m * 16 + static_cast<uint32_t>(d);
  }
  *out = static_cast<uint16_t>((major << 12) | m);
  return true;
}

int RunMake(const Args& args) {
  std::string magic, out, payload_path, name;
  uint32_t kind = 0, subkind = 0, valid_size = 0;
  uint16_t version = 0;
  bool have_kind = false, have_sub = false, have_version = false, have_valid = false;
  std::vector<uint16_t> ext;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* v) {
      if (i + 1 >= args.size()) return false;
      *v = args[++i];
      return true;
    };
    std::string v;
    bool ok = true;
    if (a == "--magic") {
      ok = value(&magic) && (magic == kMagicMain || magic == kMagicSecond);
    } else if (a == "--kind") {
      ok = value(&v) && ParseNumber(v, 0xFF, &kind);
      have_kind = true;
    } else if (a == "--subkind") {
      ok = value(&v) && ParseNumber(v, 0xFF, &subkind);
      have_sub = true;
    } else if (a == "--version") {
      ok = value(&v) && ParseVersion(v, &version);
      have_version = true;
    } else if (a == "--ext") {
      ok = value(&v);
      size_t start = 0;
      while (ok) {
        size_t comma = v.find(',', start);
        uint32_t w;
        ok = ParseNumber(v.substr(start, comma - start), 0xFFFF, &w) && ext.size() < 7;
        if (ok) ext.push_back(static_cast<uint16_t>(w));
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    } else if (a == "--name") {
      ok = value(&name) && name.size() <= 18;
    } else if (a == "--valid-size") {
      ok = value(&v) && ParseNumber(v, kMaxValidSize, &valid_size);
      have_valid = true;
    } else if (a == "-o") {
      ok = value(&out);
    } else if (!a.empty() && a[0] == '-') {
      Fail("prg make: unknown option " + a);
      return kExitBadArguments;
    } else if (payload_path.empty()) {
      payload_path = a;
    } else {
      Fail("prg make: more than one payload file");
      return kExitBadArguments;
    }
    if (!ok) {
      Fail("prg make: bad value for " + a);
      return kExitBadArguments;
    }
  }
  if (magic.empty() || !have_kind || !have_sub || !have_version || out.empty() || payload_path.empty()) {
    Fail("prg make: --magic, --kind, --subkind, --version, -o and a payload file are required");
    return kExitBadArguments;
  }
  if (!name.empty() && (kind & 0xF0) != 0x30) {
    Fail("prg make: --name is only stored for kinds 0x30 to 0x3F");
    return kExitBadArguments;
  }
  std::vector<unsigned char> payload;
  std::string error;
  if (!ReadWholeFile(payload_path, &payload, &error)) {
    Fail(error);
    return kExitFileError;
  }
  std::vector<unsigned char> file(kProgramHeaderSize);
  file.insert(file.end(), payload.begin(), payload.end());
  if (!name.empty()) {
    // The name's characters take the first two bytes of each four-byte group from offset 48.
    size_t need = 48 + 4 * ((name.size() + 1) / 2 + 1);
    if (file.size() < need) file.resize(need, 0);
    for (size_t k = 0; k < name.size(); ++k) file[48 + (k / 2) * 4 + (k % 2)] = static_cast<unsigned char>(name[k]);
    size_t end = name.size();
    file[48 + (end / 2) * 4 + (end % 2)] = 0;
  }
  if (!have_valid) {
    if (file.size() > kMaxValidSize) {
      Fail("prg make: the image is larger than a valid size can say; give --valid-size");
      return kExitBadArguments;
    }
    valid_size = static_cast<uint32_t>(file.size());
  }
  if (valid_size < 10 || valid_size > file.size()) {
    Fail(Format("prg make: valid size %u must lie between 10 and the file length %zu", valid_size, file.size()));
    return kExitBadArguments;
  }
  ProgramHeader h;
  std::memcpy(h.magic, magic.data(), 6);
  h.kind = static_cast<uint8_t>(kind);
  h.subkind = static_cast<uint8_t>(subkind);
  h.valid_size = valid_size;
  h.extended[0] = version;
  for (size_t k = 0; k < ext.size(); ++k) h.extended[k + 1] = ext[k];
  WriteProgramHeader(h, file.data());
  h.checksum = FileChecksum(file.data(), valid_size);
  WriteProgramHeader(h, file.data());
  if (!WriteWholeFile(out, file, &error)) {
    Fail(error);
    return kExitFileError;
  }
  return kExitOk;
}

int RunPrg(const Args& args) {
  if (args.empty()) {
    Fail("prg: say info or make (try: orvex help)");
    return kExitBadArguments;
  }
  Args rest(args.begin() + 1, args.end());
  if (args[0] == "info") return RunInfo(rest);
  if (args[0] == "make") return RunMake(rest);
  Fail("prg: unknown subcommand " + args[0]);
  return kExitBadArguments;
}

CommandRegistrar reg({"prg",
                      "  prg info [--json] FILE...      show the header of program images and parameter save files\n"
                      "  prg make --magic KV4100|PV4100 --kind K --subkind S --version V [--ext W,W,...]\n"
                      "           [--name TEXT] [--valid-size N] -o OUT PAYLOAD   build an image",
                      RunPrg});

}  // namespace
}  // namespace orvex::cli
