#pragma once
// Status codes of the serial layer. One signed space for the whole system:
// 0 is OK, a negative value is an error whose text (for the absolute value)
// is in the message table (serial/message_table.h). Codes -2..-162 are the
// runtime file errors of platform/io_errors.h.

namespace telvane {

inline constexpr int ecOK = 0;
inline constexpr int ecFileNotFound = -2;     // device node missing
inline constexpr int ecPathNotFound = -3;
inline constexpr int ecAccessDenied = -5;     // device held by another program
inline constexpr int ecOutOfMemory = -8;

// General.
inline constexpr int ecBadArgument = -1002;
inline constexpr int ecGotQuitMsg = -1003;
inline constexpr int ecBufferTooBig = -1004;
inline constexpr int ecPortNotAssigned = -1005;
inline constexpr int ecInternal = -1006;
inline constexpr int ecCannotUseWithWinSock = -1009;

// Port opening.
inline constexpr int ecBadId = -2001;
inline constexpr int ecBaudRate = -2002;
inline constexpr int ecByteSize = -2003;
inline constexpr int ecDefault = -2004;
inline constexpr int ecHardware = -2005;
inline constexpr int ecMemory = -2006;
inline constexpr int ecCommNotOpen = -2007;
inline constexpr int ecAlreadyOpen = -2008;
inline constexpr int ecNoHandles = -2009;
inline constexpr int ecNoTimers = -2010;
inline constexpr int ecNoPortSelected = -2011;
inline constexpr int ecNotOpenedByTapi = -2012;

// Device layer.
inline constexpr int ecNullApi = -3001;
inline constexpr int ecRegisterHandlerFailed = -3003;
inline constexpr int ecPutBlockFail = -3004;
inline constexpr int ecGetBlockFail = -3005;
inline constexpr int ecOutputBufferTooSmall = -3006;
inline constexpr int ecBufferIsEmpty = -3007;
inline constexpr int ecTracingNotEnabled = -3008;
inline constexpr int ecLoggingNotEnabled = -3009;
inline constexpr int ecBaseAddressNotSet = -3010;

// Triggers.
inline constexpr int ecNoMoreTriggers = -5001;
inline constexpr int ecTriggerTooLong = -5002;
inline constexpr int ecBadTriggerHandle = -5003;

}  // namespace telvane
