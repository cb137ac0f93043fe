#include "AboutBox.h"

#include "DeviceChannel.h"
#include "FileVersion.h"
#include "OrvexLibrary.h"

namespace orvex {

AboutFacts CollectAboutFacts(DeviceChannel* channel) {
  AboutFacts facts;
  if (channel == nullptr) {
    facts.library_version = OrvexGetLibraryVersion(0);
    facts.expected_library_version = kExpectedLibraryVersion;
    return facts;
  }
  facts.driver_version =
      channel->Versions(&facts.library_version, &facts.expected_library_version, &facts.driver_detail);
  facts.voice_channels = channel->InfoBlock().VoiceChannels();
  HANDLE device = channel->DeviceHandle();
  facts.device_open = device != nullptr && device != INVALID_HANDLE_VALUE;
  if (facts.device_open) {
    for (int i = 0; i < 3; ++i) facts.device_text[i] = channel->DeviceText(i + 1);
  }
  return facts;
}

AboutBox::AboutBox(const AboutBoxLayout& layout, DeviceChannel* channel, std::string program_name,
                   uint32_t own_version)
    : layout_(layout), channel_(channel), program_name_(std::move(program_name)), own_version_(own_version) {}

INT_PTR AboutBox::Run(HWND parent, HINSTANCE instance, int template_id) {
  return RunModal(instance ? instance : GetModuleHandleW(nullptr), template_id, parent);
}

bool AboutBox::OnInit() {
  AboutFacts facts = CollectAboutFacts(channel_);
  facts.program_name = program_name_;
  facts.own_version = own_version_;
  facts.wow64 = layout_.wow64_mark && RunsUnderWow64();

  if (layout_.title >= 0 && !title_.empty()) SetItemText(layout_.title, title_);
  SetItemText(layout_.own_version, AboutOwnVersionLine(facts));
  SetItemText(layout_.library, AboutLibraryLine(facts));
  SetItemText(layout_.driver, AboutDriverLine(facts));
  SetItemText(layout_.description, AboutDeviceDescription(facts));
  SetItemText(layout_.notice, AboutNoticeLine(GetItemText(layout_.notice), facts));
  if (layout_.definition >= 0) SetItemText(layout_.definition, definition_);

  // The owner's icon, or the system's application icon.
  HWND owner = GetParent(hwnd());
  HICON icon = owner ? reinterpret_cast<HICON>(SendMessageW(owner, WM_GETICON, ICON_BIG, 0)) : nullptr;
  if (icon == nullptr) icon = LoadIconW(nullptr, IDI_APPLICATION);
  SendItem(IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon));
  return true;
}

}  // namespace orvex
