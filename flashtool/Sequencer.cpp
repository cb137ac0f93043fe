#include "Sequencer.h"

#include "ChildReport.h"
#include "Cp932Text.h"
#include "FileListRules.h"
#include "Format.h"

namespace orvex::flash {

SequencerSetup SetupFromHandoff(const autoupdate::AutoVerUpContent& handoff) {
  SequencerSetup setup;
  setup.first_stage = handoff.first_stage;
  setup.resume = handoff.resume_value;
  setup.retry_count = handoff.retry_count;
  setup.force = handoff.force_flag != 0;
  for (int i = 0; i < 4; ++i) setup.fixed_slots[i] = handoff.fixed_slots[i];
  setup.program_files = handoff.program_files;
  return setup;
}

using autoupdate::kReportDeviceError;
using autoupdate::kReportProgress;
using autoupdate::kReportResourceError;
using autoupdate::kReportSuccess;

std::string StageVersionText(uint32_t word) { return Format("v%X.%03X", word >> 12, word & 0x0FFF); }

namespace {

std::string FileText(const std::string& name, uint8_t kind, uint8_t subkind, uint16_t fv) {
  return Format("%s(%02Xh, %02Xh, %s)", name.c_str(), kind, subkind, StageVersionText(fv).c_str());
}

}  // namespace

Sequencer::Sequencer(SequencerSetup setup, SequencerHost& host)
    : setup_(std::move(setup)), host_(host), resume_(setup_.resume) {}

void Sequencer::Run(const DeviceVersionTable& table) {
  if (Finished()) return;
  if (!host_.FillList()) {
    host_.Report(kReportResourceError, "更新ファイル検索失敗");
    host_.EndWindow(-1);
    return;
  }
  if (stage_ == 0) Begin(table);
  if (streak_ != 0) {
    if (streak_ > setup_.retry_count) {
      host_.Report(kReportDeviceError, "更新リトライ回数オーバー");
      host_.EndWindow(-1);
      return;
    }
    host_.Report(kReportProgress, Format("更新リトライ Cnt = %d", streak_));
    host_.PostUpdate();
    return;
  }
  // Every step moves the stage on towards -4 and the end, so this ends.
  for (;;) {
    Advance();
    if (stage_ == kStageFinished) {
      Finish();
      return;
    }
    switch (Consider(table)) {
      case Step::kNext:
        continue;
      case Step::kUpdate:
        host_.PostUpdate();
        return;
      case Step::kEnd:
        return;
    }
  }
}

void Sequencer::Begin(const DeviceVersionTable& table) {
  const int32_t first = setup_.first_stage;
  generation_ = first < 1 ? 1 : table.MainWord(kWordOffset20) >> 12;
  total_ = ListCount();
  if (!setup_.fixed_slots[3].empty()) ++total_;
  if (generation_ <= 1) {
    if (!setup_.fixed_slots[0].empty()) ++total_;
    if (!setup_.fixed_slots[1].empty()) ++total_;
  }
  stage_ = first;
  if (first == 1 && generation_ <= 1) stage_ = -1;
  if (first != 1) {
    if (stage_ == -4 && generation_ <= 1) stage_ = setup_.first_stage = -3;
    host_.Report(kReportProgress, Format("修復処理実行(%d, %Xh)", stage_, resume_));
  }
  // One step back, so that the first advance lands on the stage to start with.
  if (stage_ == 1) return;
  if (stage_ > 1) {
    --stage_;
  } else if (stage_ == -2) {
    stage_ = ListCount() + 1;
  } else {
    ++stage_;
  }
}

void Sequencer::Advance() {
  const int32_t first = setup_.first_stage;
  if (stage_ >= 1) {
    ++stage_;
  } else if (stage_ == 0) {
    stage_ = -1;  // the step back from -1
  } else if (stage_ == -1) {
    stage_ = 2;
  } else if (stage_ == -2) {
    stage_ = first == -3 ? -3 : -4;
  } else if (stage_ == -3) {
    stage_ = -4;
  } else {
    stage_ = kStageFinished;
  }
  // Past the listed files (also when a repair run names a stage beyond them).
  if (stage_ >= 2 && stage_ >= ListCount() + 2) stage_ = generation_ >= 2 ? -4 : -2;
}

const std::string* Sequencer::StagePath() const {
  if (stage_ >= 2 && stage_ - 2 < ListCount()) return &setup_.program_files[static_cast<size_t>(stage_ - 2)];
  if (stage_ <= -1 && stage_ >= -4) return &setup_.fixed_slots[-stage_ - 1];
  return nullptr;
}

Sequencer::Step Sequencer::Consider(const DeviceVersionTable& table) {
  const std::string* path = StagePath();
  if (path == nullptr || path->empty()) {
    host_.Report(kReportProgress, Format("更新ファイル名未設定(%d)", stage_));
    return Step::kNext;
  }
  SplitPath split = SplitFilePath(*path);
  std::string folder = split.folder.empty() ? host_.ListFolder() : split.folder;
  if (!SameFolder(folder, host_.ListFolder()) || !EqualsNoCase(split.extension, host_.ListExtension())) {
    host_.SetListLocation(folder, split.extension);
    if (!host_.FillList()) {
      host_.Report(kReportResourceError, "更新ファイル検索失敗");
      host_.EndWindow(-1);
      return Step::kEnd;
    }
  }
  std::optional<uint32_t> data = host_.SelectFile(split.name);
  if (!data) {
    ++not_found_;
    host_.Report(kReportProgress, Format("更新対象外 : %s", split.name.c_str()));
    return Step::kNext;
  }
  const uint8_t kind = ItemKind(*data);
  const uint8_t sub = ItemSubKind(*data);
  const uint16_t fv = ItemVersion(*data);
  const int32_t s = stage_;
  const bool first_repair_stage = generation_ >= 2 && RepairRun() && setup_.first_stage == s;
  auto kinds = [](uint8_t a, uint8_t b) { return [a, b](uint8_t k) { return k == a || k == b; }; };
  auto nibble = [](int n) { return [n](uint16_t w) { return (w >> 12) == n; }; };

  uint32_t g = kNoWord;
  bool forced = false;
  switch (kind) {
    case 0x00:
      g = table.MainWord(kWordOffset20);
      forced = s == -1 || s == -2;
      if ((resume_ & 1) != 0 && s >= 2) {
        host_.Report(kReportProgress, Format("更新除外(%s) : %s", StageVersionText(g).c_str(),
                                             FileText(split.name, 0, sub, fv).c_str()));
        reset_after_update_ = false;
        return Step::kNext;
      }
      break;
    case 0x01:
    case 0x02:
      g = table.MainWord(kWordOffset18);
      forced = s == -3;
      if (first_repair_stage) reset_after_update_ = true;
      break;
    case 0x11:
      g = table.LowestLineWord(kWordOffset20, 0x02);
      break;
    case 0x10:
      switch (sub) {
        case 0x00: g = table.LowestLineWord(kWordOffset22, 0x02); break;
        case 0x20: g = table.LowestLineWord(kWordOffset22, 0x03); break;
        case 0x21: g = table.LowestLineWord(kWordOffset20, 0x03); break;
        case 0x30: g = table.LowestLineWord(kWordOffset22, 0x04); break;
        case 0x31: g = table.LowestLineWord(kWordOffset20, 0x04); break;
        case 0x32: g = table.LowestLineWord(kWordOffset22, 0x14); break;
        case 0x33: g = table.LowestLineWord(kWordOffset20, 0x14); break;
        default: forced = true; break;
      }
      break;
    case 0x20:
      if (sub == 0x40) {
        g = table.LowestLineWord(kWordOffset22, 0x05);
      } else if (sub == 0x41) {
        g = table.LowestLineWord(kWordOffset20, 0x05);
      } else {
        forced = true;
      }
      break;
    case 0x91:
      g = table.MainWord(kWordOffset22);
      forced = true;
      if (s == -4 && (resume_ & kResumeParameterWritten) != 0) {
        host_.Report(kReportProgress, "書戻不要 : " + FileText(split.name, 0x91, sub, fv));
        return Step::kNext;
      }
      if (first_repair_stage) reset_after_update_ = true;
      break;
    default:
      if ((kind & 0xF0) == 0x30) {
        switch (sub) {
          case 'R': g = table.LowestLineWord(kWordOffset18, kinds(0x00, 0x01), nibble(2)); break;
          case 'S': g = table.LowestLineWord(kWordOffset18, kinds(0x03, 0x03), nibble(3)); break;
          case 'T': g = table.LowestLineWord(kWordOffset18, kinds(0x00, 0x01), nibble(4)); break;
          case 'U': g = table.LowestLineWord(kWordOffset18, kinds(0x14, 0x14), nibble(5)); break;
          default: break;
        }
      } else {
        forced = true;
      }
      break;
  }

  if (!forced) {
    const bool wanted = g <= 0xFFFF && (RepairRun() || setup_.force || fv > g);
    if (!wanted) {
      std::string device = g <= 0xFFFF ? StageVersionText(g) : std::string("未装着");
      host_.Report(kReportProgress,
                   Format("更新不要(%s) : %s", device.c_str(), FileText(split.name, kind, sub, fv).c_str()));
      reset_after_update_ = false;
      return Step::kNext;
    }
  }

  if (s >= 2 && kind == 0x91) {
    resume_ |= kResumeListParameterFile;
  } else {
    resume_ &= ~kResumeListParameterFile;
  }
  host_.Report(kReportProgress,
               Format("更新開始(%s) : %s", StageVersionText(g).c_str(), FileText(split.name, kind, sub, fv).c_str()));
  return Step::kUpdate;
}

void Sequencer::OnUpdateSucceeded() {
  ++successes_;
  streak_ = 0;
  if (stage_ <= -1 && stage_ >= -4) {
    resume_ |= 1u << (-stage_ - 1);
  } else if (stage_ >= 1 && (resume_ & kResumeListParameterFile) != 0) {
    resume_ |= kResumeParameterWritten;
  }
}

void Sequencer::OnUpdateFailed() { ++streak_; }

bool Sequencer::TakeResetAfterUpdate() {
  bool pending = reset_after_update_;
  reset_after_update_ = false;
  return pending;
}

void Sequencer::Finish() {
  stage_ = kStageFinished;
  const int handled = total_ - not_found_;
  host_.Report(kReportSuccess, RepairRun() ? Format("修復更新成功 Cnt = %d / %d", successes_, handled)
                                           : Format("自動更新成功 Cnt = %d / %d", successes_, handled));
  host_.EndWindow(-1);
}

}  // namespace orvex::flash
