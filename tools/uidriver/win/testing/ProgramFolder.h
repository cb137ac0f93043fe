// What an end-to-end test sets up around a driven program: a scratch folder (removed at the end)
// with the program, the simulated Orvex.dll and files copied in. A fresh simulated adapter comes
// from SimFolder, which also names it in ORVEX_SIM for every program the test starts.
#pragma once

#include <string>

#include "ScratchFolder.h"
#include "SimFolder.h"

namespace orvex::uidriver {

using orvex::test::SimFolder;

class ProgramFolder {
 public:
  ProgramFolder() = default;
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

  // The folder, ending in '\'.
  const std::string& Path() const { return scratch_.Path(); }
  std::string PathOf(const std::string& name) const { return Path() + name; }
  // A subfolder, created, ending in '\'.
  std::string Sub(const std::string& name) const { return scratch_.Sub(name); }

  // Copies a program of the build tree ("flashtool/OrvexFlash.exe", relative to
  // ORVEX_BINARY_DIR) in, with the Orvex.dll that lies beside it; returns its new path. A
  // missing program fails the test and gives "".
  std::string AddProgram(const std::string& build_relative, const std::string& as_name = {});
  // Copies any file in (a Windows path); returns its new path or "" (test failed).
  std::string AddFile(const std::string& path, const std::string& as_name = {});

  bool Write(const std::string& name, const std::string& bytes) const;
  // Reads a file even while the program has it open for writing.
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  autoupdate::test_support::ScratchFolder scratch_;
};

}  // namespace orvex::uidriver
