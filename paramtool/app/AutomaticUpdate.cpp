#include "AutomaticUpdate.h"

#include "Format.h"
#include "ParameterSaveFile.h"
#include "PathText.h"
#include "ToolTexts.h"

namespace orvex {
namespace {

int Major(uint16_t version) {
  return version >> 12;
}
unsigned Minor(uint16_t version) {
  return version & 0xFFFu;
}

// A folder text and a name; a folder without its trailing backslash still gets one between.
std::string InFolder(std::string_view folder, std::string_view name) {
  return JoinPath(folder, name);
}

bool HasFolderPart(std::string_view name) {
  return !IsBareFileName(name);
}

// The save file's outcome as the update reports it, for the OLD_ and the new file.
struct SaveTexts {
  const char* saved;
  const char* no_memory;
  const char* not_created;
  const char* write_failed;
};
constexpr SaveTexts kOldTexts = {texts::kOldParametersSavedReport, texts::kOldParametersNoMemoryReport,
                                 texts::kOldParametersNotCreatedReport,
                                 texts::kOldParametersWriteFailedReport};
constexpr SaveTexts kNewTexts = {texts::kNewParametersSavedReport, texts::kNewParametersNoMemoryReport,
                                 texts::kNewParametersNotCreatedReport,
                                 texts::kNewParametersWriteFailedReport};

// Writes the working image as a parameter save file; the report text for the outcome. True when
// written.
bool SaveParameters(const std::string& path, const ParameterImage& image, const UpdateStepInput& input,
                    FileSystem& file_system, UpdateFiles& files, const SaveTexts& words, std::string* text) {
  int error = 0;
  switch (WriteSaveFile(path, &image, input.class_byte, input.version, &error, file_system)) {
    case kSaveFileWritten:
      *text = Format(words.saved, path.c_str());
      return true;
    case kSaveFileOutOfMemory:
      *text = words.no_memory;
      return false;
    case kSaveFileNotCreated:
      *text = Format(words.not_created, path.c_str(), error,
                     files.ErrorText(static_cast<uint32_t>(error)).c_str());
      return false;
    default:
      *text = Format(words.write_failed, error);
      return false;
  }
}

// Copying a file onto itself would fail although everything is in its place already.
bool CopyOver(UpdateFiles& files, const std::string& from, const std::string& to, uint32_t* error) {
  if (SamePath(from, to)) return true;
  return files.Copy(from, to, error);
}

}  // namespace

uint16_t VersionClass(uint16_t version) {
  const uint16_t version_class = version & 0xF000;
  return version_class == 0 ? 0x1000 : version_class;
}

bool DefinitionFits(uint16_t version_class, uint16_t definition_version) {
  if (version_class <= 0x1000) return (definition_version & 0xF000) == version_class;
  return definition_version >= 0x2000;
}

DefinitionChoice SelectDefinitionFile(uint16_t mc_version, const std::vector<std::string>& files,
                                      const DefinitionLoader& load, autoupdate::ReportSink& report) {
  DefinitionChoice choice;
  const uint16_t version_class = VersionClass(mc_version);
  if (version_class >= 0x8000) {
    report.Report(autoupdate::kReportSuccess,
                  Format(texts::kMcVersionRefusedReport, Major(mc_version), Minor(mc_version)));
    return choice;
  }
  bool loaded_any = false;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string& path = files[i];
    if (path.empty()) continue;
    DefinitionLoad loaded = load(path);
    if (loaded.result != kDefinitionLoaded || !loaded.definition) {
      report.Report(autoupdate::kReportFileError,
                    Format(texts::kAutoDefinitionLoadFailedReport, loaded.result, path.c_str()));
      choice.result = 1;
      return choice;
    }
    loaded_any = true;
    const uint16_t version = loaded.definition->version;
    if (!DefinitionFits(version_class, version)) {
      FreeDefinition(loaded.definition);
      continue;
    }
    report.Report(autoupdate::kReportProgress,
                  Format(texts::kDefinitionChosenReport, Major(version), Minor(version), Major(mc_version),
                         Minor(mc_version), path.c_str()));
    choice.result = 0;
    choice.index = static_cast<int>(i);
    choice.definition = std::move(loaded.definition);
    return choice;
  }
  if (loaded_any) {
    report.Report(autoupdate::kReportProgress,
                  Format(texts::kNoFittingDefinitionReport, Major(mc_version), Minor(mc_version)));
  }
  return choice;
}

