// The filtered edit on a plain edit control, and the balloon on a plain window.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "BalloonTip.h"
#include "FilteredEdit.h"
#include "InputFilter.h"
#include "Wide.h"
#include "WinTestSupport.h"

namespace orvex {
namespace {

using test::Instance;
using test::MainStandIn;
using test::Pump;
using test::PumpUntil;

class InputControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(main_.Create(Instance(), IDD_TEST_MAIN, nullptr));
    ShowWindow(main_.hwnd(), SW_SHOW);
    edit_ = main_.Item(IDC_TEST_EDIT);
  }
  void TearDown() override {
    main_.End(0);
    Pump();
  }
  void Type(const char* keys) {
    for (const char* k = keys; *k != '\0'; ++k) SendMessageW(edit_, WM_CHAR, static_cast<WPARAM>(*k), 1);
  }
  std::string Text() const { return GetWindowTextA932(edit_); }

  MainStandIn main_;
  HWND edit_ = nullptr;
};

TEST_F(InputControlsTest, FilteredEditDropsWhatItsModeRefuses) {
  ASSERT_TRUE(AttachInputFilter(edit_, kHexDigitsOnly | kRefuseSpace));
  RefusalRecorder refusals;
  Type("1aF g");
  EXPECT_EQ(Text(), "1aF");
  ASSERT_EQ(refusals.refusals().size(), 2u);
  EXPECT_EQ(refusals.refusals()[0], edit_);
  // Backspace and Tab pass in every mode.
  Type("\b\t");
  EXPECT_EQ(Text(), "1a");
  EXPECT_EQ(refusals.refusals().size(), 2u);
  // Characters that arrive other than typed are the field's business.
  SetWindowTextA932(edit_, "xyz");
  EXPECT_EQ(Text(), "xyz");
}

TEST_F(InputControlsTest, ClickSelectsTheWholeTextUnlessTold) {
  for (unsigned flags : {unsigned{kDecimalDigitsOnly}, unsigned{kDecimalDigitsOnly | kNoSelectOnClick}}) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"12345", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 60, 120, 20,
                                main_.hwnd(), nullptr, Instance(), nullptr);
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(AttachInputFilter(edit, flags));
    SendMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 5));
    SendMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(3, 5));
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (flags & kNoSelectOnClick) {
      EXPECT_EQ(start, end);
    } else {
      EXPECT_EQ(start, 0u);
      EXPECT_EQ(end, 5u);
    }
    // A space typed into a field that allows it.
    RefusalRecorder refusals;
    SendMessageW(edit, WM_CHAR, L' ', 1);
    EXPECT_TRUE(refusals.refusals().empty());
    DestroyWindow(edit);
  }
}

int CountBalloons(HWND parent) {
  int count = 0;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (std::wstring(name) == L"OrvexBalloonTip") ++count;
  }
  return count;
}

TEST_F(InputControlsTest, BalloonWithCloseButton) {
  BalloonTip balloon;
  balloon.SetMargins(-1, -1, 25, 10);
  EXPECT_EQ(balloon.margins().margin, 7);
  EXPECT_EQ(balloon.margins().gap, 2);
  EXPECT_EQ(balloon.margins().tail_x, 25);
  EXPECT_EQ(balloon.margins().tail_height, 10);
  const char text[] = "変更したパラメータは、デバイス書込ボタンをクリックすることで登録されます。";
  ASSERT_TRUE(balloon.Show(main_.hwnd(), text, 102, 38, true, 0));
  HWND hwnd = balloon.hwnd();
  ASSERT_TRUE(balloon.IsShown());
  EXPECT_EQ(GetParent(hwnd), main_.hwnd());
  EXPECT_TRUE(IsWindowVisible(hwnd));
  RECT rect = {};
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(HWND_DESKTOP, main_.hwnd(), reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect.left, 102);
  EXPECT_EQ(rect.top, 38);

  // The window's region is the balloon; the property keeps the same outline for painting.
  HRGN kept = static_cast<HRGN>(GetPropW(hwnd, L"BallonBox"));
  ASSERT_NE(kept, nullptr);
  RECT box = {};
  GetRgnBox(kept, &box);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right - box.left, rect.right - rect.left);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(hwnd, region), ERROR);
  EXPECT_TRUE(PtInRegion(region, 40, 20));  // inside the box
  EXPECT_FALSE(PtInRegion(region, 0, 0));   // above the box, left of the tail
  EXPECT_FALSE(PtInRegion(region, 0, 10));  // a cut corner
  EXPECT_TRUE(PtInRegion(region, 24, 1));   // the tail near its tip
  DeleteObject(region);

  // Painted pale yellow inside a black outline.
  UpdateWindow(hwnd);
  HDC dc = GetDC(hwnd);
  EXPECT_EQ(GetPixel(dc, 40, rect.bottom - rect.top - 4), RGB(240, 240, 176));
  EXPECT_EQ(GetPixel(dc, 40, 10), RGB(0, 0, 0));
  ReleaseDC(hwnd, dc);

  // A second show repaints the first balloon.
  ASSERT_TRUE(balloon.Show(main_.hwnd(), "別の文", 0, 0, true, 0));
  EXPECT_EQ(balloon.hwnd(), hwnd);
  EXPECT_EQ(CountBalloons(main_.hwnd()), 1);

  HWND close = GetDlgItem(hwnd, BalloonTip::kCloseButtonId);
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(GetWindowTextA932(close), "x");
  SendMessageW(close, BM_CLICK, 0, 0);
  EXPECT_FALSE(balloon.IsShown());
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(CountBalloons(main_.hwnd()), 0);
}

TEST_F(InputControlsTest, BalloonClosesOnItsTimerOrStaysUntilHidden) {
  BalloonTip timed;
  ASSERT_TRUE(timed.Show(main_.hwnd(), "自動で閉じます", 10, 10, false, 50));
  EXPECT_EQ(GetDlgItem(timed.hwnd(), BalloonTip::kCloseButtonId), nullptr);
  EXPECT_TRUE(PumpUntil([&] { return !timed.IsShown(); }));

  BalloonTip lasting;
  ASSERT_TRUE(lasting.Show(main_.hwnd(), "閉じません", 10, 10, false, 0));
  HWND hwnd = lasting.hwnd();
  // Wait for something that never comes, a while; the balloon is still there.
  EXPECT_FALSE(PumpUntil([&] { return !lasting.IsShown(); }, 300));
  EXPECT_TRUE(IsWindow(hwnd));
  lasting.Hide();
  EXPECT_FALSE(lasting.IsShown());
  EXPECT_FALSE(IsWindow(hwnd));
  // Shown again after hiding: a new window.
  ASSERT_TRUE(lasting.Show(main_.hwnd(), "また", 10, 10, false, 0));
  EXPECT_EQ(CountBalloons(main_.hwnd()), 1);
}

}  // namespace
}  // namespace orvex
