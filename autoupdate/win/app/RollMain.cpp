// OrvexRoll: reads the update information, then shows the log window, which runs the update.
#include <windows.h>

#include <commctrl.h>

#include "MainWindow.h"
#include "RollStartup.h"
#include "ShowMessage.h"

using namespace orvex::autoupdate;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  RollConfig config;
  std::string message;
  if (!ReadRollConfig(&config, &message)) {
    orvex::ShowMessage(nullptr, message, "", MB_OK);
    return 1;
  }
  MainWindow window(std::move(config));
  window.Run(instance);
  if (!window.WasCreated()) return orvex::ReportMainWindowFailure("OrvexRoll", GetLastError());
  return 0;
}
