#include "ParameterSettingsWindow.h"

// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "CopySourceDialog.h"
#include "FilteredEdit.h"
#include "InputFilter.h"
#include "SettingsTexts.h"
#include "ShowMessage.h"
#include "ThemeProbe.h"
#include "Wide.h"

namespace orvex {
namespace {

// Marks the settings windows for the keyboard hook.
constexpr wchar_t kKeysProperty[] = L"OrvexSettingsKeys";
HHOOK keys_hook = nullptr;

LRESULT CALLBACK KeysHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && wparam == PM_REMOVE) {
    auto* msg = reinterpret_cast<MSG*>(lparam);
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && msg->hwnd != nullptr) {
      HWND root = GetAncestor(msg->hwnd, GA_ROOT);
      // IsDialogMessage dispatches what it does not take itself: the loop must not see it again.
      if (root != nullptr && GetPropW(root, kKeysProperty) != nullptr && IsDialogMessageW(root, msg)) {
        msg->message = WM_NULL;
        msg->wParam = 0;
        msg->lParam = 0;
      }
    }
  }
  return CallNextHookEx(keys_hook, code, wparam, lparam);
}

INT_PTR CALLBACK LayoutTemplateProcedure(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

RECT ClientRectOf(HWND control, HWND parent) {
  RECT r = {0, 0, 0, 0};
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

LayoutRect ToLayout(const RECT& r) {
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

std::string ShownAs(std::string_view text) {
  return FromWide(ToWide(text));
}

}  // namespace

bool InstallSettingsWindowKeys() {
  if (keys_hook != nullptr) return true;
  keys_hook = SetWindowsHookExW(WH_GETMESSAGE, KeysHook, nullptr, GetCurrentThreadId());
  return keys_hook != nullptr;
}

void RemoveSettingsWindowKeys() {
  if (keys_hook != nullptr) UnhookWindowsHookEx(keys_hook);
  keys_hook = nullptr;
}

ParameterSettingsWindow::ParameterSettingsWindow(int command_block) : block_number_(command_block) {}

ParameterSettingsWindow::~ParameterSettingsWindow() {
  Destroy();
}

const CommandBlock& ParameterSettingsWindow::block() const {
  return definition_->blocks[static_cast<size_t>(block_number_ - 1)];
}

HWND ParameterSettingsWindow::PageWindow(int page) const {
  if (page < 0 || page >= static_cast<int>(pages_.size())) return nullptr;
  return pages_[static_cast<size_t>(page)]->hwnd();
}

bool ParameterSettingsWindow::Open(HINSTANCE instance, HWND main_window,
                                   const ParameterDefinition* definition, ParameterImage* image) {
  if (IsOpen() || definition == nullptr || image == nullptr || block_number_ < 1 ||
      block_number_ > kBlockCount) {
    return false;
  }
  table_ = definition->BlockTable(block_number_);
  if (table_ == nullptr) return false;
  definition_ = definition;
  image_ = image;
  main_window_ = main_window;
  changed_ = false;
  closing_ = false;

  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  build_failed_ = false;
  if (!Create(instance, IDD_PARAMETER_SETTINGS, main_window)) {
    // A failed build has shown its message and destroyed the window already.
    if (!build_failed_) ShowFailure(main_window, kWindowFailedText);
    Destroy();
    return false;
  }
  ShowWindow(hwnd(), SW_SHOW);
  return true;
}

bool ParameterSettingsWindow::OnInit() {
  SetPropW(hwnd(), kKeysProperty, reinterpret_cast<HANDLE>(1));
  if (!Build()) {
    build_failed_ = true;
    End(0);
    return false;
  }
  return false;  // ShowPage put the focus on the tab control
}

bool ParameterSettingsWindow::Build() {
  SetText(SettingsWindowTitle(block(), GetText()));
  if (HICON icon = LoadIconW(instance(), MAKEINTRESOURCEW(IDI_PARAMETER_TOOL))) {
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  }
  LOGFONTW font = {};
  if (GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)), sizeof font, &font) != 0) {
    font.lfWeight = FW_BOLD;
    bold_font_.Reset(CreateFontIndirectW(&font));
    SendItem(IDC_SETTINGS_HELP_NAME, WM_SETFONT, reinterpret_cast<WPARAM>(bold_font_.Get()), FALSE);
  }

  if (!MeasureTemplate() || !MakePages()) {
    ShowFailure(main_window_, kWindowFailedText);
    return false;
  }
  tool_tip_ =
      CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, instance(), nullptr);
  controls_.assign(static_cast<size_t>(form_.size()), nullptr);
  made_.assign(pages_.size(), false);
  // The other pages get their controls when they are first shown: a window opens as fast as
  // its first page can be made.
  if (!pages_.empty() && !MakeControls(0)) {
    ShowFailure(main_window_, kControlsFailedText);
    return false;
  }
  const bool values = form_.HasValueControls();
  Enable(IDC_SETTINGS_INITIAL, values);
  Enable(IDC_SETTINGS_COPY, values && CopyAllowed(block_number_));
  SetChanged(false);
  SendItem(IDC_SETTINGS_TAB, TCM_SETCURSEL, 0);
  ShowPage(0);
  return true;
}

