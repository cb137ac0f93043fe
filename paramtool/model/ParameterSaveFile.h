// Parameter save files (*.prg): a 32-byte program header (kind 0x91, the definition's class and
// version) followed by one parameter image, 15452 bytes in all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FileSystem.h"
#include "ParameterImage.h"

namespace orvex {

struct ParameterFileImage {
  uint8_t bytes[kParameterFileSize];
};

// The file image of a working image; nullptr when memory is short.
std::unique_ptr<ParameterFileImage> ComposeFileImage(const ParameterImage& image, uint8_t class_byte,
                                                     uint16_t version);

enum SaveFileWriteResult : int {
  kSaveFileInvalidArgument = -1,  // no path or no image
  kSaveFileWritten = 0,
  kSaveFileOutOfMemory = 1,
  kSaveFileNotCreated = 2,        // also: an existing read-only file, or the target not replaceable
  kSaveFileWriteFailed = 3,       // the write or the close failed
};

// Writes a save file. The bytes go into a new file beside the target, which replaces the target
// only after they are all written and on the disk: a failure leaves an earlier file as it was
// and no partial file behind. A read-only target is never replaced. *system_error gets the
// system's code of a failure (0 when there is none).
int WriteSaveFile(const std::string& path, const ParameterImage* image, uint8_t class_byte, uint16_t version,
                  int* system_error, FileSystem& file_system = PlatformFileSystem());

// The header check of the parameter tool plus kind 0x91, over `count` bytes.
bool IsParameterFileImage(const uint8_t* bytes, size_t count);

struct LoadedSaveFile {
  ParameterImage image;
  uint8_t class_byte = 0;
  uint16_t version = 0;
};

enum SaveFileLoadResult : int {
  kSaveFileLoaded = 0,
  kSaveFileLoadOutOfMemory = 1,
  kSaveFileOpenFailed = 2,   // system_error tells whether the system gave a code
  kSaveFileReadFailed = 3,
  kSaveFileRefused = 4,      // fewer than 15452 bytes, a failed header check, or not kind 0x91
};

// Takes the first 15452 bytes of a file image (a longer one is read as its first 15452 bytes).
int LoadSaveFileImage(const uint8_t* bytes, size_t count, LoadedSaveFile* out);
// Reads a save file. `out` is only written on success.
int LoadSaveFile(const std::string& path, LoadedSaveFile* out, int* system_error,
                 FileSystem& file_system = PlatformFileSystem());

}  // namespace orvex
