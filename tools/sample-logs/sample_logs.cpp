// telvane-sample-logs: fills a program directory with believable log rows,
// for screenshots, demonstrations and start-up measurements.
//
//   telvane-sample-logs DIR [--outgoing N] [--received N]

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/program_directory.h"
#include "tools/sample-logs/sample_rows.h"

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(stderr, "usage: telvane-sample-logs DIR [--outgoing N] [--received N]\n");
    return 2;
  }
  int outgoing = 12, received = 6;
  for (int i = 2; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--outgoing") == 0) outgoing = std::atoi(argv[i + 1]);
    else if (std::strcmp(argv[i], "--received") == 0) received = std::atoi(argv[i + 1]);
  }
  telvane::SetProgramDirectory(argv[1]);
  std::string error;
  if (!telvane::WriteSampleLogs(outgoing, received, error)) {
    std::fprintf(stderr, "telvane-sample-logs: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  std::printf("%d outgoing and %d received rows in %s\n", outgoing, received, argv[1]);
  return 0;
}
