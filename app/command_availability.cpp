#include "app/command_availability.h"

namespace telvane {
namespace {

struct Availability {
  Command command;
  bool available;
};

constexpr Availability Commands[] = {
    {Command::NewFax, false},      {Command::EditSentFax, false}, {Command::SendFax, false},
    {Command::ReceiveFaxes, false}, {Command::ViewFax, false},     {Command::PrintFax, false},
    {Command::CoverSheets, false}, {Command::PhoneBook, false},   {Command::Preferences, false},
    {Command::Configuration, false},
};

}  // namespace

bool CommandAvailable(Command command) {
  for (const Availability& a : Commands)
    if (a.command == command) return a.available;
  return false;
}

}  // namespace telvane
