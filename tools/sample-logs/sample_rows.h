#pragma once
// Believable log rows for screenshots, demonstrations and start-up
// measurements, written into the logs of the program directory.

#include <string>

namespace telvane {

// Appends the rows and rebuilds the indexes; false with `error` set on failure.
bool WriteSampleLogs(int outgoing, int received, std::string& error);

}  // namespace telvane