bool ParameterSettingsWindow::MeasureTemplate() {
  // The template and the fonts stay as they are while the program runs: one measure serves
  // every window made from the same module.
  static HINSTANCE measured_for = nullptr;
  static LayoutMeasures measured;
  if (measured_for == instance() && measured_for != nullptr) {
    measures_ = measured;
    return true;
  }
  HWND layout = CreateDialogParamW(instance(), MAKEINTRESOURCEW(IDD_PARAMETER_LAYOUT), hwnd(),
                                   LayoutTemplateProcedure, 0);
  if (layout == nullptr) return false;
  LayoutSamples samples;
  bool complete = true;
  for (int i = 0; i < kLayoutSampleCount; ++i) {
    HWND control = GetDlgItem(layout, kLayoutSampleFirstId + i);
    if (control == nullptr) {
      complete = false;
      break;
    }
    RECT r = ClientRectOf(control, layout);
    if (i == IDC_LAYOUT_WIDE_LIST - kLayoutSampleFirstId ||
        i == IDC_LAYOUT_NARROW_LIST - kLayoutSampleFirstId) {
      // A list's window is its closed height; the page needs the dropped size.
      RECT dropped = {0, 0, 0, 0};
      SendMessageW(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
      MapWindowPoints(HWND_DESKTOP, layout, reinterpret_cast<POINT*>(&dropped), 2);
      r = dropped;
    }
    samples[static_cast<size_t>(i)] = ToLayout(r);
  }
  RECT whole = {0, 0, 0, 0};
  GetWindowRect(layout, &whole);
  DestroyWindow(layout);
  if (!complete) return false;
  measures_ = MeasureLayout(samples, {whole.right - whole.left, whole.bottom - whole.top});
  measured = measures_;
  measured_for = instance();
  return true;
}

bool ParameterSettingsWindow::MakePages() {
  form_.Build(table_, image_->Block(block_number_), measures_);
  HWND tab = Item(IDC_SETTINGS_TAB);
  std::vector<std::string> captions;
  for (const FormPage& page : form_.pages()) captions.push_back(page.caption);
  if (captions.empty()) captions.push_back(kNoItemsTabCaption);
  for (size_t i = 0; i < captions.size(); ++i) {
    std::wstring caption = ToWide(captions[i]);
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    if (SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item)) < 0) return false;
  }

  // Pages stand inside the tab control, below its row of tabs.
  TEXTMETRICW metrics = {};
  HDC dc = GetDC(tab);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(tab, WM_GETFONT, 0, 0)));
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(tab, dc);
  const RECT area = ClientRectOf(tab, hwnd());
  for (size_t i = 0; i < form_.pages().size(); ++i) {
    ParameterPage::Listener* listener = this;
    auto page = std::make_unique<ParameterPage>(listener);
    if (!page->Create(instance(), IDD_PARAMETER_PAGE, hwnd())) return false;
    SetWindowPos(page->hwnd(), HWND_TOP, area.left + 1, area.top + 2 * metrics.tmHeight, measures_.page_width,
                 measures_.page_height, SWP_NOACTIVATE | SWP_HIDEWINDOW);
    EnableWindow(page->hwnd(), FALSE);
    pages_.push_back(std::move(page));
  }
  return true;
}

