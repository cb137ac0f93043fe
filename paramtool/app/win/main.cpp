// OrvexSet.exe
#include <windows.h>

#include "ToolApplication.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return orvex::RunParameterTool(instance);
}