InstallPlan PlanInstall(const AutoRunContext& context, std::string_view path_file_name, UpdateFiles& files) {
  InstallPlan plan;
  const autoupdate::AutoParaContent& handoff = context.handoff;
  DefinitionPathNames names;
  if (!handoff.install_folder.empty()) {
    if (auto bytes = files.ReadSmall(InFolder(handoff.install_folder, path_file_name)))
      names = ParseDefinitionPathFile(*bytes);
  }
  plan.definition_name = names.definition;
  plan.save_file_name =
      std::string(FileNamePart(handoff.save_file_name.empty() ? names.save_file : handoff.save_file_name));
  const std::string file_name(FileNamePart(plan.definition_name));
  const bool bare = !HasFolderPart(plan.definition_name);
  std::array<std::string, 3> candidates;
  if (!handoff.install_folder.empty())
    candidates[0] = bare ? InFolder(handoff.install_folder, plan.definition_name) : plan.definition_name;
  if (bare && !handoff.run_second_field.empty())
    candidates[1] = InFolder(handoff.run_second_field, file_name);
  if (bare && !handoff.documents_folder.empty())
    candidates[2] = InFolder(handoff.documents_folder, file_name);
  static const char* const kBackupPrefixes[3] = {"OLDP_", "OLDV_", "OLDM_"};
  for (size_t slot = 0; slot < 3; ++slot) {
    if (!candidates[slot].empty() && files.Exists(candidates[slot])) plan.locations[slot] = candidates[slot];
    plan.backup_names[slot] = kBackupPrefixes[slot] + file_name;
  }
  return plan;
}

void FillEmptyItems(ParameterImage& image, const ParameterDefinition& definition, bool fill_zero_valid,
                    int32_t* filled, const std::function<void(const std::string&)>& report) {
  for (int block = 1; block <= kBlockCount; ++block) {
    const ParameterTable* table = definition.BlockTable(block);
    if (table == nullptr) continue;
    uint8_t* bytes = image.Block(block).bytes;
    const uint8_t* initial = table->default_image.bytes;
    for (const auto& tag : table->tags) {
      for (const ParameterItem& item : tag->items) {
        const int kind = static_cast<int>(item.kind);
        const bool number = (kind >= 0 && kind <= 3) || (kind >= 5 && kind <= 12);
        if (!number || item.width <= 0 || item.offset < 0 ||
            item.offset + item.width > static_cast<int>(kBlockImageSize)) {
          continue;
        }
        if (table->IsZeroValid(item.offset)) {
          report(
              Format(texts::kZeroValidItemReport, block, table->number, static_cast<unsigned>(item.offset)));
          if (!fill_zero_valid) continue;
        }
        const size_t at = static_cast<size_t>(item.offset);
        const size_t width = static_cast<size_t>(item.width);
        bool empty = true;
        bool initial_zero = true;
        for (size_t i = 0; i < width; ++i) {
          empty = empty && bytes[at + i] == 0;
          initial_zero = initial_zero && initial[at + i] == 0;
        }
        if (!empty || initial_zero) continue;
        for (size_t i = 0; i < width; ++i) bytes[at + i] = initial[at + i];
        if (filled != nullptr) ++*filled;
      }
    }
  }
}

