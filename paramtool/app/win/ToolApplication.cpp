#include "ToolApplication.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <ole2.h>

#include "AutoRunContext.h"
#include "ChildReporter.h"
#include "FileVersion.h"
#include "ParameterToolDialog.h"
#include "ShowMessage.h"
#include "ThemeProbe.h"
#include "VersionResource.h"

namespace orvex {

int RunParameterTool(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // The file dialogs host shell controls.
  const HRESULT ole = OleInitialize(nullptr);
  ProbeThemeActive();

  const ToolCommandLine line = ParseToolCommandLine(autoupdate::OwnCommandLineArguments(), OwnModulePath());
  AutoRunContext context;
  {
    ParameterToolDialog dialog(line.definition_path_file);
    dialog.TakeCommandLine(line);
    dialog.ReadSettings();
    dialog.Run(instance);
    if (!dialog.WasCreated()) {
      const DWORD error = GetLastError();
      if (SUCCEEDED(ole)) OleUninitialize();
      return ReportMainWindowFailure("OrvexSet", error);
    }
    context = dialog.context();
  }
  // After the window is gone, so the message has no owner that no longer exists.
  if (auto message = FinalMessageFor(context))
    ShowMessage(nullptr, message->text, message->caption, MB_OK | MB_ICONEXCLAMATION);
  if (SUCCEEDED(ole)) OleUninitialize();
  return context.file_mode != FileMode::kNone ? static_cast<int>(context.exit_code) : 0;
}

}  // namespace orvex
