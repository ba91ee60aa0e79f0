#pragma once
// A process-wide listener for the modem dialogue (commands, results,
// frames, state changes) as the engine sees it, for command-line tools
// that show it as it happens. The dispatch log keeps the same lines.

#include <functional>
#include <string_view>

namespace telvane {

using ModemTraceListener = std::function<void(std::string_view line)>;

// Installs the listener (empty: none). Called from any thread.
void SetModemTrace(ModemTraceListener listener);
// Passes a line to the listener, if there is one.
void ModemTrace(std::string_view line);

}  // namespace telvane