bool ParameterSettingsWindow::MakeControls(int page_index) {
  made_[static_cast<size_t>(page_index)] = true;
  HWND page = PageWindow(page_index);
  const bool themed = ThemeActive();
  for (int i = 0; i < form_.size(); ++i) {
    const FormControl& c = form_.control(i);
    if (c.page != page_index) continue;
    const wchar_t* window_class = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE | (c.enabled ? 0 : WS_DISABLED);
    DWORD extended = 0;
    std::wstring text = ToWide(c.caption);
    switch (c.type) {
      case ControlType::kLabel:
        style |= SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX;
        break;
      case ControlType::kEdit:
        window_class = L"EDIT";
        extended = WS_EX_CLIENTEDGE;
        style |= WS_TABSTOP | ES_AUTOHSCROLL | (c.display == DisplayClass::kText ? 0 : ES_UPPERCASE) |
                 (themed ? 0 : WS_BORDER);
        text = ToWide(c.text);
        break;
      case ControlType::kButton:
        window_class = L"BUTTON";
        // Radio buttons are checked by the window: each group keeps its own selection.
        style |= WS_TABSTOP | BS_NOTIFY |
                 (c.role == ButtonRole::kRadioMember ? BS_RADIOBUTTON : BS_AUTOCHECKBOX) |
                 (c.group_start ? WS_GROUP : 0);
        break;
      case ControlType::kList:
        window_class = L"COMBOBOX";
        style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
        text.clear();
        break;
    }
    HWND control = CreateWindowExW(extended, window_class, text.c_str(), style, c.rect.x, c.rect.y,
                                   c.rect.width, c.rect.height, page,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance(), nullptr);
    if (control == nullptr) return false;
    controls_[static_cast<size_t>(i)] = control;
    index_of_[control] = i;
    SendMessageW(control, WM_SETFONT, SendMessageW(page, WM_GETFONT, 0, 0), FALSE);
    if (c.type == ControlType::kEdit && !AttachInputFilter(control, FilterFlagsFor(c.display))) return false;
    for (size_t n = 0; n < c.entries.size(); ++n) {
      const LRESULT at =
          SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(c.entries[n]).c_str()));
      if (at < 0) return false;
      SendMessageW(control, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(n));
    }
    // The form's state, which a reload may have changed since the build.
    ShowState(i);
    if (tool_tip_ != nullptr && c.IsValueControl()) {
      TOOLINFOW tool = {};
      tool.cbSize = TTTOOLINFOW_V2_SIZE;
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = page;
      tool.uId = reinterpret_cast<UINT_PTR>(control);
      tool.lpszText = LPSTR_TEXTCALLBACKW;
      SendMessageW(tool_tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
  return true;
}

void ParameterSettingsWindow::OnDestroy() {
  RemovePropW(hwnd(), kKeysProperty);
}

void ParameterSettingsWindow::Destroy() {
  if (hwnd() != nullptr) DestroyWindow(hwnd());
  pages_.clear();
  controls_.clear();
  made_.clear();
  index_of_.clear();
  form_ = SettingsForm();
  tool_tip_ = nullptr;
  bold_font_.Reset();
  current_page_ = -1;
  changed_ = false;
  closing_ = false;
  definition_ = nullptr;
  table_ = nullptr;
  image_ = nullptr;
}

void ParameterSettingsWindow::SetEnabled(bool enabled) {
  if (hwnd() != nullptr) EnableWindow(hwnd(), enabled ? TRUE : FALSE);
}

int ParameterSettingsWindow::IndexOf(HWND control) const {
  auto found = index_of_.find(control);
  return found == index_of_.end() ? -1 : found->second;
}

void ParameterSettingsWindow::ShowPage(int page) {
  SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_SETTINGS_TAB)), TRUE);
  ClearHelp();
  if (HWND old = PageWindow(current_page_)) {
    ShowWindow(old, SW_HIDE);
    EnableWindow(old, FALSE);
  }
  current_page_ = page;
  HWND now = PageWindow(page);
  if (now == nullptr) return;
  if (!made_[static_cast<size_t>(page)] && !MakeControls(page)) {
    // Through the normal close, so the main window's state stays as it should.
    ShowFailure(hwnd(), kControlsFailedText);
    Close();
    return;
  }
  EnableWindow(now, TRUE);
  ShowWindow(now, SW_SHOW);
}

