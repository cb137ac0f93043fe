// The automatic mode's sequencer: walks the handed-over program files stage by stage, compares
// each file's version with what the device reports, starts the updates that are needed, retries
// failed ones and reports every step. The window supplies the list, the reports and the update
// command through SequencerHost.
//
// Stages: -1, -2, -3 the fixed main-controller slots, -4 the parameter save file slot, 2..n+1 the
// n listed files, -5 finished. A run whose first stage is not 1 is a repair run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DeviceVersionTable.h"
#include "HandoffFile.h"

namespace orvex::flash {

class SequencerHost {
 public:
  virtual ~SequencerHost() = default;
  // One report; the sequencer's stage and resume value go with it.
  virtual void Report(uint32_t code, const std::string& text) = 0;
  // Fills the update file list again; false when the search failed.
  virtual bool FillList() = 0;
  virtual std::string ListFolder() const = 0;
  virtual std::string ListExtension() const = 0;
  virtual void SetListLocation(const std::string& folder, const std::string& extension) = 0;
  // Selects only the row of this name; its item data, nothing when the list has no such file.
  virtual std::optional<uint32_t> SelectFile(const std::string& name) = 0;
  // Starts the update of the selected row (posted; the update dialog runs later).
  virtual void PostUpdate() = 0;
  virtual void EndWindow(int result) = 0;
};

struct SequencerSetup {
  int32_t first_stage = 1;
  uint32_t resume = 0;
  int32_t retry_count = 0;
  bool force = false;
  std::string fixed_slots[4];  // stages -1, -2, -3, -4
  std::vector<std::string> program_files;
};

// The automatic mode's setup as AutoVerUp.def gives it.
SequencerSetup SetupFromHandoff(const autoupdate::AutoVerUpContent& handoff);

constexpr int32_t kStageFinished = -5;
constexpr uint32_t kResumeListParameterFile = 1u << 16;  // the update under way: a listed save file
constexpr uint32_t kResumeParameterWritten = 1u << 17;   // such a file has been written

class Sequencer {
 public:
  Sequencer(SequencerSetup setup, SequencerHost& host);

  // One pass, when the main controller's channel has started (or after a refused file).
  void Run(const DeviceVersionTable& table);
  // The update dialog's outcome.
  void OnUpdateSucceeded();
  void OnUpdateFailed();
  // A reset is due after the next successful update; taking it clears it.
  bool TakeResetAfterUpdate();

  int32_t Stage() const { return stage_; }
  uint32_t Resume() const { return resume_; }
  int32_t FirstStage() const { return setup_.first_stage; }
  bool Started() const { return stage_ != 0; }
  bool Finished() const { return stage_ == kStageFinished; }
  bool RepairRun() const { return setup_.first_stage != 1; }
  int Generation() const { return generation_; }
  int Successes() const { return successes_; }
  int FailureStreak() const { return streak_; }
  int NotFound() const { return not_found_; }
  int Total() const { return total_; }
  bool ResetPending() const { return reset_after_update_; }

 private:
  enum class Step { kNext, kUpdate, kEnd };

  void Begin(const DeviceVersionTable& table);
  void Advance();
  // Steps 5-8 for the current stage: what happens with its file.
  Step Consider(const DeviceVersionTable& table);
  const std::string* StagePath() const;
  int ListCount() const { return static_cast<int>(setup_.program_files.size()); }
  void Finish();

  SequencerSetup setup_;
  SequencerHost& host_;
  int32_t stage_ = 0;
  uint32_t resume_ = 0;
  int generation_ = 1;
  int total_ = 0;
  int successes_ = 0;
  int not_found_ = 0;
  int streak_ = 0;
  bool reset_after_update_ = false;
};

// "v%X.%03X" of a word (kNoWord shows as v10.000).
std::string StageVersionText(uint32_t word);

}  // namespace orvex::flash
