#pragma once
// The fax class check: on one port, see that a modem answers, reset it to
// its factory settings and ask which fax classes it offers. The steps run
// on a worker thread; between them the window may ask the user whether to
// go on, so the port stays open from one step to the next.

#include <atomic>
#include <string>

#include "settings/modem_line.h"

namespace telvane {

class FaxClassCheck {
public:
  static constexpr int AnswerMilliseconds = 6000;

  FaxClassCheck(std::string devicePath, int comNumber, std::string resetString);

  // Opens the port; false with the text the window shows.
  bool open(std::string& errorText);
  // After the settling pause, "AT" (and the reset string when "AT" gets
  // nothing) answered OK.
  bool modemAnswers();
  bool factoryReset() { return ModemFactoryReset(line_); }
  // The default init, then "AT+FCLASS=?": the class bits, 0 when the modem
  // does not say.
  int queryClasses();
  void close() { line_.close(); }
  void cancel() { cancelled_ = true; }

private:
  std::atomic<bool> cancelled_{false};
  ModemLine line_{&cancelled_};
  const std::string devicePath_;
  const int comNumber_;
  const std::string resetString_;
};

struct ClassRecommendation {
  int index = -1;    // 0 Class 1, 1 Class 2, 2 Class 2.0, -1 none
  std::string name;  // "Class 1", "Class 2", "Class 2.0"
};
// Class 1 when offered, else Class 2, else Class 2.0.
ClassRecommendation RecommendFaxClass(int classBits);

// The three labels, "Class 1   : Supported (recommended)" and so on, in the
// order Class 1, Class 2, Class 2.0; "... : unknown" for classBits < 0.
struct ClassLabels {
  std::string class1, class2, class20;
};
ClassLabels FaxClassLabels(int classBits);

}  // namespace telvane
