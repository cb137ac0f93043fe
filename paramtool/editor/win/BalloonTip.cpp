#include "BalloonTip.h"

#include <vector>

#include "Wide.h"

namespace orvex {
namespace {

constexpr wchar_t kClassName[] = L"OrvexBalloonTip";
constexpr wchar_t kRegionProperty[] = L"BallonBox";
constexpr UINT_PTR kCloseTimer = 1;
constexpr COLORREF kFill = RGB(240, 240, 176);

std::vector<POINT> Points(int width, int height, const BalloonMargins& margins) {
  std::vector<POINT> points;
  for (const BalloonPoint& p : BalloonOutline(width, height, margins)) points.push_back({p.x, p.y});
  return points;
}

HRGN MakeRegion(int width, int height, const BalloonMargins& margins) {
  std::vector<POINT> points = Points(width, height, margins);
  return CreatePolygonRgn(points.data(), static_cast<int>(points.size()), WINDING);
}

}  // namespace

bool BalloonTip::RegisterWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

void BalloonTip::SetMargins(int margin, int gap, int tail_x, int tail_height) {
  if (margin >= 0) margins_.margin = margin;
  if (gap >= 0) margins_.gap = gap;
  if (tail_x >= 0) margins_.tail_x = tail_x;
  if (tail_height >= 0) margins_.tail_height = tail_height;
}

bool BalloonTip::Show(HWND parent, std::string_view text, int x, int y, bool close_button,
                      UINT auto_close_ms) {
  if (hwnd_ != nullptr) {
    InvalidateRect(hwnd_, nullptr, TRUE);
    UpdateWindow(hwnd_);
    return true;
  }
  if (!RegisterWindowClass()) return false;
  text_ = ToWide(text);

  HDC screen = GetDC(parent);
  if (!font_) {
    const int height = -MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72);
    font_.Reset(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック"));
  }
  HGDIOBJ old = SelectObject(screen, font_.Get());
  RECT text_rect = {0, 0, 0, 0};
  DrawTextW(screen, text_.c_str(), -1, &text_rect, DT_CALCRECT | DT_NOPREFIX);
  SIZE letter = {0, 0};
  GetTextExtentPoint32W(screen, L"x", 1, &letter);
  SelectObject(screen, old);
  ReleaseDC(parent, screen);

  layout_ =
      LayoutBalloon({text_rect.right, text_rect.bottom}, {letter.cx, letter.cy}, margins_, close_button);
  HWND hwnd = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS, x, y, layout_.width,
                              layout_.height, parent, nullptr, GetModuleHandleW(nullptr), this);
  if (hwnd == nullptr) return false;
  hwnd_ = hwnd;

  // The window takes one region; the property keeps another for painting.
  HRGN window_region = MakeRegion(layout_.width, layout_.height, margins_);
  HRGN kept = MakeRegion(layout_.width, layout_.height, margins_);
  if (window_region != nullptr) SetWindowRgn(hwnd, window_region, FALSE);
  if (kept != nullptr && !SetPropW(hwnd, kRegionProperty, kept)) DeleteObject(kept);

  if (layout_.has_button) {
    const LayoutRect& b = layout_.button;
    HWND button = CreateWindowExW(0, L"BUTTON", L"x", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_FLAT, b.x,
                                  b.y, b.width, b.height, hwnd, reinterpret_cast<HMENU>(kCloseButtonId),
                                  GetModuleHandleW(nullptr), nullptr);
    if (button != nullptr) SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  }
  if (auto_close_ms != 0) SetTimer(hwnd, kCloseTimer, auto_close_ms, nullptr);
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  return true;
}

void BalloonTip::Hide() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void BalloonTip::Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  UniqueBrush fill(CreateSolidBrush(kFill));
  // The outline is the region's own border, one pixel wide and inside it, so that none of it
  // falls outside the window's region (a polygon region leaves out its right and bottom edges).
  if (auto region = static_cast<HRGN>(GetPropW(hwnd, kRegionProperty))) {
    FillRgn(dc, region, fill.Get());
    FrameRgn(dc, region, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), 1, 1);
  } else {
    FillRect(dc, &ps.rcPaint, fill.Get());
  }

  HGDIOBJ old_font = SelectObject(dc, font_.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  RECT text_rect = {layout_.text_x, layout_.text_y, layout_.width, layout_.height};
  DrawTextW(dc, text_.c_str(), -1, &text_rect, DT_NOPREFIX | DT_NOCLIP);
  SelectObject(dc, old_font);
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK BalloonTip::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<BalloonTip*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the paint fills
    case WM_PAINT:
      if (self != nullptr) {
        self->Paint(hwnd);
        return 0;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wparam) == kCloseButtonId && HIWORD(wparam) == BN_CLICKED) {
        DestroyWindow(hwnd);
        return 0;
      }
      break;
    case WM_TIMER:
      if (wparam == kCloseTimer) {
        DestroyWindow(hwnd);
        return 0;
      }
      break;
    case WM_DESTROY:
      KillTimer(hwnd, kCloseTimer);
      if (HWND button = GetDlgItem(hwnd, kCloseButtonId)) DestroyWindow(button);
      break;
    case WM_NCDESTROY:
      if (auto region = static_cast<HRGN>(RemovePropW(hwnd, kRegionProperty))) DeleteObject(region);
      if (self != nullptr && self->hwnd_ == hwnd) self->hwnd_ = nullptr;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace orvex
