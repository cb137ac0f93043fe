// One page of the settings window (dialog 113): an empty child dialog that the window fills with
// controls. It hands its controls' notifications to the window, which owns every decision.
#pragma once

#include <windows.h>

#include "Dialog.h"

namespace orvex {

class ParameterPage : public Dialog {
 public:
  class Listener {
   public:
    virtual ~Listener() = default;
    // WM_COMMAND of a control on the page.
    virtual void OnPageCommand(int code, HWND control) = 0;
    // The page's tool tip asks for the text of a control the mouse rests on.
    virtual void OnToolTipRequest(HWND control) = 0;
  };

  explicit ParameterPage(Listener* listener) : listener_(listener) {}

 protected:
  bool OnCommand(int code, int id, HWND control) override;
  bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
  void OnClose() override {}

 private:
  Listener* listener_;
};

}  // namespace orvex
