#include "InstallFolder.h"

#include "Cp932Text.h"
#include "PathText.h"

namespace orvex::autoupdate {

std::string ChooseInstallFolder(const std::vector<std::string>& names,
                                const std::function<bool(const std::string&)>& holds_file) {
  for (std::string folder : names) {
    if (folder.empty()) continue;
    if (!EndsWithBackslash(folder)) folder += '\\';
    // "\Bin\" at the end; the '\' before "Bin" must be a character of its own.
    if (folder.size() < 5 || !EqualsNoCase(std::string_view(folder).substr(folder.size() - 5), "\\Bin\\")) continue;
    if (!EndsWithBackslash(std::string_view(folder).substr(0, folder.size() - 4))) continue;
    if (holds_file(folder + kInstalledParameterTool)) return folder;
  }
  return std::string();
}

}  // namespace orvex::autoupdate
