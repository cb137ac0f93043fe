#include <algorithm>

#include "Handles.h"
#include "Target.h"
#include "UiDriver.h"
#include "Wide.h"

namespace orvex::uidriver {

namespace {

constexpr int kTextId = 0xFFFF;      // the box's text, on Windows and under Wine
constexpr DWORD kIconLookMs = 1500;  // how long the icon may take to appear on screen

struct IconKind {
  const wchar_t* resource;
  MessageIcon icon;
};
const IconKind kIcons[] = {
    {IDI_EXCLAMATION, MessageIcon::kExclamation},
    {IDI_ASTERISK, MessageIcon::kInformation},
    {IDI_QUESTION, MessageIcon::kQuestion},
    {IDI_HAND, MessageIcon::kError},
};

struct Children {
  std::vector<HWND> list;
};
BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  reinterpret_cast<Children*>(param)->list.push_back(hwnd);
  return TRUE;
}

bool IsIconStatic(HWND hwnd) {
  return lstrcmpiA(detail::ClassOf(hwnd).c_str(), "Static") == 0 &&
         (GetWindowLongW(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

// The pixels of a screen rectangle as 0x00RRGGBB values, row by row.
std::vector<COLORREF> Capture(HDC source, int x, int y, int width, int height) {
  std::vector<COLORREF> pixels;
  HDC memory = CreateCompatibleDC(source);
  if (memory == nullptr) return pixels;
  UniqueBitmap bitmap(CreateCompatibleBitmap(source, width, height));
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap.Get());
    if (BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY)) {
      BITMAPINFO info = {};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = width;
      info.bmiHeader.biHeight = -height;  // top row first
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
      SelectObject(memory, old);
      old = nullptr;
      if (!GetDIBits(memory, bitmap.Get(), 0, static_cast<UINT>(height), pixels.data(), &info,
                     DIB_RGB_COLORS)) {
        pixels.clear();
      }
      for (COLORREF& p : pixels) p &= 0xFFFFFF;
    }
    if (old != nullptr) SelectObject(memory, old);
  }
  DeleteDC(memory);
  return pixels;
}

// A system icon drawn over a background colour, as a static control shows it.
std::vector<COLORREF> Render(HICON icon, int width, int height, COLORREF background) {
  std::vector<COLORREF> pixels;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen, width, height));
  if (memory != nullptr && bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap.Get());
    UniqueBrush brush(CreateSolidBrush(background));
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, brush.Get());
    DrawIconEx(memory, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    pixels = Capture(memory, 0, 0, width, height);
    SelectObject(memory, old);
  }
  if (memory != nullptr) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

MessageIcon LookAtIcon(HWND box, HWND icon_static);

// The icon handle is only meaningful inside the box's process (except on Windows, where the
// system icons are shared), so the icon is recognised by its pixels on screen: the box is
// brought to the top and its icon compared with each system icon drawn the same way.
MessageIcon RecogniseIcon(HWND box, HWND icon_static) {
  LRESULT handle = 0;
  if (!detail::Query(icon_static, STM_GETICON, 0, 0, &handle) || handle == 0 ||
      !IsWindowVisible(icon_static)) {
    return MessageIcon::kNone;
  }
  for (const IconKind& kind : kIcons) {
    if (reinterpret_cast<HICON>(handle) == LoadIconW(nullptr, kind.resource)) return kind.icon;
  }
  // Above every other window while it is looked at (other tests' windows may lie over it), then
  // back among the others.
  SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  MessageIcon seen = LookAtIcon(box, icon_static);
  SetWindowPos(box, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return seen;
}

MessageIcon LookAtIcon(HWND box, HWND icon_static) {
  const ULONGLONG end = GetTickCount64() + kIconLookMs;
  for (;;) {
    RECT r = {};
    GetWindowRect(icon_static, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width > 0 && height > 0 && width <= 256 && height <= 256) {
      // One pixel around the icon gives the background it is drawn on.
      HDC screen = GetDC(nullptr);
      std::vector<COLORREF> around = Capture(screen, r.left - 1, r.top - 1, width + 2, height + 2);
      ReleaseDC(nullptr, screen);
      if (!around.empty()) {
        std::vector<COLORREF> shot;
        for (int y = 0; y < height; ++y) {
          for (int x = 0; x < width; ++x)
            shot.push_back(around[static_cast<size_t>(y + 1) * (width + 2) + x + 1]);
        }
        const COLORREF background = around[0];
        const COLORREF background_ref =
            RGB(GetBValue(background), GetGValue(background), GetRValue(background));
        size_t best = 0;
        MessageIcon best_icon = MessageIcon::kUnknown;
        for (const IconKind& kind : kIcons) {
          std::vector<COLORREF> drawn =
              Render(LoadIconW(nullptr, kind.resource), width, height, background_ref);
          if (drawn.size() != shot.size()) continue;
          size_t same = 0;
          for (size_t i = 0; i < shot.size(); ++i) same += drawn[i] == shot[i];
          if (same > best) {
            best = same;
            best_icon = kind.icon;
          }
        }
        // Nearly every pixel: a window lying over the box or a half-painted icon matches none.
        if (best * 100 >= shot.size() * 97) return best_icon;
      }
    }
    if (GetTickCount64() >= end || !IsWindow(box)) return MessageIcon::kUnknown;
    Sleep(50);
  }
}

}  // namespace