void ParameterSettingsWindow::ShowHelp(int index) {
  const ParameterItem* item = form_.control(index).item;
  if (item == nullptr) return;
  SetItemText(IDC_SETTINGS_HELP_NAME, item->name);
  SetItemText(IDC_SETTINGS_HELP_TEXT, item->help);
}

void ParameterSettingsWindow::ClearHelp() {
  SetItemText(IDC_SETTINGS_HELP_NAME, "");
  SetItemText(IDC_SETTINGS_HELP_TEXT, "");
}

void ParameterSettingsWindow::ShowState(int index) {
  const FormControl& c = form_.control(index);
  HWND control = ControlWindow(index);
  if (control == nullptr) return;  // its page is not made yet
  const bool updating = updating_;
  updating_ = true;
  switch (c.type) {
    case ControlType::kEdit:
      if (GetWindowTextA932(control) != c.text) SetWindowTextA932(control, c.text);
      break;
    case ControlType::kButton:
      SendMessageW(control, BM_SETCHECK, c.checked ? BST_CHECKED : BST_UNCHECKED, 0);
      EnableWindow(control, c.enabled ? TRUE : FALSE);
      break;
    case ControlType::kList:
      SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(c.choice), 0);
      break;
    case ControlType::kLabel:
      break;
  }
  updating_ = updating;
}

void ParameterSettingsWindow::ReloadControls(const BlockImage& source) {
  form_.Reload(source);
  for (int i = 0; i < form_.size(); ++i) ShowState(i);
}

void ParameterSettingsWindow::Reload(const BlockImage& source) {
  if (!IsOpen()) return;
  ReloadControls(source);
  SetChanged(false);
}

void ParameterSettingsWindow::ReadControls() {
  for (int i = 0; i < form_.size(); ++i) {
    HWND control = ControlWindow(i);
    if (control == nullptr) continue;  // a page not made yet: the form holds its state
    switch (form_.control(i).type) {
      case ControlType::kEdit:
        form_.SetText(i, GetWindowTextA932(control));
        break;
      case ControlType::kButton:
        form_.SetChecked(i, SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
        break;
      case ControlType::kList:
        form_.SetChoice(i, static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0)));
        break;
      case ControlType::kLabel:
        break;
    }
  }
}

void ParameterSettingsWindow::Store() {
  if (!IsOpen() || image_ == nullptr) return;
  ReadControls();
  form_.Store(image_->Block(block_number_), ShownAs);
}

void ParameterSettingsWindow::SetChanged(bool changed) {
  changed_ = changed;
  if (!changed) {
    // A button about to be disabled must not keep the focus, or the keyboard goes dead.
    HWND focus = GetFocus();
    if (focus == Item(IDC_SETTINGS_OK) || focus == Item(IDC_SETTINGS_APPLY)) {
      SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_SETTINGS_CANCEL)), TRUE);
    }
  }
  Enable(IDC_SETTINGS_OK, changed);
  Enable(IDC_SETTINGS_APPLY, changed);
}

