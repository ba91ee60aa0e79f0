#pragma once
// Where Telvane keeps its settings, logs and received faxes.

#include <optional>
#include <string>
#include <string_view>

namespace telvane {

// The program directory with exactly one trailing "/": TELVANE_HOME when
// set, else the executable's directory when it is writable, else
// $XDG_DATA_HOME/telvane (default ~/.local/share/telvane), created on demand.
// Computed once; SetProgramDirectory overrides it (tests, tools).
std::string ProgramDirectory();
void SetProgramDirectory(std::string_view directory);
// Forgets the computed directory so the next call looks again (tests).
void ResetProgramDirectory();

// The rule above as a pure function of its inputs.
std::string ChooseProgramDirectory(std::string_view telvaneHome, std::string_view executableDirectory,
                                   bool executableDirectoryWritable, std::string_view xdgDataHome,
                                   std::string_view home);

// `directory` with exactly one trailing "/" ("" stays "").
std::string WithTrailingSeparator(std::string_view directory);

// Joins a directory and a name with one "/".
std::string JoinPath(std::string_view directory, std::string_view name);

// The path of the entry of `directory` whose name equals `name` ignoring
// ASCII case (an exact match wins), or nothing when there is none.
std::optional<std::string> FindFileNoCase(std::string_view directory, std::string_view name);

}  // namespace telvane
