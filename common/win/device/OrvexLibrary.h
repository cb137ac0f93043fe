// The device access library Orvex.dll, bound at load time by ordinal only (OrvexOrdinals.h). The
// names below exist only in our import library; the DLL exports no names. Channel handle: the
// integer from OrvexOpenChannel; device handle: the system handle from OrvexGetDeviceHandle.
#pragma once

#include <windows.h>

#include <cstddef>

extern "C" {

// Called on the library's own thread with (ignored, event, notification id, status, record,
// context); event 1 attach finished, 2 detached, 8 notification. Returns 0.
typedef int(WINAPI* OrvexCallback)(int reserved, int event, int id, int status, void* record, void* context);

// @1: library version, four bytes, most significant first; 0 = unusable.
unsigned int WINAPI OrvexGetLibraryVersion(int zero);
// @21 (0xFFFF, -1, 0, 0): a system handle the caller closes at once when a device is present, else -1.
HANDLE WINAPI OrvexProbeDevice(int all, int index, int zero1, int zero2);
// @23 (path from @252, 4, 1): file handle to write a program image into, or -1.
HANDLE WINAPI OrvexOpenWriteFile(const char* path, int access, int mode);
// @44: zero-terminated device text 1..3 into the buffer.
int WINAPI OrvexGetDeviceText(HANDLE device, int index, char* buffer, int size);
// @45: non-zero while notifications may be handled.
int WINAPI OrvexCheckDevice(HANDLE device, int zero1, int zero2);
// @63: mode 0 enters program-write mode, mode 1 leaves it.
int WINAPI OrvexSetProgramMode(HANDLE device, int mode, int zero);
// @202 (event mask, 0, 2, callback, context): channel handle or -1.
int WINAPI OrvexOpenChannel(unsigned int mask, int zero, int two, OrvexCallback callback, void* context);
// @203: closes the channel; no callback runs for it afterwards.
int WINAPI OrvexCloseChannel(int channel);
// @204: 255 = attach started (ends with event 1), 1 = attached at once, else a failure status.
int WINAPI OrvexAttach(int channel);
// @205: non-zero = detached.
int WINAPI OrvexDetach(int channel);
// @207 (channel, buffer, 128, 0): non-zero = the information block was filled.
int WINAPI OrvexGetInfoBlock(int channel, void* buffer, int size, int zero);
// @250 (channel, 0, 0, address): stores the device handle; else leaves the handle as it is.
int WINAPI OrvexGetDeviceHandle(int channel, int zero1, int zero2, HANDLE* device);
// @252: with a null buffer the size the path needs, else the path of the program-write file
// (non-zero = done).
int WINAPI OrvexGetWritePath(int channel, char* buffer, int size);
// @600 (channel, channel number, buffer, length, 0, 0): non-zero = the reply is in the buffer.
int WINAPI OrvexSendRequest(int channel, int channel_number, void* buffer, int length, int zero1, int zero2);
// @602: keeps the notification record valid until @603.
int WINAPI OrvexHoldNotification(int channel, int id);
// @603: releases a notification record.
int WINAPI OrvexReleaseNotification(int channel, int id);
// @704 (channel, 0x91, 0, &size, &info): 0 = parameter read begun, size = bytes to come, info = two
// 16-bit values, low half first; else a failure status.
int WINAPI OrvexParameterReadStart(int channel, int kind, int zero, unsigned int* size, unsigned int* info);
// @705: the buffer's first word holds the capacity on entry and the block length on return;
// mode 0 next block, 1 end; -1 failure, 0 more blocks, non-zero the last one.
int WINAPI OrvexParameterReadBlock(int channel, int mode, void* buffer);
// @750: hardware reset; non-zero = done.
int WINAPI OrvexHardwareReset(int channel);

}  // extern "C"

// Each prototype takes the arguments its ordinal's line names, and on i686 each argument is one
// 32-bit stack slot: the decorated import names (Name@bytes) made from that line then match what
// the compiler asks for, and the library pops what the caller pushed.
namespace orvex::library_contract {

template <typename R, typename... A>
constexpr int ArgumentCount(R(WINAPI*)(A...)) {
  return static_cast<int>(sizeof...(A));
}
template <typename R, typename... A>
constexpr size_t StackBytes(R(WINAPI*)(A...)) {
  return (((sizeof(A) + 3) / 4 * 4) + ... + size_t{0});
}

#define ORVEX_ORDINAL(ordinal, name, arguments)                                              \
  static_assert(ArgumentCount(&::name) == (arguments), #name ": the arguments of ordinal " #ordinal); \
  static_assert(sizeof(void*) != 4 || StackBytes(&::name) == 4 * (arguments), #name ": 4 bytes per argument");
#include "OrvexOrdinals.h"
#undef ORVEX_ORDINAL

static_assert(ArgumentCount(static_cast<OrvexCallback>(nullptr)) == 6, "the callback takes six arguments");
static_assert(sizeof(void*) != 4 || StackBytes(static_cast<OrvexCallback>(nullptr)) == 24,
              "the callback's arguments are 32-bit slots");

}  // namespace orvex::library_contract
