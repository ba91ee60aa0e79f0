// Hostile RTF through our reader and, when something was read, back out
// through the writer and in again: never a crash, hang or over-read.

#include <QGuiApplication>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>

#include "richtext/rtf_reader.h"
#include "richtext/rtf_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int argc = 1;
  static char name[] = "fuzz_rtf_reader";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
  }();
  (void)app;
  using namespace telvane;
  QTextDocument doc;
  rtf::ReadRtf(std::string_view(reinterpret_cast<const char*>(data), size), doc);
  const QByteArray again = rtf::WriteRtf(doc, PageLayoutTwips{});
  QTextDocument back;
  if (!rtf::ReadRtf(again.toStdString(), back).problems.isEmpty()) __builtin_trap();  // our own output is clean
  return 0;
}
