#pragma once
// The user's own words, which the spelling check accepts: one word a line,
// UTF-8, in the program directory. Adding a word appends it at once, so it
// counts in every later check, in this run and the next.

#include <set>
#include <string>
#include <string_view>

namespace telvane {

inline constexpr std::string_view kPersonalWordListFile = "TVNWORDS.DIC";

class PersonalWordList {
public:
  // The file ProgramDirectory() + kPersonalWordListFile unless given.
  explicit PersonalWordList(std::string path = {});

  // Reads the file; a missing file is an empty list.
  void Load();
  const std::set<std::string>& words() const { return words_; }
  bool Contains(std::string_view word) const { return words_.count(std::string(word)) != 0; }
  // False when the file cannot be written (the word is still accepted for
  // this run).
  bool Add(std::string_view word);
  const std::string& path() const { return path_; }

private:
  std::string path_;
  std::set<std::string> words_;
};

}  // namespace telvane
