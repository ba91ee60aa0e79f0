#pragma once
// Runtime file error numbers 0..162 of the one status-code space: file
// operations in the cores report them negated (-2 "File not found"). The
// message table takes its texts for this range from IoErrorText.

#include <string_view>

namespace telvane {

namespace io_error {
inline constexpr int FileNotFound = 2;
inline constexpr int PathNotFound = 3;
inline constexpr int TooManyOpenFiles = 4;
inline constexpr int AccessDenied = 5;
inline constexpr int InvalidHandle = 6;
inline constexpr int NotEnoughMemory = 8;
inline constexpr int InvalidDrive = 15;
inline constexpr int WriteFault = 29;
inline constexpr int ReadFault = 30;
inline constexpr int SharingViolation = 32;
inline constexpr int FileExists = 80;
inline constexpr int ReadBeyondEnd = 100;
inline constexpr int DiskFull = 101;
inline constexpr int FileNotAssigned = 102;
inline constexpr int FileNotOpen = 103;
inline constexpr int FileNotOpenForInput = 104;
inline constexpr int FileNotOpenForOutput = 105;
inline constexpr int InvalidNumericFormat = 106;
inline constexpr int DeviceWriteError = 160;
inline constexpr int DeviceReadError = 161;
inline constexpr int Last = 162;
}  // namespace io_error

// The runtime file error number (positive) for a POSIX errno value; errors
// without a closer match become ReadFault or WriteFault.
int IoErrorFromErrno(int errnoValue, bool writing);

// The text of a runtime file error number, or "" when it has none.
std::string_view IoErrorText(int code);

}  // namespace telvane
