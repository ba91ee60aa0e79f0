#pragma once
// A spelling dictionary: Hunspell with one of the system's dictionaries
// (NAME.aff and NAME.dic), spoken to in UTF-8 whatever the dictionary's own
// encoding. Words added at run time live until the dictionary is closed.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Hunspell;

namespace telvane {

// Where the system keeps its dictionaries, searched in this order.
std::vector<std::string> DictionaryDirectories();

// The dictionaries found in `directories` by name ("en_US"), each once.
std::vector<std::string> InstalledDictionaries(const std::vector<std::string>& directories);

// The dictionary for the locale ("de_CH.UTF-8"): the same language and
// territory, else the same language, else "en_US", else the first one;
// "" when there is none.
std::string ChooseDictionary(const std::vector<std::string>& installed, std::string_view locale);

// The user's locale for messages: LC_ALL, LC_MESSAGES, then LANG.
std::string UserLocale();

class SpellDictionary {
public:
  SpellDictionary();
  ~SpellDictionary();
  SpellDictionary(const SpellDictionary&) = delete;
  SpellDictionary& operator=(const SpellDictionary&) = delete;

  // Opens NAME.aff and NAME.dic of the first directory holding both.
  bool Open(const std::vector<std::string>& directories, const std::string& name);
  // The user's dictionary: the one ChooseDictionary picks for UserLocale().
  bool OpenDefault();
  bool IsOpen() const { return hunspell_ != nullptr; }
  const std::string& name() const { return name_; }

  // A word the dictionary cannot even spell in its encoding is taken as
  // correct rather than flagged for nothing.
  bool Check(std::string_view word) const;
  std::vector<std::string> Suggest(std::string_view word) const;
  void Add(std::string_view word);

private:
  bool toDictionary(std::string_view utf8, std::string& out) const;
  std::string fromDictionary(const std::string& text) const;

  std::unique_ptr<Hunspell> hunspell_;
  std::string name_;
  std::string encoding_;  // "" for UTF-8
};

}  // namespace telvane
