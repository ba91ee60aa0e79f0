#pragma once
// Which commands of the main window are available, from the page shown, the
// rows the logs hold and receive mode. A pure function so the rules can be
// checked without a window.

namespace telvane {

enum class LogPage { Outgoing = 0, Incoming = 1 };

struct CommandStates {
  bool faxGrid = false;     // FaxGrid enabled
  bool recFaxGrid = false;  // RecFaxGrid enabled
  bool newFax = false;      // New button and menu
  bool cloneFax = false;
  bool send = false;        // Send button and menu
  bool receive = false;     // "Receive Faxes" menu
  bool edit = false;        // Edit, Delete, View and Print: a current row on the page shown
  bool del = false;
  bool view = false;
  bool print = false;
  bool operator==(const CommandStates&) const = default;
};

CommandStates ComputeCommandStates(LogPage page, bool outHas, bool recHas, bool inReceiveMode);

}  // namespace telvane
