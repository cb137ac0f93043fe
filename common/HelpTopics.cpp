#include "HelpTopics.h"

namespace orvex {
namespace {

struct WindowTopic {
  int dialog_id;
  const char* topic;
};

// Dialog template ids as in the programs' resources (paramtool/app/ToolIds.h,
// paramtool/editor/win/EditorIds.h, flashtool/win/res/FlashIds.h); the pages are under help/topics.
constexpr WindowTopic kSetTopics[] = {
    {110, "set-main.html"},          // IDD_PARAMETER_TOOL
    {111, "set-settings.html"},      // IDD_PARAMETER_SETTINGS
    {112, "set-settings.html"},      // IDD_PARAMETER_LAYOUT
    {113, "set-settings.html"},      // IDD_PARAMETER_PAGE
    {118, "set-settings.html"},      // IDD_COPY_SOURCE
    {114, "set-transfer.html#read"},     // IDD_READ_TRANSFER
    {116, "set-transfer.html#read"},     // IDD_READ_CONFIRM
    {115, "set-transfer.html#write"},    // IDD_WRITE_TRANSFER
    {117, "set-transfer.html#connect"},  // IDD_CONNECT_CONFIRM
};
constexpr WindowTopic kFlashTopics[] = {
    {120, "flash-main.html"},                // IDD_FLASH_MAIN
    {129, "flash-update.html"},              // IDD_FLASH_UPDATE
    {121, "flash-settings.html"},            // IDD_FLASH_SETTINGS
    {130, "flash-folder.html#extension"},    // IDD_FLASH_EXTENSION
};

template <size_t N>
std::string_view Find(const WindowTopic (&table)[N], int dialog_id) {
  for (const WindowTopic& entry : table) {
    if (entry.dialog_id == dialog_id) return entry.topic;
  }
  return table[0].topic;
}

}  // namespace

std::string_view HelpTopic(HelpBook book, int dialog_id) {
  return book == HelpBook::kOrvexSet ? Find(kSetTopics, dialog_id) : Find(kFlashTopics, dialog_id);
}

std::string HelpTarget(std::string_view help_path, std::string_view topic) {
  std::string target(help_path);
  if (!topic.empty()) target.append("::/").append(topic);
  return target;
}

}  // namespace orvex
