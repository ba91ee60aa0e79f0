#include "settings/fax_class_check.h"

#include "fax/fax_codes.h"
#include "fax/modem_commands.h"
#include "platform/text.h"
#include "serial/message_table.h"
#include "serial/status_codes.h"

namespace telvane {

FaxClassCheck::FaxClassCheck(std::string devicePath, int comNumber, std::string resetString)
    : devicePath_(std::move(devicePath)), comNumber_(comNumber), resetString_(std::move(resetString)) {}

bool FaxClassCheck::open(std::string& errorText) {
  const int rc = line_.open(devicePath_);
  if (rc == ecOK) return true;
  const std::string port = "( Com " + std::to_string(comNumber_) + " )";
  switch (rc) {
    case ecAccessDenied:
      errorText = "The communications port is in use, or you may not use it " + port;
      break;
    case ecFileNotFound:
    case ecPathNotFound:
      errorText = "Unable to open the specified communications port " + port + ": " + devicePath_ + " does not exist";
      break;
    default: {
      const std::string_view text = MessageText(rc);
      errorText = "Unable to open the specified communications port " + port + "\r" + "Error message: " +
                  (text.empty() ? std::string("Unknown error") : std::string(text));
    }
  }
  return false;
}

bool FaxClassCheck::modemAnswers() {
  if (!line_.settle()) return false;
  if (line_.exchange("AT", AnswerMilliseconds).answer == ModemAnswer::Ok) return true;
  const std::string reset = TrimSpaces(resetString_);
  return !reset.empty() && line_.exchange(reset, AnswerMilliseconds).answer == ModemAnswer::Ok;
}

int FaxClassCheck::queryClasses() {
  const std::string init = DefaultInitString(false, true);
  bool ready = false;
  for (int attempt = 0; attempt < 2 && !ready; ++attempt)
    ready = line_.exchange(init, AnswerMilliseconds).answer == ModemAnswer::Ok;
  if (!ready) return 0;
  constexpr std::string_view query = "AT+FCLASS=?";
  const LineExchange answer = line_.exchange(query, AnswerMilliseconds);
  if (answer.answer != ModemAnswer::Ok) return 0;
  return FaxClassesFromAnswer(InformationLines(query, answer.received));
}

ClassRecommendation RecommendFaxClass(int classBits) {
  if (classBits <= 0) return {};
  if (classBits & kFaxClassBit1) return {0, "Class 1"};
  if (classBits & kFaxClassBit2) return {1, "Class 2"};
  if (classBits & kFaxClassBit2_0) return {2, "Class 2.0"};
  return {};
}

ClassLabels FaxClassLabels(int classBits) {
  if (classBits <= 0) return {"Class 1   : unknown", "Class 2   : unknown", "Class 2.0 : unknown"};
  const auto label = [classBits](const char* head, int bit) {
    return std::string(head) + ((classBits & bit) ? "Supported" : "Not Supported");
  };
  ClassLabels labels{label("Class 1   : ", kFaxClassBit1), label("Class 2   : ", kFaxClassBit2),
                     label("Class 2.0 : ", kFaxClassBit2_0)};
  const int recommended = RecommendFaxClass(classBits).index;
  // Class 2.0 is shown in bold by the window instead.
  if (recommended == 0) labels.class1 += " (recommended)";
  if (recommended == 1) labels.class2 += " (recommended)";
  return labels;
}

}  // namespace telvane
