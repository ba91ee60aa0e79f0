#pragma once
// Exceptions of the serial and fax layers. Low layers return status codes;
// a component turns a negative code into an exception at its public surface
// through RaiseForCode. Every class carries the code in ErrorCode.

#include <stdexcept>
#include <string>

namespace telvane {

class EKovaException : public std::runtime_error {
public:
  EKovaException(int code, const std::string& message) : std::runtime_error(message), ErrorCode(code) {}
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

#define TELVANE_KOVA_EXCEPTION(Name)                                                  \
  class Name : public EKovaException {                                                \
  public:                                                                            \
    Name(int code, const std::string& message) : EKovaException(code, message) {}    \
  };

TELVANE_KOVA_EXCEPTION(EBadArgument)
TELVANE_KOVA_EXCEPTION(EGotQuitMsg)
TELVANE_KOVA_EXCEPTION(EBufferTooBig)
TELVANE_KOVA_EXCEPTION(EPortNotAssigned)
TELVANE_KOVA_EXCEPTION(EInternal)
TELVANE_KOVA_EXCEPTION(ECannotUseWithWinSock)
TELVANE_KOVA_EXCEPTION(EBadId)
TELVANE_KOVA_EXCEPTION(EBaudRate)
TELVANE_KOVA_EXCEPTION(EByteSize)
TELVANE_KOVA_EXCEPTION(EDefault)
TELVANE_KOVA_EXCEPTION(EHardware)
TELVANE_KOVA_EXCEPTION(EMemory)
TELVANE_KOVA_EXCEPTION(ECommNotOpen)
TELVANE_KOVA_EXCEPTION(EAlreadyOpen)
TELVANE_KOVA_EXCEPTION(ENoHandles)
TELVANE_KOVA_EXCEPTION(ENoTimers)
TELVANE_KOVA_EXCEPTION(ENoPortSelected)
TELVANE_KOVA_EXCEPTION(ENotOpenedByTapi)
TELVANE_KOVA_EXCEPTION(ENullApi)
TELVANE_KOVA_EXCEPTION(ERegisterHandlerFailed)
TELVANE_KOVA_EXCEPTION(EPutBlockFail)
TELVANE_KOVA_EXCEPTION(EGetBlockFail)
TELVANE_KOVA_EXCEPTION(EOutputBufferTooSmall)
TELVANE_KOVA_EXCEPTION(EBufferIsEmpty)
TELVANE_KOVA_EXCEPTION(ETracingNotEnabled)
TELVANE_KOVA_EXCEPTION(ELoggingNotEnabled)
TELVANE_KOVA_EXCEPTION(EBaseAddressNotSet)
TELVANE_KOVA_EXCEPTION(ETriggerTooLong)
TELVANE_KOVA_EXCEPTION(EBadTriggerHandle)

#undef TELVANE_KOVA_EXCEPTION

// Throws the exception for `code` with its message. A code without a class
// of its own throws EKovaException.
[[noreturn]] void RaiseForCode(int code);

// Layers above the serial one (the fax engine) give their codes a class of
// their own: `raise` must throw. Registration is meant for start-up.
using ExceptionRaiser = void (*)(int code, const std::string& message);
void RegisterExceptionClass(int code, ExceptionRaiser raise);

// Returns `code` when it is >= 0, otherwise raises it.
int CheckCode(int code);

}  // namespace telvane
