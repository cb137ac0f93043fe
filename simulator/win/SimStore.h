// The simulated adapter's state file on disk, shared by every process that uses the adapter:
// the library in OrvexSet and OrvexFlash, the driver stand-in in OrvexRoll, the tests and
// `orvex sim`. Changes are made under a named mutex (one per folder), which every reader takes
// too, so a reader never sees half a file and two writers never lose each other's changes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Handles.h"
#include "SimState.h"

namespace orvex::sim {

// Milliseconds since 1970 (UTC), the clock of `away_until`.
int64_t WallClockMs();

class SimStore {
 public:
  // The folder named by ORVEX_SIM, or empty when it is not set.
  static std::wstring FolderFromEnvironment();

  explicit SimStore(std::wstring folder);

  const std::wstring& Folder() const { return folder_; }
  std::wstring StatePath() const;
  std::wstring FilePath(std::string_view name) const;

  // Reads and parses the state file.
  bool Load(SimState* state, std::string* error);
  // Reads the state, lets `change` modify it and writes it back when its text changed; *result
  // (when given) receives the state as it is now. Nothing is written when the file cannot be read.
  bool Update(const std::function<void(SimState&)>& change, SimState* result, std::string* error);
  // Whether the file changed since this store last read or wrote it.
  bool Changed() const;

  // The adapter's stored parameter save file, or an empty one when it has never been written.
  std::vector<uint8_t> ReadParameters(const SimState& state);
  bool WriteParameters(const SimState& state, const std::vector<uint8_t>& file);

  // Writes a fresh state file (and no parameter file); false with a message when it fails.
  bool WriteInitial(std::string* error);

  // One line in OrvexSim.log when the state asks for a log.
  void Log(const SimState& state, std::string_view line);

 private:
  class Lock;
  bool ReadText(std::string* text, std::string* error);
  bool ReplaceFile(const std::wstring& path, const std::string& bytes, std::string* error);
  void Remember();

  std::wstring folder_;
  UniqueHandle mutex_;
  uint64_t seen_time_ = 0;
  uint64_t seen_size_ = 0;
};

}  // namespace orvex::sim
