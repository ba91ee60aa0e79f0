#pragma once
// Classifying one result line from a fax modem. Reading a line (see
// response_collector.h) is separate from saying what it means: this is a
// pure, table-driven function over whole lines, so "+FCSI:"BROOKLYN OK""
// is a report and never an OK.

#include <string_view>

namespace telvane::t30 {

enum class ModemResponse {
  Empty,       // nothing but blanks
  Ok,          // "OK", numeric "0"
  Connect,     // "CONNECT", "CONNECT <rate>", numeric "1"
  Ring,        // "RING", "RING <extra>", numeric "2"
  NoCarrier,   // "NO CARRIER", numeric "3"
  Error,       // "ERROR", numeric "4"
  NoDialTone,  // "NO DIALTONE", "NO DIAL TONE", numeric "6"
  Busy,        // "BUSY", numeric "7"
  NoAnswer,    // "NO ANSWER", numeric "8"
  Voice,       // "VOICE", "VCON"
  FcError,     // "+FCERROR" (T.31: the carrier asked for was not heard)
  Fax,         // "FAX" (adaptive answer, ahead of CONNECT)
  Data,        // "DATA"
  CallerId,    // "DATE = ...", "TIME = ...", "NMBR = ...", "NAME = ..." and alike
  Report,      // "+Fxxx:..." reports of Class 2/2.0 (and "+FRH:3", "+FCON" etc.)
  Hangup,      // "+FHNG:code" (Class 2) or "+FHS:code" (Class 2.0)
  Other,       // anything else: an echo, junk, a truncated line
};

struct ClassifiedLine {
  ModemResponse kind = ModemResponse::Other;
  // What follows the keyword, trimmed: "9600" of "CONNECT 9600", the code
  // of "+FHNG: 52", the value of "NMBR = 5551234", everything after the
  // colon of a report.
  std::string_view argument;
  // For Report and Hangup: the report's name without "+" and ":" ("FCSI",
  // "FHNG"); for CallerId the tag ("NMBR").
  std::string_view name;
};

// `line` is one complete line without its CR/LF. Leading and trailing
// blanks are ignored; keywords are matched as whole words, case-sensitive
// as modems send them.
ClassifiedLine ClassifyResponse(std::string_view line);

// A short name for logs and tests ("OK", "CONNECT", "NO CARRIER", ...).
std::string_view ResponseName(ModemResponse kind);

}  // namespace telvane::t30
