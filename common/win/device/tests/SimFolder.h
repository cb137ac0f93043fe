// A fresh simulated adapter for one test: its own folder, named by ORVEX_SIM while it lives.
#pragma once

#include <windows.h>

#include <string>

#include "SimState.h"

namespace orvex::test {

class SimFolder {
 public:
  // The default adapter, fast (time_scale 5), with the given "key = value" lines laid over it.
  explicit SimFolder(const std::string& lines = "");
  ~SimFolder();
  SimFolder(const SimFolder&) = delete;
  SimFolder& operator=(const SimFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  // Lays more lines over the state file; the test fails when they are refused.
  void Set(const std::string& lines);
  sim::SimState State() const;
  std::string Log() const;
  // Waits (up to 10 s) until the log holds `text`; true when it does.
  bool WaitForLog(const std::string& text) const;
  std::string ReadFile(const std::string& name) const;
  // Waits (up to 30 s) until the adapter is on the bus, back from a restart or reset; true when
  // it is.
  bool WaitAvailable() const;

 private:
  std::wstring path_;
};

}  // namespace orvex::test