bool RunUpdateStep(AutoRunContext& context, const UpdateStepInput& input, ParameterImage& image,
                   UpdateFiles& files, FileSystem& file_system, autoupdate::ReportSink& report) {
  context.wait_stage = kWaitWorking;
  const std::string& run_folder = context.handoff.run_folder;
  const bool chosen = !input.selected_path.empty();
  auto progress = [&](const std::string& text) { report.Report(autoupdate::kReportProgress, text); };

  if (!input.repeat) {
    InstallPlan plan = PlanInstall(context, input.path_file_name, files);
    for (size_t slot = 0; slot < 3; ++slot) {
      context.install_locations[slot] = plan.locations[slot];
      context.backup_names[slot] = plan.backup_names[slot];
    }

    // The definition files as installed now.
    if (run_folder.empty()) {
      progress(texts::kBackupNoRunFolderReport);
    } else {
      bool attempted = false;
      for (size_t slot = 0; slot < 3; ++slot) {
        const std::string& source = plan.locations[slot];
        if (source.empty()) continue;
        attempted = true;
        if (files.IsReadOnly(source)) files.ClearReadOnly(source);
        const std::string target = InFolder(run_folder, plan.backup_names[slot]);
        // A retry or repair run works in the failed run's folder, and the run that failed (or was
        // killed) may have installed the new file already: the backup there is the one to keep.
        if (files.Exists(target)) {
          progress(Format(texts::kBackupKeptReport, target.c_str()));
          continue;
        }
        uint32_t error = 0;
        if (CopyOver(files, source, target, &error)) {
          progress(Format(texts::kBackupSucceededReport, source.c_str(), target.c_str()));
        } else {
          progress(Format(texts::kBackupFailedReport, source.c_str(), target.c_str(), static_cast<int>(error),
                          files.ErrorText(error).c_str()));
        }
      }
      if (!attempted) progress(texts::kBackupNothingInstalledReport);
    }

    // The new definition file beside them.
    if (chosen) {
      if (run_folder.empty()) {
        progress(texts::kNewDefinitionNoRunFolderReport);
      } else {
        const std::string target = InFolder(run_folder, FileNamePart(input.selected_path));
        uint32_t error = 0;
        if (CopyOver(files, input.selected_path, target, &error)) {
          progress(Format(texts::kNewDefinitionSavedReport, target.c_str()));
        } else {
          progress(Format(texts::kNewDefinitionSaveFailedReport, input.selected_path.c_str(), target.c_str(),
                          static_cast<int>(error), files.ErrorText(error).c_str()));
        }
        files.ClearReadOnly(target);
      }
    }

    // The device's parameters as read.
    if (run_folder.empty()) {
      progress(texts::kOldParametersNoRunFolderReport);
    } else {
      std::string text;
      SaveParameters(InFolder(run_folder, "OLD_" + plan.save_file_name), image, input, file_system, files,
                     kOldTexts, &text);
      progress(text);
    }

    // Items the device left empty.
    if (input.definition != nullptr) {
      FillEmptyItems(image, *input.definition, context.handoff.fill_flag == 1, &context.report_value,
                     progress);
    }

    // The parameters the version update tool writes back.
    if (run_folder.empty()) {
      progress(texts::kNewParametersNoRunFolderReport);
    } else {
      std::string text;
      if (!SaveParameters(InFolder(run_folder, plan.save_file_name), image, input, file_system, files,
                          kNewTexts, &text)) {
        report.Report(autoupdate::kReportFileError, text);
        return false;
      }
      progress(text);
    }
  }

  // The install.
  bool attempted = false;
  bool failed = false;
  if (chosen) {
    for (const std::string& target : context.install_locations) {
      if (target.empty()) continue;
      attempted = true;
      uint32_t error = 0;
      if (CopyOver(files, input.selected_path, target, &error)) {
        progress(Format(texts::kInstallSucceededReport, target.c_str()));
        files.ClearReadOnly(target);
      } else {
        failed = true;
        progress(Format(texts::kInstallFailedReport, input.selected_path.c_str(), target.c_str(),
                        static_cast<int>(error), files.ErrorText(error).c_str()));
      }
    }
  }
  const int count = context.report_value;
  if (!attempted) {
    report.Report(autoupdate::kReportSuccess, Format(texts::kUpdateWithoutInstallReport, count));
  } else if (failed) {
    report.Report(autoupdate::kReportFileError, Format(texts::kUpdateInstallFailedReport, count));
  } else {
    report.Report(autoupdate::kReportSuccess, Format(texts::kUpdateSucceededReport, count));
  }
  return true;
}

}  // namespace orvex
