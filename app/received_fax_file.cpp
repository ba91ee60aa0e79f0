#include "app/received_fax_file.h"

#include <filesystem>

#include "platform/program_directory.h"
#include "platform/text.h"

namespace telvane {
namespace {

constexpr std::string_view ReceiveDirectory = "receive";

bool IsPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string_view::npos;
}

}  // namespace

std::optional<std::string> ReceivedFaxPath(std::string_view faxFileField) {
  const std::string name = TrimSpaces(faxFileField);
  if (!IsPlainFileName(name)) return std::nullopt;
  const auto dir = FindFileNoCase(ProgramDirectory(), ReceiveDirectory);
  if (!dir) return std::nullopt;
  auto file = FindFileNoCase(*dir, name);
  std::error_code ec;
  if (!file || !std::filesystem::is_regular_file(*file, ec)) return std::nullopt;
  return file;
}

std::string ReceivedFaxExpectedPath(std::string_view faxFileField) {
  return JoinPath(JoinPath(ProgramDirectory(), ReceiveDirectory), TrimSpaces(faxFileField));
}

bool RemoveReceivedFax(std::string_view faxFileField) {
  const auto file = ReceivedFaxPath(faxFileField);
  std::error_code ec;
  return file && std::filesystem::remove(*file, ec);
}

}  // namespace telvane
