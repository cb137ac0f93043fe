// Finding the folder the suite's tools were installed in: Windows Installer lists every folder
// it created as a value name under ...\CurrentVersion\Installer\Folders; the install folder is the
// first "...\Bin\" among them that holds OrvexSet.exe.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orvex::autoupdate {

constexpr char kInstallerFoldersKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
constexpr char kInstalledParameterTool[] = "OrvexSet.exe";
constexpr size_t kInstallerFolderNameLimit = 519;

// `names` in the registry's order; `holds_file(path)` tells whether a file exists. The result ends
// in '\', or is empty when no folder fits.
std::string ChooseInstallFolder(const std::vector<std::string>& names,
                                const std::function<bool(const std::string&)>& holds_file);

}  // namespace orvex::autoupdate
