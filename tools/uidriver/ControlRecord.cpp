#include "ControlRecord.h"

#include "Cp932Text.h"
#include "Format.h"

namespace orvex::uidriver {

std::string QuoteText(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    if (CharLength(text, i) == 2) {
      out.append(text.substr(i, 2));
      ++i;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += Format("\\x%02X", c);
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

namespace {

std::string Indent(int depth) {
  return std::string(static_cast<size_t>(depth) * 2, ' ');
}

bool IsSelected(const ControlRecord& c, size_t row) {
  for (int s : c.selected) {
    if (s >= 0 && static_cast<size_t>(s) == row) return true;
  }
  return false;
}

}  // namespace

std::string DescribeWindow(const WindowRecord& w) {
  std::string out = Format("window %s class %s pid %u at %d,%d size %dx%d", QuoteText(w.caption).c_str(),
                           QuoteText(w.class_name).c_str(), w.pid, w.rect.left, w.rect.top, w.rect.Width(),
                           w.rect.Height());
  if (!w.enabled) out += " disabled";
  if (!w.visible) out += " hidden";
  if (w.owner != 0) out += Format(" owned by %llX", static_cast<unsigned long long>(w.owner));
  out += Format(" (hwnd %llX)\n", static_cast<unsigned long long>(w.handle));
  for (const ControlRecord& c : w.controls) {
    std::string pad = Indent(c.depth);
    out += pad + Format("[%d] %s %s", c.id, c.class_name.c_str(), QuoteText(c.text).c_str());
    if (!c.enabled) out += " disabled";
    if (!c.visible) out += " hidden";
    if (c.checked == 1) out += " checked";
    if (c.checked == 2) out += " indeterminate";
    out += Format(" style %08X at %d,%d size %dx%d\n", c.style, c.rect.left, c.rect.top, c.rect.Width(),
                  c.rect.Height());
    if (!c.contents_error.empty()) out += pad + "    (contents not read: " + c.contents_error + ")\n";
    if (!c.columns.empty()) {
      out += pad + "    columns:";
      for (const std::string& title : c.columns) out += " " + QuoteText(title);
      out += "\n";
    }
    for (size_t r = 0; r < c.rows.size(); ++r) {
      out += pad + Format("    %s%u:", IsSelected(c, r) ? "*" : " ", static_cast<unsigned>(r));
      for (const std::string& cell : c.rows[r]) out += " " + QuoteText(cell);
      out += "\n";
    }
  }
  return out;
}

std::string DescribeWindows(const std::vector<WindowRecord>& windows) {
  if (windows.empty()) return "(no visible window)\n";
  std::string out;
  for (const WindowRecord& w : windows) out += DescribeWindow(w);
  return out;
}

}  // namespace orvex::uidriver
