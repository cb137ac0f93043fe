// OrvexRoll's start-up pieces that touch the system: the command line and the update information,
// the run folder, the documents folder, the install folder from the registry, the operating
// system's version, the folder selection and bringing the window to the front.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "UpdateInfo.h"

namespace orvex::autoupdate {

// What the process start hands to the main window.
struct RollConfig {
  std::string program_path;      // this program, its network drive replaced by the share
  std::string executable_name;   // "OrvexRoll"
  std::string update_folder;     // ends in '\'
  std::string documents_base;    // second argument or the program's folder, ends in '\' ("Orvex\" not yet added)
  uint32_t own_version = 0;
  UpdateInfo info;
  ToolAvailability parameter_tool = kToolNotConfigured;
  // Test seam only: the Windows directory the run folder and the installed files are taken from.
  // Empty (always in the program) means the system's own.
  std::string windows_directory;
};

// Process start: command line, own version, update information read and checked. False with the
// message box text in *message.
bool ReadRollConfig(RollConfig* config, std::string* message);

// The run folder "<drive>\<executable>\YYYYMMDD_hhmmss\" and its "Old\" created (the next free
// second taken when the name exists). False with the message box text.
bool CreateRunFolder(const std::string& windows_directory, const std::string& executable_name,
                     std::string* run_folder, std::string* message);

// The Windows directory, without a trailing '\'; empty on failure.
std::string SystemWindowsDirectory();

// The first Installer\Folders value name "...\Bin\" holding OrvexSet.exe; empty when none.
std::string InstallFolderFromRegistry(bool view64);

// "OS Ver 10.0.19045 (2) Service Pack 1".
std::string OsVersionText();

// Opening "<folder>$dummy.file$": 0 when it opened, else the system error.
uint32_t ProbeFolder(const std::string& folder);

// Every file of a folder, its empty subfolders and the folder itself.
void RemoveFolderTree(const std::string& folder);

// The shell's folder selection; true with the chosen folder (ending in '\').
bool BrowseForFolder(HWND owner, const std::string& title, std::string* folder);

// Restores a minimised window without activating it and puts it in front of the others.
void BringToFront(HWND hwnd);

}  // namespace orvex::autoupdate
