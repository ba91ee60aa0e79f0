#include "spell/spell_dictionary.h"

#include <hunspell.hxx>
#include <iconv.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/file_helpers.h"
#include "platform/text.h"

namespace telvane {
namespace {

bool isUtf8Name(std::string_view encoding) {
  const std::string e = ToUpperAscii(encoding);
  return e == "UTF-8" || e == "UTF8";
}

// Converts with iconv; false when a character has no counterpart.
bool convert(const std::string& from, const std::string& to, std::string_view in, std::string& out) {
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string input(in);
  out.assign(input.size() * 4 + 4, '\0');
  char* src = input.data();
  size_t srcLeft = input.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) return false;
  out.resize(out.size() - dstLeft);
  return true;
}

// "de_CH.UTF-8@euro" -> language "de", territory "CH".
std::pair<std::string, std::string> splitLocale(std::string_view locale) {
  locale = locale.substr(0, locale.find_first_of(".@"));
  const size_t underscore = locale.find('_');
  if (underscore == std::string_view::npos) return {std::string(locale), ""};
  return {std::string(locale.substr(0, underscore)), std::string(locale.substr(underscore + 1))};
}

}  // namespace

std::vector<std::string> DictionaryDirectories() {
  return {"/usr/share/hunspell", "/usr/share/myspell", "/usr/share/myspell/dicts"};
}

std::vector<std::string> InstalledDictionaries(const std::vector<std::string>& directories) {
  std::vector<std::string> names;
  for (const std::string& dir : directories) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
      const std::filesystem::path& p = entry.path();
      if (p.extension() != ".dic") continue;
      std::filesystem::path aff = p;
      aff.replace_extension(".aff");
      const std::string name = p.stem().string();
      if (FileExists(aff.string()) && std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ChooseDictionary(const std::vector<std::string>& installed, std::string_view locale) {
  if (installed.empty()) return {};
  const auto [language, territory] = splitLocale(locale);
  if (!language.empty() && language != "C" && language != "POSIX") {
    for (const std::string& name : installed)
      if (splitLocale(name) == std::pair(language, territory)) return name;
    for (const std::string& name : installed)
      if (splitLocale(name).first == language) return name;
  }
  const auto english = std::find(installed.begin(), installed.end(), "en_US");
  return english != installed.end() ? *english : installed.front();
}

std::string UserLocale() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const char* value = std::getenv(variable); value && *value) return value;
  return {};
}

SpellDictionary::SpellDictionary() = default;
SpellDictionary::~SpellDictionary() = default;

bool SpellDictionary::Open(const std::vector<std::string>& directories, const std::string& name) {
  hunspell_.reset();
  for (const std::string& dir : directories) {
    const std::string aff = dir + "/" + name + ".aff";
    const std::string dic = dir + "/" + name + ".dic";
    if (!FileExists(aff) || !FileExists(dic)) continue;
    hunspell_ = std::make_unique<Hunspell>(aff.c_str(), dic.c_str());
    const std::string encoding = hunspell_->get_dict_encoding();
    encoding_ = isUtf8Name(encoding) ? std::string() : encoding;
    name_ = name;
    return true;
  }
  return false;
}

bool SpellDictionary::OpenDefault() {
  const std::vector<std::string> dirs = DictionaryDirectories();
  const std::string name = ChooseDictionary(InstalledDictionaries(dirs), UserLocale());
  return !name.empty() && Open(dirs, name);
}

bool SpellDictionary::toDictionary(std::string_view utf8, std::string& out) const {
  if (encoding_.empty()) {
    out.assign(utf8);
    return true;
  }
  return convert("UTF-8", encoding_, utf8, out);
}

std::string SpellDictionary::fromDictionary(const std::string& text) const {
  std::string out;
  if (encoding_.empty() || !convert(encoding_, "UTF-8", text, out)) return encoding_.empty() ? text : std::string();
  return out;
}

bool SpellDictionary::Check(std::string_view word) const {
  std::string w;
  if (!hunspell_ || !toDictionary(word, w)) return true;
  return hunspell_->spell(w);
}

std::vector<std::string> SpellDictionary::Suggest(std::string_view word) const {
  std::vector<std::string> out;
  std::string w;
  if (!hunspell_ || !toDictionary(word, w)) return out;
  for (const std::string& s : hunspell_->suggest(w))
    if (std::string u = fromDictionary(s); !u.empty()) out.push_back(std::move(u));
  return out;
}

void SpellDictionary::Add(std::string_view word) {
  std::string w;
  if (hunspell_ && toDictionary(word, w)) hunspell_->add(w);
}

}  // namespace telvane
