#pragma once
// The commands whose windows other parts of the program provide. Until a
// window is wired in, its command is shown disabled with LaterVersionHint
// rather than offered and then refused. Wiring one in: call the window from
// its handler in main_screen.cpp and mark it available in the table of
// command_availability.cpp.

namespace telvane {

enum class Command {
  NewFax,         // and Clone: the fax editor
  EditSentFax,    // the fax editor (notes of a received fax need no other window)
  SendFax,        // the send window
  ReceiveFaxes,   // receive mode
  ViewFax,        // the viewer window (grid double-click too)
  PrintFax,       // fax printing
  CoverSheets,    // the cover template browser
  PhoneBook,      // the phone book window
  Preferences,    // the preferences window
  Configuration,  // the configuration report
};

inline constexpr char LaterVersionHint[] = "Comes in a later version of Telvane";

bool CommandAvailable(Command command);

}  // namespace telvane
