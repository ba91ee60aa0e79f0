#include "serial/message_table.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "faximage/image_status.h"
#include "platform/io_errors.h"
#include "records/engine/xbase_status.h"

namespace telvane {
namespace {

// 1001..1009: general. Only the codes this system can meet have rows.
constexpr MessageRow kGeneralRows[] = {
    {1002, "Bad argument passed to function"},
    {1003, "Got quit message"},
    {1004, "Terminal buffer greater than 65521"},
    {1005, "ComPort component not assigned"},
    {1006, "Internal error creating window class"},
    {1009, "Cannot be used with a network device layer"},
};

// 2001..2012: opening a port.
constexpr MessageRow kPortOpeningRows[] = {
    {2001, "ie_BadId - Specified comport doesn't exist"},
    {2002, "ie_Baudrate - unsupported baud rate"},
    {2003, "ie_Bytesize - invalid byte size"},
    {2004, "ie_Default - error in default parameters"},
    {2005, "ie_Hardware - Specified comport in use"},
    {2006, "ie_Memory - unable to allocate queues"},
    {2007, "ie_NOpen - device not open"},
    {2008, "ie_Open - device already open"},
    {2009, "No more handles, can't open port"},
    {2010, "No timers available"},
    {2011, "The ComNumber property of the TKovaComPort has not been set"},
    {2012, "Comport was not opened by Tapi"},
};

// 3001..3010: the device layer.
constexpr MessageRow kDeviceLayerRows[] = {
    {3001, "No device layer specified"},
    {3003, "EnableCommNotification failed"},
    {3004, "Failed to put entire block"},
    {3005, "Failed to get entire block"},
    {3006, "Output buffer too small for block"},
    {3007, "Buffer is empty"},
    {3008, "Tracing not enabled"},
    {3009, "Logging not enabled"},
    {3010, "Base address not set"},
};

// 4801..4843: fax session status.
constexpr MessageRow kFaxStatusRows[] = {
    {4801, "Initializing modem for fax processing"},
    {4802, "Dialing"},
    {4803, "Busy, waiting until redial..."},
    {4804, "Sending page data"},
    {4805, "Sending EOP"},
    {4806, "Error sending page"},
    {4807, "Page accepted by remote"},
    {4808, "Connecting..."},
    {4820, "Waiting for incoming call"},
    {4821, "No connect on this call"},
    {4822, "Answering incoming call"},
    {4823, "Incoming call validated as fax"},
    {4824, "Getting page data"},
    {4825, "Getting end-of-page signal"},
    {4826, "Getting end-of-document status"},
    {4827, "Getting hangup command"},
    {4828, "Got Class 2 FHNG code"},
    {4830, "Switching modes"},
    {4831, "Monitoring for incoming faxes"},
    {4832, "Not monitoring for incoming faxes"},
    {4840, "Getting connection params"},
    {4841, "Got called-station ID"},
    {4842, "User abort"},
    {4843, "Finished"},
};

// 5001..5003: triggers.
constexpr MessageRow kTriggerRows[] = {
    {5001, "No more trigger slots"},
    {5002, "Data trigger too long"},
    {5003, "Bad trigger handle"},
};

// 6001..6016: protocol errors of a fax session.
constexpr MessageRow kProtocolRows[] = {
    {6005, "Cancel requested"},
    {6006, "Fatal time out"},
    {6010, "No filename specified in protocol receive"},
    {6011, "File was rejected"},
};

// 8060..8092: fax session errors (the fax image codes below 8060 come from
// the image layer's own list).
constexpr MessageRow kFaxSessionRows[] = {
    {8060, "Fax incompatible with remote fax"},
    {8061, "Bad response from modem"},
    {8062, "Modems failed to train"},
    {8063, "Error while initializing modem"},
    {8064, "Called fax number was busy"},
    {8065, "Called fax number answered with voice"},
    {8066, "Incoming data call"},
    {8067, "No dial tone"},
    {8068, "Failed to connect to remote fax"},
    {8069, "Fax failed in mid-session"},
    {8070, "Fax failed at page end"},
    {8071, "Called fax number did not answer"},
    {8072, "The modem is gone: its port was closed or unplugged"},
    {8074, "Remote fax did not answer"},
};

// 15001..: dispatch-log type names (15001 + type).
constexpr MessageRow kLogTypeRows[] = {
    {15001, "No event"}, {15002, "Dispatch"}, {15003, "Trigger"},  {15004, "Error"},
    {15005, "Thread"},   {15006, "TrigAllc"}, {15007, "TrigDisp"}, {15008, "TrgHdAlc"},
    {15009, "TrgHdDsp"}, {15010, "TrDatChg"}, {15011, "Telnet"},   {15012, "Fax"},
};

// 15101..: dispatch-log subtype names (15100 + subtype).
constexpr MessageRow kLogSubtypeRows[] = {
    {15101, "ReadCom"},   {15102, "WriteCom"}, {15103, "Line status"}, {15104, "Modem status"},
    {15105, "Avail"},     {15106, "Timer"},    {15107, "Data"},        {15108, "Status"},
    {15109, "Start"},     {15110, "Exit"},     {15111, "Sleep"},       {15112, "Wake"},
    {15113, "Data"},      {15114, "Timer"},    {15115, "Status"},      {15116, "Avail"},
    {15117, "Window"},    {15118, "Procedure"}, {15119, "Method"},
};

// 0..162: the runtime file errors, taken from the platform's own list.
std::span<const MessageRow> RuntimeRows() {
  static const std::vector<MessageRow> rows = [] {
    std::vector<MessageRow> out;
    for (int code = 0; code <= io_error::Last; ++code)
      if (!IoErrorText(code).empty()) out.push_back({code, IoErrorText(code)});
    return out;
  }();
  return rows;
}

// 7001..7014: the table engine's codes, from its own list.
std::span<const MessageRow> DatabaseRows() {
  static const std::vector<MessageRow> rows = [] {
    std::vector<MessageRow> out;
    for (int code = xbase_status::First; code <= xbase_status::Last; ++code)
      if (!XbaseStatusText(code).empty()) out.push_back({code, XbaseStatusText(code)});
    return out;
  }();
  return rows;
}

// 8001..: the fax image codes, from their own list.
std::span<const MessageRow> FaxImageRows() {
  static const std::vector<MessageRow> rows = [] {
    std::vector<MessageRow> out;
    int count = 0;
    const ImageStatusEntry* table = ImageStatusTable(&count);
    for (int i = 0; i < count; ++i)  // its general and runtime codes have their rows above
      if (table[i].code >= 8001 && table[i].code <= 8999) out.push_back({table[i].code, table[i].text});
    std::sort(out.begin(), out.end(), [](const MessageRow& a, const MessageRow& b) { return a.code < b.code; });
    return out;
  }();
  return rows;
}

// Adding an area's codes: one line here, with its rows above (sorted).
std::span<const MessageRange> BuildRanges() {
  static const std::array kRanges = {
      MessageRange{"runtime file errors", RuntimeRows(), MessageRangeKind::Status},
      MessageRange{"general", kGeneralRows, MessageRangeKind::Status},
      MessageRange{"port opening", kPortOpeningRows, MessageRangeKind::Status},
      MessageRange{"device layer", kDeviceLayerRows, MessageRangeKind::Status},
      MessageRange{"fax status", kFaxStatusRows, MessageRangeKind::Status},
      MessageRange{"triggers", kTriggerRows, MessageRangeKind::Status},
      MessageRange{"protocol errors", kProtocolRows, MessageRangeKind::Status},
      MessageRange{"database", DatabaseRows(), MessageRangeKind::Status},
      MessageRange{"fax images", FaxImageRows(), MessageRangeKind::Status},
      MessageRange{"fax sessions", kFaxSessionRows, MessageRangeKind::Status},
      MessageRange{"dispatch-log types", kLogTypeRows, MessageRangeKind::Name},
      MessageRange{"dispatch-log subtypes", kLogSubtypeRows, MessageRangeKind::Name},
  };
  return kRanges;
}

}  // namespace

std::span<const MessageRange> MessageRanges() { return BuildRanges(); }

std::string_view MessageText(int code) {
  const int key = code < 0 ? -code : code;
  for (const MessageRange& range : MessageRanges()) {
    if (range.rows.empty() || key < range.rows.front().code || key > range.rows.back().code) continue;
    auto it = std::lower_bound(range.rows.begin(), range.rows.end(), key,
                               [](const MessageRow& row, int k) { return row.code < k; });
    if (it != range.rows.end() && it->code == key) return it->text;
  }
  return {};
}

std::string SystemMessageText(int number) {
  char buffer[256] = {};
  // The GNU strerror_r returns the text (possibly a static one).
  const char* text = strerror_r(number, buffer, sizeof buffer);
  std::string out;
  for (const char* p = text; p && *p; ++p) {
    const char c = static_cast<unsigned char>(*p) < 32 ? ' ' : *p;
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string ErrorText(int code) {
  const std::string_view text = MessageText(code);
  if (!text.empty()) return std::string(text);
  return SystemMessageText(code < 0 ? -code : code);
}

std::string_view FaxStatusText(int code) {
  if (code < 4801 || code > 4843) return {};
  return MessageText(code);
}

}  // namespace telvane
