#include "ParameterSaveFile.h"

#include <cstring>
#include <new>

#include "ProgramHeader.h"

namespace orvex {

std::unique_ptr<ParameterFileImage> ComposeFileImage(const ParameterImage& image, uint8_t class_byte,
                                                     uint16_t version) {
  std::unique_ptr<ParameterFileImage> file(new (std::nothrow) ParameterFileImage);
  if (!file) return nullptr;
  std::memset(file->bytes, 0, sizeof file->bytes);
  WriteParameterFileImage(image.Bytes(), class_byte, version, file->bytes);
  return file;
}

int WriteSaveFile(const std::string& path, const ParameterImage* image, uint8_t class_byte, uint16_t version,
                  int* system_error, FileSystem& file_system) {
  int ignored = 0;
  int& error = system_error ? *system_error : ignored;
  error = 0;
  if (path.empty() || image == nullptr) return kSaveFileInvalidArgument;
  try {
    std::unique_ptr<ParameterFileImage> file_image = ComposeFileImage(*image, class_byte, version);
    if (!file_image) return kSaveFileOutOfMemory;
    switch (WriteReplacing(file_system, path, file_image->bytes, sizeof file_image->bytes, &error)) {
      case ReplaceWriteResult::kNotCreated:
        return kSaveFileNotCreated;
      case ReplaceWriteResult::kWriteFailed:
        return kSaveFileWriteFailed;
      default:
        break;
    }
    return kSaveFileWritten;
  } catch (const std::bad_alloc&) {
    return kSaveFileOutOfMemory;
  }
}

bool IsParameterFileImage(const uint8_t* bytes, size_t count) {
  return CheckParameterToolHeader(bytes, count) && bytes[6] == kKindParameterFile;
}

int LoadSaveFileImage(const uint8_t* bytes, size_t count, LoadedSaveFile* out) {
  if (bytes == nullptr || count < kParameterFileSize) return kSaveFileRefused;
  if (!IsParameterFileImage(bytes, kParameterFileSize)) return kSaveFileRefused;
  std::memcpy(out->image.Bytes(), bytes + kProgramHeaderSize, kParameterImageSize);
  out->class_byte = bytes[7];
  out->version = static_cast<uint16_t>(bytes[16] | (bytes[17] << 8));
  return kSaveFileLoaded;
}

int LoadSaveFile(const std::string& path, LoadedSaveFile* out, int* system_error, FileSystem& file_system) {
  int ignored = 0;
  int& error = system_error ? *system_error : ignored;
  error = 0;
  try {
    std::unique_ptr<ParameterFileImage> buffer(new (std::nothrow) ParameterFileImage);
    if (!buffer) return kSaveFileLoadOutOfMemory;
    std::unique_ptr<InputFile> file = file_system.OpenRead(path, &error);
    if (!file) return kSaveFileOpenFailed;
    size_t count = 0;
    while (count < kParameterFileSize) {
      size_t got = 0;
      if (!file->Read(buffer->bytes + count, kParameterFileSize - count, &got, &error)) return kSaveFileReadFailed;
      if (got == 0) break;
      count += got;
    }
    return LoadSaveFileImage(buffer->bytes, count, out);
  } catch (const std::bad_alloc&) {
    return kSaveFileLoadOutOfMemory;
  }
}

}  // namespace orvex