void ParameterSettingsWindow::OnPageCommand(int code, HWND control) {
  const int i = IndexOf(control);
  if (i < 0 || updating_) return;
  switch (form_.control(i).type) {
    case ControlType::kEdit:
      if (code == EN_SETFOCUS) {
        ShowHelp(i);
      } else if (code == EN_CHANGE) {
        if (form_.TextChanged(i, GetWindowTextA932(control))) SetChanged(true);
      } else if (code == EN_KILLFOCUS) {
        // Writing the normal form back marks the window changed through EN_CHANGE.
        const std::string normal = form_.NormalisedText(i);
        if (normal != form_.control(i).text) SetWindowTextA932(control, normal);
      }
      break;
    case ControlType::kButton:
      if (code == BN_SETFOCUS) {
        ShowHelp(i);
      } else if (code == BN_CLICKED) {
        const FormUpdate update =
            form_.ButtonClicked(i, SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
        for (int other : update.refresh) ShowState(other);
        if (update.changed) SetChanged(true);
      }
      break;
    case ControlType::kList: {
      const bool confirmed = code == CBN_SELENDOK ||
                             (code == CBN_SELCHANGE && SendMessageW(control, CB_GETDROPPEDSTATE, 0, 0) == 0);
      if (code == CBN_SETFOCUS) {
        ShowHelp(i);
      } else if (confirmed) {
        if (form_.ChoiceConfirmed(i, static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0))))
          SetChanged(true);
      }
      break;
    }
    case ControlType::kLabel:
      break;
  }
}

void ParameterSettingsWindow::OnToolTipRequest(HWND control) {
  const int i = IndexOf(control);
  if (i >= 0) ShowHelp(i);
}

bool ParameterSettingsWindow::OnNotify(int id, NMHDR* header, LRESULT& result) {
  if (id != IDC_SETTINGS_TAB || header->code != TCN_SELCHANGE) return false;
  ShowPage(static_cast<int>(SendItem(IDC_SETTINGS_TAB, TCM_GETCURSEL)));
  result = 0;
  return true;
}

bool ParameterSettingsWindow::OnCommand(int code, int id, HWND control) {
  if (control != nullptr && code != BN_CLICKED) return false;
  switch (id) {
    case IDC_SETTINGS_INITIAL:
      AskInitialValues();
      return true;
    case IDC_SETTINGS_COPY:
      AskCopy();
      return true;
    case IDC_SETTINGS_APPLY:
      Store();
      applied_ = true;
      SetChanged(false);
      return true;
    case IDC_SETTINGS_OK:
      Store();
      applied_ = true;
      Close();
      return true;
    case IDC_SETTINGS_CANCEL:
      Close();
      return true;
    case IDOK:  // Enter
      MoveFocusOnEnter();
      return true;
    case IDCANCEL:  // Escape does nothing
      return true;
    default:
      return false;
  }
}

void ParameterSettingsWindow::MoveFocusOnEnter() {
  HWND page = PageWindow(current_page_);
  if (page == nullptr) return;
  HWND focus = GetFocus();
  HWND next = nullptr;
  if (focus != nullptr && IsChild(page, focus)) {
    next = GetNextDlgTabItem(page, focus, GetKeyState(VK_SHIFT) < 0 ? TRUE : FALSE);
  } else {
    next = GetNextDlgTabItem(page, nullptr, FALSE);
  }
  if (next != nullptr) SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
}

void ParameterSettingsWindow::AskInitialValues() {
  const std::string& name = block().name;
  if (ShowMessage(hwnd(), InitialValueQuestion(name), name, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  ReloadControls(table_->default_image);
  SetChanged(true);
}

void ParameterSettingsWindow::AskCopy() {
  CopySourceDialog dialog(*definition_, block_number_);
  if (dialog.RunModal(instance(), IDD_COPY_SOURCE, hwnd()) != IDOK || dialog.chosen() == 0) return;
  const std::string& name = block().name;
  const std::string& source = definition_->blocks[static_cast<size_t>(dialog.chosen() - 1)].name;
  if (ShowMessage(hwnd(), CopyQuestion(name, source), name, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  // The other block's values, read with this window's items at the same offsets.
  ReloadControls(image_->Block(dialog.chosen()));
  SetChanged(true);
}

void ParameterSettingsWindow::Close() {
  if (closing_ || hwnd() == nullptr) return;
  // Without the message the main window would never take the window down: stay open then.
  if (!PostMessageW(main_window_, WM_SETTINGS_CLOSED, static_cast<WPARAM>(block_number_),
                    reinterpret_cast<LPARAM>(this))) {
    return;
  }
  closing_ = true;
  SetChanged(false);
  ShowWindow(hwnd(), SW_HIDE);
}

}  // namespace orvex
