#pragma once
// INI files with the semantics of the Windows private-profile calls that
// TVN.INI was always written with:
//  - section and key names match without regard to case; the first section
//    and the first key of that name win; blanks around names and values are
//    dropped, and a value enclosed in matching quotes loses them;
//  - a read returns at most 1,023 characters;
//  - every write goes to the disk at once and keeps all other lines
//    (comments, unknown sections and keys, line endings) as they were;
//    a new key goes to the end of its section, a new section to the end.
// Lines that are neither "[section]" nor "key=value" are kept and ignored.
// A UTF-8 byte order mark, as some editors put first, is skipped and kept.
// A line break inside a written value becomes a blank: a value stays on its
// own line and can never start a new key or section.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace telvane {

// The text of an INI file, line by line.
class IniDocument {
public:
  static IniDocument Parse(std::string_view text);

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);
  bool HasSection(std::string_view section) const;
  std::vector<std::string> SectionNames() const;

  std::string Serialize() const;

private:
  struct KeyLine {
    size_t index;
    std::string_view value;
  };
  // Index of the header line of the first section of that name.
  std::optional<size_t> findSection(std::string_view section) const;
  // The first line of `section` defining `key`, searching from its header.
  std::optional<size_t> findKey(size_t header, std::string_view key) const;
  size_t sectionEnd(size_t header) const;

  std::vector<std::string> lines_;
  std::string bom_;
  std::string newline_ = "\n";
  bool finalNewline_ = true;
};

// Reads of typed values, shared by IniFile and its tests.
// Integers: decimal, or hexadecimal after "0x"/"0X" when longer than two
// characters; anything else (or out of 32-bit range) gives `fallback`.
int ParseIniInteger(std::string_view text, int fallback);

// One INI file on disk. Reads come from the text loaded at construction (a
// missing or unreadable file reads as empty); each write rewrites the file.
class IniFile {
public:
  static constexpr size_t MaxValueLength = 1023;

  explicit IniFile(std::string path);

  const std::string& Path() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
  int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
  // Any integer other than 0 is true; a missing or non-numeric value gives `fallback`.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
  bool SectionExists(std::string_view section) const;

  // False when the file cannot be written; the loaded text keeps the value.
  [[nodiscard]] bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  [[nodiscard]] bool WriteInteger(std::string_view section, std::string_view key, int value);
  [[nodiscard]] bool WriteBool(std::string_view section, std::string_view key, bool value);

  // Reloads the text from the disk.
  void Reload();

private:
  bool save() const;

  std::string path_;
  IniDocument document_;
};

}  // namespace telvane
