#include "serial/dispatcher_table.h"

#include <mutex>
#include <vector>

namespace telvane {
namespace {
std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}
std::vector<TKovaBaseDispatcher*>& Table() {  // guarded by TableLock()
  static std::vector<TKovaBaseDispatcher*> table;
  return table;
}
}  // namespace

int RegisterDispatcher(TKovaBaseDispatcher* dispatcher) {
  std::lock_guard lock(TableLock());
  auto& table = Table();
  for (size_t i = 0; i < table.size(); ++i)
    if (!table[i]) {
      table[i] = dispatcher;
      return static_cast<int>(i);
    }
  table.push_back(dispatcher);
  return static_cast<int>(table.size() - 1);
}

void UnregisterDispatcher(int handle) {
  std::lock_guard lock(TableLock());
  auto& table = Table();
  if (handle >= 0 && static_cast<size_t>(handle) < table.size()) table[static_cast<size_t>(handle)] = nullptr;
}

TKovaBaseDispatcher* DispatcherByHandle(int handle) {
  std::lock_guard lock(TableLock());
  auto& table = Table();
  if (handle < 0 || static_cast<size_t>(handle) >= table.size()) return nullptr;
  return table[static_cast<size_t>(handle)];
}

}  // namespace telvane
