#include "spell/personal_word_list.h"

#include <fstream>

#include "platform/program_directory.h"
#include "platform/text.h"

namespace telvane {
namespace {
// A longer line is no word anyone typed; it is not taken from the file.
constexpr size_t kMaxWordBytes = 200;
}  // namespace

PersonalWordList::PersonalWordList(std::string path)
    : path_(path.empty() ? JoinPath(ProgramDirectory(), kPersonalWordListFile) : std::move(path)) {}

void PersonalWordList::Load() {
  words_.clear();
  std::ifstream in(path_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    const std::string_view word = TrimWhitespace(line);
    if (!word.empty() && word.size() <= kMaxWordBytes) words_.insert(std::string(word));
  }
}

bool PersonalWordList::Add(std::string_view word) {
  word = TrimWhitespace(word);
  if (word.empty() || word.find('\n') != std::string_view::npos) return false;
  if (!words_.insert(std::string(word)).second) return true;
  std::ofstream out(path_, std::ios::binary | std::ios::app);
  out << word << '\n';
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace telvane
