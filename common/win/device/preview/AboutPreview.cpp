// Shows one tool's about box against the simulated adapter of ORVEX_SIM, for a look at the
// layout and for the README's screenshots.
//   about_preview set|flash [--no-device] [--wow64] [--close-after MS]
// --wow64 shows the box as the 32-bit tool shows it on 64-bit Windows.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "AboutBox.h"
#include "DeviceChannel.h"
#include "DeviceEventQueue.h"
#include "FileVersion.h"

using namespace orvex;

namespace {

class TimedAboutBox : public AboutBox {
 public:
  TimedAboutBox(const AboutBoxLayout& layout, DeviceChannel* channel, std::string name, uint32_t version,
                UINT close_after)
      : AboutBox(layout, channel, std::move(name), version), close_after_(close_after) {}

 protected:
  bool OnInit() override {
    if (close_after_ != 0) SetTimer(hwnd(), 1, close_after_, nullptr);
    return AboutBox::OnInit();
  }
  bool OnTimer(UINT_PTR) override {
    End(IDOK);
    return true;
  }

 private:
  UINT close_after_;
};

}  // namespace

int main(int argc, char** argv) {
  bool flash = argc > 1 && std::strcmp(argv[1], "flash") == 0;
  bool device = true;
  UINT close_after = 0;
  bool wow64 = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-device") == 0) device = false;
    if (std::strcmp(argv[i], "--wow64") == 0) wow64 = true;
    if (std::strcmp(argv[i], "--close-after") == 0 && i + 1 < argc) close_after = std::atoi(argv[++i]);
  }
  ParameterDeviceChannel channel;
  DeviceEventQueue queue;
  queue.ReleaseThrough(&channel);
  if (device && channel.Open(queue.hwnd(), DeviceEventQueue::kMessages, 3) &&
      channel.Attach() == kAttachUnderWay) {
    queue.NextOf(kMessageAttachFinished, 10000);
  }
  Wow64Override wow64_answer(wow64 || RunsUnderWow64());
  TimedAboutBox box(flash ? kUpdateToolAbout : kParameterToolAbout, &channel,
                    flash ? "OrvexFlash" : "OrvexSet", ReadOwnFileVersion(), close_after);
  box.SetDefinitionFile("C:\\Program Files\\Orvex\\Cti_par.txt");
  return box.Run(nullptr, nullptr, flash ? 101 : 100) == IDOK ? 0 : 1;
}
