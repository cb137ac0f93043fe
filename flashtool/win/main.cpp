// OrvexFlash.exe: the version update tool. With "/a AutoVerUp.def /w ..." it is OrvexRoll's
// child and updates the device on its own.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "ChildReporter.h"
#include "FileVersion.h"
#include "HandoffFileIo.h"
#include "MainWindow.h"
#include "Settings.h"
#include "VersionResource.h"

using namespace orvex;
using namespace orvex::flash;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  FlashStart start;
  start.args = autoupdate::ParseOwnCommandLine();
  autoupdate::ChildReporter reporter(autoupdate::ChildTool::kVersionUpdateTool, start.args);
  if (start.args.automatic) {
    start.handoff_files =
        autoupdate::ReadAutoVerUpFile(start.args.handoff_path, OwnModulePath(), &start.handoff, &reporter);
  }
  start.update_folder = Settings(OwnProgramName()).GetText("PrgFolder");

  MainWindow window(std::move(start), &reporter);
  const INT_PTR result = window.Run(instance);
  if (!window.WasCreated()) return ReportMainWindowFailure("OrvexFlash", GetLastError());
  return static_cast<int>(result);
}
