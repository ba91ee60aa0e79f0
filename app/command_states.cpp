#include "app/command_states.h"

namespace telvane {

CommandStates ComputeCommandStates(LogPage page, bool outHas, bool recHas, bool inReceiveMode) {
  const bool outgoing = page == LogPage::Outgoing;
  const bool current = outgoing ? outHas : recHas;
  CommandStates s;
  s.faxGrid = outHas;
  s.recFaxGrid = recHas;
  s.newFax = outgoing;
  s.cloneFax = outgoing && outHas;
  s.send = outHas;
  s.receive = !inReceiveMode;
  s.edit = s.del = s.view = s.print = current;
  return s;
}

}  // namespace telvane
