#include "compose/fax_file_names.h"

#include "platform/file_helpers.h"

namespace telvane {

std::string FirstFaxFileName(const std::string& directory) {
  for (int n = 1; n <= kMaxFaxFileNumber; ++n) {
    std::string name = directory + "TVN_" + std::to_string(n) + ".APF";
    if (!FileExists(name)) return name;
  }
  return directory + "TVN1.APF";
}

std::string FaxPageFileName(const std::string& directory, int pageNumber) {
  return directory + "TVNAX" + std::to_string(pageNumber) + ".APF";
}

}  // namespace telvane
