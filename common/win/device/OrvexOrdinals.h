// The device access library's call contract, one line per ordinal: ordinal, our name for it, and
// the number of its arguments (each one 32-bit stack slot under the standard calling convention
// of the shipped i686 build). This list is the one source of the contract: CMake writes the .def
// file of the import library and of the simulated Orvex.dll from it (with the decorated names
// "Name@bytes" for i686), OrvexLibrary.h checks its prototypes against it, and the static checks
// compare the built files with it. The names are ours; the library exports none.
//
// Lines must keep the form ORVEX_ORDINAL(ordinal, Name, arguments): CMake reads them as text.
ORVEX_ORDINAL(1, OrvexGetLibraryVersion, 1)
ORVEX_ORDINAL(21, OrvexProbeDevice, 4)
ORVEX_ORDINAL(23, OrvexOpenWriteFile, 3)
ORVEX_ORDINAL(44, OrvexGetDeviceText, 4)
ORVEX_ORDINAL(45, OrvexCheckDevice, 3)
ORVEX_ORDINAL(63, OrvexSetProgramMode, 3)
ORVEX_ORDINAL(202, OrvexOpenChannel, 5)
ORVEX_ORDINAL(203, OrvexCloseChannel, 1)
ORVEX_ORDINAL(204, OrvexAttach, 1)
ORVEX_ORDINAL(205, OrvexDetach, 1)
ORVEX_ORDINAL(207, OrvexGetInfoBlock, 4)
ORVEX_ORDINAL(250, OrvexGetDeviceHandle, 4)
ORVEX_ORDINAL(252, OrvexGetWritePath, 3)
ORVEX_ORDINAL(600, OrvexSendRequest, 6)
ORVEX_ORDINAL(602, OrvexHoldNotification, 2)
ORVEX_ORDINAL(603, OrvexReleaseNotification, 2)
ORVEX_ORDINAL(704, OrvexParameterReadStart, 5)
ORVEX_ORDINAL(705, OrvexParameterReadBlock, 3)
ORVEX_ORDINAL(750, OrvexHardwareReset, 1)
