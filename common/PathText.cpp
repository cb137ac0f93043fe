#include "PathText.h"

#include "Cp932Text.h"

namespace orvex {

static bool IsUncStart(std::string_view s) { return s.size() >= 2 && s[0] == '\\' && s[1] == '\\'; }

std::string_view PathRoot(std::string_view base) {
  if (IsUncStart(base)) {
    size_t next = FindChar(base, '\\', 2);
    return next == kNotFound ? base : base.substr(0, next);
  }
  size_t colon = FindChar(base, ':');
  return colon == kNotFound ? std::string_view() : base.substr(0, colon + 1);
}

std::string_view PathFolder(std::string_view base) {
  size_t last = FindLastChar(base, '\\');
  if (last == kNotFound) return std::string_view();
  if (last == 1 && IsUncStart(base)) return std::string_view();
  return base.substr(0, last + 1);
}

std::optional<std::string> CompletePath(const std::optional<std::string_view>& path,
                                        const std::optional<std::string_view>& base) {
  std::string_view root, folder;
  if (base) {
    root = PathRoot(*base);
    folder = PathFolder(*base);
  }
  if (!path) {
    if (!folder.empty()) return std::string(folder);
    if (!root.empty()) return std::string(root);
    return std::nullopt;
  }
  std::string_view p = *path;
  if (FindChar(p, ':') != kNotFound || IsUncStart(p)) return std::string(p);
  if (FindChar(p, '\\') != kNotFound) {
    if (root.empty()) return std::string(p);
    std::string out(root);
    if (p.empty() || p[0] != '\\') out += '\\';
    out += p;
    return out;
  }
  if (folder.empty()) return std::string(p);
  return std::string(folder) + std::string(p);
}

bool EndsWithBackslash(std::string_view folder) {
  if (folder.size() <= 1) return false;
  if (folder.back() != '\\') return false;
  return !IsLeadByte(static_cast<unsigned char>(folder[folder.size() - 2]));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!out.empty() && !EndsWithChar(out, '\\')) out += '\\';
  out += name;
  return out;
}

std::string_view FileNamePart(std::string_view path) {
  size_t last = FindLastChar(path, '\\');
  return last == kNotFound ? path : path.substr(last + 1);
}

}  // namespace orvex
