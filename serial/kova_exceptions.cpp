#include "serial/kova_exceptions.h"

#include <map>
#include <mutex>

#include "platform/io_errors.h"
#include "serial/message_table.h"
#include "serial/status_codes.h"

namespace telvane {
namespace {

template <class E>
[[noreturn]] void Raise(int code, const std::string& message) {
  throw E(code, message);
}

struct ClassRow {
  int code;
  ExceptionRaiser raise;
};

constexpr ClassRow kSerialClasses[] = {
    {ecBadArgument, Raise<EBadArgument>},
    {ecGotQuitMsg, Raise<EGotQuitMsg>},
    {ecBufferTooBig, Raise<EBufferTooBig>},
    {ecPortNotAssigned, Raise<EPortNotAssigned>},
    {ecInternal, Raise<EInternal>},
    {ecCannotUseWithWinSock, Raise<ECannotUseWithWinSock>},
    {ecBadId, Raise<EBadId>},
    {ecBaudRate, Raise<EBaudRate>},
    {ecByteSize, Raise<EByteSize>},
    {ecDefault, Raise<EDefault>},
    {ecHardware, Raise<EHardware>},
    {ecMemory, Raise<EMemory>},
    {ecCommNotOpen, Raise<ECommNotOpen>},
    {ecAlreadyOpen, Raise<EAlreadyOpen>},
    {ecNoHandles, Raise<ENoHandles>},
    {ecNoTimers, Raise<ENoTimers>},
    {ecNoPortSelected, Raise<ENoPortSelected>},
    {ecNotOpenedByTapi, Raise<ENotOpenedByTapi>},
    {ecNullApi, Raise<ENullApi>},
    {ecRegisterHandlerFailed, Raise<ERegisterHandlerFailed>},
    {ecPutBlockFail, Raise<EPutBlockFail>},
    {ecGetBlockFail, Raise<EGetBlockFail>},
    {ecOutputBufferTooSmall, Raise<EOutputBufferTooSmall>},
    {ecBufferIsEmpty, Raise<EBufferIsEmpty>},
    {ecTracingNotEnabled, Raise<ETracingNotEnabled>},
    {ecLoggingNotEnabled, Raise<ELoggingNotEnabled>},
    {ecBaseAddressNotSet, Raise<EBaseAddressNotSet>},
    {ecTriggerTooLong, Raise<ETriggerTooLong>},
    {ecBadTriggerHandle, Raise<EBadTriggerHandle>},
};

std::mutex& RegistryLock() {
  static std::mutex lock;
  return lock;
}
std::map<int, ExceptionRaiser>& Registry() {  // guarded by RegistryLock()
  static std::map<int, ExceptionRaiser> registry;
  return registry;
}

}  // namespace

void RegisterExceptionClass(int code, ExceptionRaiser raise) {
  std::lock_guard lock(RegistryLock());
  Registry()[code] = raise;
}

void RaiseForCode(int code) {
  const std::string text = ErrorText(code);
  if (code == ecOutOfMemory) throw EOutOfMemory();
  if (code <= -2 && code >= -io_error::Last) throw EInOutError(code, text);
  for (const ClassRow& row : kSerialClasses)
    if (row.code == code) row.raise(code, text);
  ExceptionRaiser registered = nullptr;
  {
    std::lock_guard lock(RegistryLock());
    auto it = Registry().find(code);
    if (it != Registry().end()) registered = it->second;
  }
  if (registered) registered(code, text);
  // A code without a class of its own: the generic class, with the table's
  // text when there is one so the user still learns what went wrong.
  const std::string_view tableText = MessageText(code);
  throw EKovaException(code, tableText.empty() ? std::string("Kova exception")
                                              : "Kova exception: " + std::string(tableText));
}

int CheckCode(int code) {
  if (code >= 0) return code;
  RaiseForCode(code);
}

}  // namespace telvane
