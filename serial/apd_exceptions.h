#pragma once
// Exceptions of the serial and fax layers. Low layers return status codes;
// a component turns a negative code into an exception at its public surface
// through RaiseForCode. Every class carries the code in ErrorCode.

#include <stdexcept>
#include <string>

namespace telvane {

class EAPDException : public std::runtime_error {
public:
  EAPDException(int code, const std::string& message) : std::runtime_error(message), ErrorCode(code) {}
  int ErrorCode;
};

// The runtime's input/output error (codes -2..-162 other than -8).
class EInOutError : public std::runtime_error {
public:
  EInOutError(int code, const std::string& message) : std::runtime_error(message), ErrorCode(code) {}
  int ErrorCode;
};

// The runtime's out-of-memory error (code -8).
class EOutOfMemory : public std::runtime_error {
public:
  EOutOfMemory() : std::runtime_error("Out of memory"), ErrorCode(-8) {}
  int ErrorCode;
};

#define TELVANE_APD_EXCEPTION(Name)                                                  \
  class Name : public EAPDException {                                                \
  public:                                                                            \
    Name(int code, const std::string& message) : EAPDException(code, message) {}    \
  };

TELVANE_APD_EXCEPTION(EBadArgument)
TELVANE_APD_EXCEPTION(EGotQuitMsg)
TELVANE_APD_EXCEPTION(EBufferTooBig)
TELVANE_APD_EXCEPTION(EPortNotAssigned)
TELVANE_APD_EXCEPTION(EInternal)
TELVANE_APD_EXCEPTION(ECannotUseWithWinSock)
TELVANE_APD_EXCEPTION(EBadId)
TELVANE_APD_EXCEPTION(EBaudRate)
TELVANE_APD_EXCEPTION(EByteSize)
TELVANE_APD_EXCEPTION(EDefault)
TELVANE_APD_EXCEPTION(EHardware)
TELVANE_APD_EXCEPTION(EMemory)
TELVANE_APD_EXCEPTION(ECommNotOpen)
TELVANE_APD_EXCEPTION(EAlreadyOpen)
TELVANE_APD_EXCEPTION(ENoHandles)
TELVANE_APD_EXCEPTION(ENoTimers)
TELVANE_APD_EXCEPTION(ENoPortSelected)
TELVANE_APD_EXCEPTION(ENotOpenedByTapi)
TELVANE_APD_EXCEPTION(ENullApi)
TELVANE_APD_EXCEPTION(ERegisterHandlerFailed)
TELVANE_APD_EXCEPTION(EPutBlockFail)
TELVANE_APD_EXCEPTION(EGetBlockFail)
TELVANE_APD_EXCEPTION(EOutputBufferTooSmall)
TELVANE_APD_EXCEPTION(EBufferIsEmpty)
TELVANE_APD_EXCEPTION(ETracingNotEnabled)
TELVANE_APD_EXCEPTION(ELoggingNotEnabled)
TELVANE_APD_EXCEPTION(EBaseAddressNotSet)
TELVANE_APD_EXCEPTION(ETriggerTooLong)
TELVANE_APD_EXCEPTION(EBadTriggerHandle)

#undef TELVANE_APD_EXCEPTION

// Throws the exception for `code` with its message. A code without a class
// of its own throws EAPDException.
[[noreturn]] void RaiseForCode(int code);

// Layers above the serial one (the fax engine) give their codes a class of
// their own: `raise` must throw. Registration is meant for start-up.
using ExceptionRaiser = void (*)(int code, const std::string& message);
void RegisterExceptionClass(int code, ExceptionRaiser raise);

// Returns `code` when it is >= 0, otherwise raises it.
int CheckCode(int code);

}  // namespace telvane
