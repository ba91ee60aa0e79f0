// bench_compose: measurements of fax composition, each beside a reference
// measured in the same run.
//
//   bench_compose

#include <QApplication>

#include "bench/compose/fax_file_bench.h"
#include "bench/compose/rtf_load_bench.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  telvane::bench::MeasureRtfLoad();
  telvane::bench::MeasureFaxFileCreation();
  telvane::bench::MeasurePdfToFax();
  return 0;
}