const char* MessageIconName(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kNone:
      return "none";
    case MessageIcon::kExclamation:
      return "exclamation";
    case MessageIcon::kInformation:
      return "information";
    case MessageIcon::kQuestion:
      return "question";
    case MessageIcon::kError:
      return "error";
    case MessageIcon::kUnknown:
      return "unknown";
  }
  return "?";
}

namespace {

// The parts of a message box: statics and push buttons only, one static (id 0xFFFF) with the
// text; false for any other window.
struct BoxParts {
  HWND text = nullptr;
  HWND icon = nullptr;
  std::vector<HWND> buttons;  // visible ones, left to right
};

bool FindParts(HWND hwnd, BoxParts* parts) {
  if (!IsWindow(hwnd) || detail::ClassOf(hwnd) != "#32770") return false;
  Children children;
  EnumChildWindows(hwnd, CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children.list) {
    if (GetParent(child) != hwnd) return false;
    std::string cls = detail::ClassOf(child);
    if (lstrcmpiA(cls.c_str(), "Button") == 0) {
      if (IsWindowVisible(child)) parts->buttons.push_back(child);
    } else if (lstrcmpiA(cls.c_str(), "Static") == 0) {
      if (IsIconStatic(child)) {
        parts->icon = child;
      } else if ((GetDlgCtrlID(child) & 0xFFFF) == kTextId) {
        parts->text = child;
      }
    } else {
      return false;
    }
  }
  auto left = [](HWND h) {
    RECT r = {};
    GetWindowRect(h, &r);
    return r.left;
  };
  std::stable_sort(parts->buttons.begin(), parts->buttons.end(),
                   [&](HWND a, HWND b) { return left(a) < left(b); });
  return parts->text != nullptr && !parts->buttons.empty();
}

}  // namespace

bool detail::IsMessageBox(HWND hwnd) {
  BoxParts parts;
  return FindParts(hwnd, &parts);
}

std::optional<MessageBoxInfo> ReadMessageBox(HWND hwnd) {
  BoxParts parts;
  if (!FindParts(hwnd, &parts)) return std::nullopt;
  MessageBoxInfo info;
  info.window = Window(hwnd);
  info.caption = detail::QueryText(hwnd);
  info.text = detail::QueryText(parts.text);
  for (HWND button : parts.buttons) info.buttons.push_back({GetDlgCtrlID(button), detail::QueryText(button)});
  info.icon = parts.icon != nullptr ? RecogniseIcon(hwnd, parts.icon) : MessageIcon::kNone;
  return info;
}

std::optional<MessageBoxInfo> WaitMessageBox(DWORD pid, DWORD timeout_ms,
                                             const std::optional<std::string>& caption, Match match) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    for (const WindowRecord& w : Windows(pid)) {
      if (w.class_name != "#32770") continue;
      if (caption && !CaptionMatches(w.caption, *caption, match)) continue;
      if (auto box = ReadMessageBox(reinterpret_cast<HWND>(static_cast<uintptr_t>(w.handle)))) return box;
    }
    if (GetTickCount64() >= end) return std::nullopt;
    Sleep(20);
  }
}

bool MessageBoxInfo::HasButton(int id) const {
  return std::any_of(buttons.begin(), buttons.end(), [id](const ButtonInfo& b) { return b.id == id; });
}

bool MessageBoxInfo::Answer(int button_id, DWORD timeout_ms) const {
  if (!HasButton(button_id) || !window.Click(button_id)) return false;
  return window.WaitGone(timeout_ms);
}

}  // namespace orvex::uidriver
