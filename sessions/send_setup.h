#pragma once
// What the send window works out from the settings before a session: the
// configuration summary it shows, the dial wait, the modem init command and
// the header line printed at the top of each page.

#include <string>
#include <string_view>
#include <vector>

namespace telvane {

struct AppSettingsRecord;

// The lines of the "Configuration:" summary.
std::vector<std::string> SetupLines(const AppSettingsRecord& settings);

// Seconds to wait for the far end after dialling: the S7 register value an
// init string sets ("S7=90" gives 90, at least 55), else 60.
int DialWaitFromInitString(std::string_view initString);

// The init string as the modem gets it: unchanged when it holds "AT"
// anywhere (any letter case), else with "AT" in front; "" stays "".
std::string ModemInitCommand(std::string_view initString);

// The header line with the sender's tags ($I station, $P page, $N pages)
// for the engine to fill in; date and time as the system formats them.
std::string BuildHeader(std::string_view userName, std::string_view userFax, std::string_view shortDate,
                        std::string_view shortTime);

}  // namespace telvane
