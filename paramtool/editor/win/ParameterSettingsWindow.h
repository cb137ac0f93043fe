// The settings window of one command block (dialog 111): a modeless window with one tab page
// per tag of the block's table, whose controls are made from the definition. It edits the
// block's slice of the main window's working image; the page layout and the editing rules are
// SettingsForm's, this class keeps the system's controls in step with it.
//
// Closing (OK, Cancel, the close box) posts WM_SETTINGS_CLOSED to the main window, which then
// calls Destroy. Open windows need InstallSettingsWindowKeys for their keyboard while the main
// window runs modally.
#pragma once

#include <windows.h>

#include <memory>
#include <unordered_map>
#include <vector>

#include "Dialog.h"
#include "EditorIds.h"
#include "Handles.h"
#include "ParameterDefinition.h"
#include "ParameterImage.h"
#include "ParameterPage.h"
#include "SettingsForm.h"

namespace orvex {

// wParam = the command block, lParam = (LPARAM) the ParameterSettingsWindow*.
inline constexpr UINT WM_SETTINGS_CLOSED = WM_APP + 0x300;

// Call once on the user-interface thread (the main window does it at start-up): from then on
// Tab, Enter, Shift+Enter, Escape and the mnemonics of every open settings window work although
// the thread's message loop is that of a modal dialog, which serves only its own window. A
// message hook hands the keys of a settings window to IsDialogMessage. False when the hook
// cannot be set; a second call does nothing.
bool InstallSettingsWindowKeys();
// Removes the hook (at the end of the thread, or of a test).
void RemoveSettingsWindowKeys();

class ParameterSettingsWindow : public Dialog, private ParameterPage::Listener {
 public:
  explicit ParameterSettingsWindow(int command_block);  // 1..5
  ~ParameterSettingsWindow() override;

  // Builds and shows the window modeless over main_window; it edits its block's slice of
  // *image with *definition (both outlive the window). False when the block has no table
  // (nothing shown), or when the window could not be made (its failure message was shown).
  bool Open(HINSTANCE instance, HWND main_window, const ParameterDefinition* definition,
            ParameterImage* image);
  bool IsOpen() const { return hwnd() != nullptr; }
  // Puts the values of a block image into the controls; the window is unchanged afterwards.
  void Reload(const BlockImage& source);
  // Writes the controls into the window's block image.
  void Store();
  // Edited and not applied (OK and Apply are enabled).
  bool changed() const { return changed_; }
  // Something was applied since the main window last cleared the flag.
  bool applied() const { return applied_; }
  void set_applied(bool applied) { applied_ = applied; }
  // The main window disables open windows during transfers.
  void SetEnabled(bool enabled);
  int command_block() const { return block_number_; }
  // Destroys the window and its pages; the main window calls it after WM_SETTINGS_CLOSED.
  void Destroy();

  // What the window shows, for tests and the preview.
  const SettingsForm& form() const { return form_; }
  // Null while the control's page was never shown.
  HWND ControlWindow(int index) const { return controls_[static_cast<size_t>(index)]; }
  HWND PageWindow(int page) const;
  int current_page() const { return current_page_; }
  const LayoutMeasures& measures() const { return measures_; }

 protected:
  bool OnInit() override;
  bool OnCommand(int code, int id, HWND control) override;
  bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
  void OnClose() override { Close(); }
  void OnDestroy() override;

 private:
  void OnPageCommand(int code, HWND control) override;
  void OnToolTipRequest(HWND control) override;

  bool Build();
  bool MeasureTemplate();
  bool MakePages();
  bool MakeControls(int page);
  void ShowPage(int page);
  void ShowHelp(int index);
  void ClearHelp();
  void ShowState(int index);
  void ReloadControls(const BlockImage& source);
  void ReadControls();
  void SetChanged(bool changed);
  void MoveFocusOnEnter();
  void AskInitialValues();
  void AskCopy();
  void Close();
  int IndexOf(HWND control) const;
  const CommandBlock& block() const;

  const int block_number_;
  HWND main_window_ = nullptr;
  const ParameterDefinition* definition_ = nullptr;
  const ParameterTable* table_ = nullptr;
  ParameterImage* image_ = nullptr;

  LayoutMeasures measures_;
  SettingsForm form_;
  std::vector<std::unique_ptr<ParameterPage>> pages_;
  std::vector<HWND> controls_;  // one per form control; null until its page is made
  std::vector<bool> made_;      // per page
  std::unordered_map<HWND, int> index_of_;
  HWND tool_tip_ = nullptr;
  UniqueFont bold_font_;
  int current_page_ = -1;
  bool changed_ = false;
  bool applied_ = false;
  bool closing_ = false;
  bool build_failed_ = false;  // the build showed its message
  bool updating_ = false;      // the window itself is setting its controls
};

}  // namespace orvex
