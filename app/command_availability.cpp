#include "app/command_availability.h"

namespace telvane {
namespace {

struct Availability {
  Command command;
  bool available;
};

constexpr Availability Commands[] = {
    {Command::NewFax, true},      {Command::EditSentFax, true}, {Command::SendFax, true},
    {Command::ReceiveFaxes, true}, {Command::ViewFax, true},     {Command::PrintFax, true},
    {Command::CoverSheets, true}, {Command::PhoneBook, true},   {Command::Preferences, true},
    {Command::Configuration, true},
};

}  // namespace

bool CommandAvailable(Command command) {
  for (const Availability& a : Commands)
    if (a.command == command) return a.available;
  return false;
}

}  // namespace telvane
