// Orvex.dll's ordinals (Orvex.def), each handed to the simulated library.
#include "OrvexLibrary.h"
#include "SimLibrary.h"

using orvex::sim::SimLibrary;

namespace {

// Nothing thrown inside the library reaches its callers: running out of memory is a failure.
template <typename R, typename F>
R Guard(R failure, F call) {
  try {
    return call();
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return failure;
  }
}

SimLibrary& Lib() {
  return SimLibrary::Instance();
}

}  // namespace

extern "C" {

unsigned int WINAPI OrvexGetLibraryVersion(int) {
  return Guard(0u, [&] { return Lib().LibraryVersion(); });
}

HANDLE WINAPI OrvexProbeDevice(int, int, int, int) {
  return Guard(INVALID_HANDLE_VALUE, [&] { return Lib().Probe(); });
}

HANDLE WINAPI OrvexOpenWriteFile(const char* path, int, int) {
  return Guard(INVALID_HANDLE_VALUE, [&] { return Lib().OpenWriteFile(path); });
}

int WINAPI OrvexGetDeviceText(HANDLE device, int index, char* buffer, int size) {
  return Guard(0, [&] { return Lib().DeviceText(device, index, buffer, size); });
}

int WINAPI OrvexCheckDevice(HANDLE device, int, int) {
  return Guard(0, [&] { return Lib().CheckDevice(device); });
}

int WINAPI OrvexSetProgramMode(HANDLE device, int mode, int) {
  return Guard(0, [&] { return Lib().SetProgramMode(device, mode); });
}

int WINAPI OrvexOpenChannel(unsigned int mask, int, int, OrvexCallback callback, void* context) {
  return Guard(-1, [&] { return Lib().OpenChannel(mask, callback, context); });
}

int WINAPI OrvexCloseChannel(int channel) {
  return Guard(0, [&] { return Lib().CloseChannel(channel); });
}

int WINAPI OrvexAttach(int channel) {
  return Guard(0, [&] { return Lib().Attach(channel); });
}

int WINAPI OrvexDetach(int channel) {
  return Guard(0, [&] { return Lib().Detach(channel); });
}

int WINAPI OrvexGetInfoBlock(int channel, void* buffer, int size, int) {
  return Guard(0, [&] { return Lib().GetInfoBlock(channel, buffer, size); });
}

int WINAPI OrvexGetDeviceHandle(int channel, int, int, HANDLE* device) {
  return Guard(0, [&] { return Lib().GetDeviceHandle(channel, device); });
}

int WINAPI OrvexGetWritePath(int channel, char* buffer, int size) {
  return Guard(0, [&] { return Lib().GetWritePath(channel, buffer, size); });
}

int WINAPI OrvexSendRequest(int channel, int number, void* buffer, int length, int, int) {
  return Guard(0, [&] { return Lib().SendRequest(channel, number, buffer, length); });
}

int WINAPI OrvexHoldNotification(int channel, int id) {
  return Guard(0, [&] { return Lib().Hold(channel, id); });
}

int WINAPI OrvexReleaseNotification(int channel, int id) {
  return Guard(0, [&] { return Lib().Release(channel, id); });
}

int WINAPI OrvexParameterReadStart(int channel, int kind, int, unsigned int* size, unsigned int* info) {
  return Guard(1, [&] { return Lib().ParameterReadStart(channel, kind, size, info); });
}

int WINAPI OrvexParameterReadBlock(int channel, int mode, void* buffer) {
  return Guard(-1, [&] { return Lib().ParameterReadBlock(channel, mode, buffer); });
}

int WINAPI OrvexHardwareReset(int channel) {
  return Guard(0, [&] { return Lib().HardwareReset(channel); });
}

}  // extern "C"
