#include "tools/virtual-modem/call_report.h"

namespace telvane::vmodem {

namespace {

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
  }
  out.push_back('"');
  return out;
}

}  // namespace

std::string resolutionName(int yResolution) {
  // T.30 vertical resolutions: 3.85, 7.7 and 15.4 lines/mm.
  if (yResolution <= 0) return "unknown";
  if (yResolution < 5000) return "standard";
  if (yResolution < 10000) return "fine";
  return "superfine";
}

std::string formatCallReport(const CallReport& r) {
  return "CALL result=" + r.result + " code=" + std::to_string(r.code) + " role=" + r.role +
         " pages=" + std::to_string(r.pages) + " rate=" + std::to_string(r.rate) +
         " resolution=" + resolutionName(r.yResolution) + " width=" + std::to_string(r.width) +
         " ecm=" + (r.ecm ? "on" : "off") + " remote_id=" + quoted(r.remoteId) + " file=" + quoted(r.file) +
         " message=" + quoted(r.message);
}

}  // namespace telvane::vmodem
