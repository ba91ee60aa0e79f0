#pragma once
// Command lines the fixture answers itself instead of spandsp's interpreter:
// identification queries whose answers a test chooses (+FCLASS=?, +FMFR?,
// I3...), settings a pseudo-terminal has nothing behind (&K, \Q, &H, &I, &R
// select hardware flow control on real modems), and the fault that answers
// ERROR to a chosen command.
//
// A command line is matched without its "AT", in upper case and without
// blanks, as V.250 clause 5.1 allows them anywhere.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace telvane::vmodem {

struct ModemIdentity {
  std::string classes = "0,1";          // +FCLASS=? answer
  std::string manufacturer = "Telvane";  // +FMFR? / +FMI? / I3
  std::string model = "Virtual fax modem";
  std::string revision = "1.0";
};

struct CommandAnswer {
  std::vector<std::string> lines;  // information text, each its own line
  bool error = false;              // final result ERROR instead of OK
};

// Upper case, blanks removed, leading "AT" kept.
std::string normalizeCommandLine(std::string_view line);

// Removes the flow-control and line-option commands of a normalised line
// that spandsp does not know but real modems accept (a pty has no lines to
// set); the rest goes to spandsp.
std::string withoutLineOptions(std::string_view normalized);

// Whether one of the commands in a normalised line begins with `command`
// (written without AT, e.g. "+FTM=" or "D"). Only the starts of commands
// count (V.250 syntax: basic commands, S registers, extended commands up
// to their ";"), so "D" finds the dial in "ATDT123" but not "&D2".
bool lineHasCommand(std::string_view normalized, std::string_view command);

// The fixture's own answer to a normalised line, or nothing when spandsp's
// interpreter should take it. `errorOn` lists commands (without AT) that the
// "error-on" fault answers ERROR to wherever they appear in a line.
std::optional<CommandAnswer> answerCommand(std::string_view normalized, const ModemIdentity& identity,
                                           const std::vector<std::string>& errorOn);

}  // namespace telvane::vmodem
