#pragma once
// Where the image of a received fax lives: the FAXFILE name of its row in
// the "receive" directory of the program directory, found whatever the
// case of either name.

#include <optional>
#include <string>
#include <string_view>

namespace telvane {

// The path of an existing regular file named by a FAXFILE field (blanks
// trimmed), or nothing. A name that is blank or reaches out of the receive
// directory ("..", "/") names nothing: deleting a row must never remove
// anything but its own fax.
std::optional<std::string> ReceivedFaxPath(std::string_view faxFileField);

// The path the file of a FAXFILE field would have, whether it exists or not.
std::string ReceivedFaxExpectedPath(std::string_view faxFileField);

// Removes the received fax of a FAXFILE field; false when none was removed.
bool RemoveReceivedFax(std::string_view faxFileField);

}  // namespace telvane
