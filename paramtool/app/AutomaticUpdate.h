// OrvexSet's part of an automatic update, without windows: the definition file that fits the
// main controller's version, the installed definition files and their backups in the run folder,
// the device's parameters as read (OLD_ file), the fill of items the device left empty, the new
// parameter save file, the install of the new definition file and the final report. Every step
// reports through the report operation; the window ends the run afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AutoRunContext.h"
#include "ChildReport.h"
#include "DefinitionLocation.h"
#include "FileSystem.h"
#include "ParameterDefinition.h"
#include "ParameterImage.h"

namespace orvex {

// What the update does with files besides writing save files (the Win32 side: the real ones).
class UpdateFiles {
 public:
  virtual ~UpdateFiles() = default;
  virtual bool Exists(const std::string& path) = 0;
  // A small text file's bytes (the definition path file); nothing when it cannot be read.
  virtual std::optional<std::string> ReadSmall(const std::string& path) = 0;
  virtual bool IsReadOnly(const std::string& path) = 0;
  virtual void ClearReadOnly(const std::string& path) = 0;
  // Copies `from` over `to`; false with the system's error code.
  virtual bool Copy(const std::string& from, const std::string& to, uint32_t* error) = 0;
  // The system's text for an error code.
  virtual std::string ErrorText(uint32_t error) = 0;
};

// ---- Choosing the definition file -------------------------------------------------------------

// The version class of a main controller version: the top four bits, 0 taken as 0x1000.
uint16_t VersionClass(uint16_t version);
// Whether a definition of version `definition_version` fits the class `version_class`.
bool DefinitionFits(uint16_t version_class, uint16_t definition_version);

struct DefinitionChoice {
  int result = -1;  // 0 chosen, -1 none (the run goes on), 1 a listed file did not load (the run ends)
  int index = -1;
  std::unique_ptr<ParameterDefinition> definition;
};
// Loads the listed files in order (empty entries skipped) and keeps the first that fits,
// reporting the choice, a load failure (code 2), a version class the update may not touch
// (code 1) or that none fits.
DefinitionChoice SelectDefinitionFile(uint16_t mc_version, const std::vector<std::string>& files,
                                      const DefinitionLoader& load, autoupdate::ReportSink& report);

// ---- The installed definition files -------------------------------------------------------------

// Where the definition file is installed and what its backups in the run folder are called.
struct InstallPlan {
  std::string definition_name;              // as the installed definition path file names it
  std::string save_file_name;               // the parameter save file, without folders
  std::array<std::string, 3> locations;     // install folder, line 3's second field, documents; "" unused
  std::array<std::string, 3> backup_names;  // OLDP_, OLDV_, OLDM_ + the definition's file name
};
// `path_file_name` is the file name of the program's own definition path file (OrvexSet.ini);
// the installed one lies in the install folder. Locations are kept only when the file exists.
InstallPlan PlanInstall(const AutoRunContext& context, std::string_view path_file_name, UpdateFiles& files);

// ---- The fill of empty items --------------------------------------------------------------------

// For every command block with a table: each item of a number or timer kind with its bytes inside
// the block whose bytes are all zero in `image` gets its initial value, when that is not zero;
// `filled` counts them. An item at an offset of a zero-valid range is reported and, unless
// `fill_zero_valid`, left alone.
void FillEmptyItems(ParameterImage& image, const ParameterDefinition& definition, bool fill_zero_valid,
                    int32_t* filled, const std::function<void(const std::string&)>& report);

// ---- The update step ----------------------------------------------------------------------------

struct UpdateStepInput {
  bool repeat = false;                              // a later system notice: straight to the install
  const ParameterDefinition* definition = nullptr;  // the chosen one, or none
  std::string selected_path;                        // its file, empty when none was chosen
  uint8_t class_byte = 0;                           // what the save files carry in their headers
  uint16_t version = 0;
  std::string path_file_name;  // OrvexSet.ini (or the name given instead)
};

// Runs the update step on the working image. The context's report value is the filled count (or
// -1 without a definition) and goes with every report. Returns false when the new parameter save
// file could not be written (reported with code 2, nothing installed); true after the final
// report.
bool RunUpdateStep(AutoRunContext& context, const UpdateStepInput& input, ParameterImage& image,
                   UpdateFiles& files, FileSystem& file_system, autoupdate::ReportSink& report);

}  // namespace orvex
