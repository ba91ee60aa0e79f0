#include "settings/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

#include "platform/text.h"

namespace telvane {
namespace {

struct ParsedLine {
  enum class Kind { Other, Section, Key } kind = Kind::Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed
};

ParsedLine parseLine(std::string_view line) {
  const std::string_view text = TrimWhitespace(line);
  if (text.empty() || text.front() == ';') return {};
  if (text.front() == '[') {
    const size_t close = text.rfind(']');
    if (close != std::string_view::npos)
      return {ParsedLine::Kind::Section, TrimWhitespace(text.substr(1, close - 1)), {}};
    return {};  // "[name" without its bracket is no header
  }
  const size_t eq = text.find('=');
  if (eq == std::string_view::npos) return {};
  return {ParsedLine::Kind::Key, TrimWhitespace(text.substr(0, eq)), TrimWhitespace(text.substr(eq + 1))};
}

// Built by appending: GCC 12 at -O3 misreads "[" + std::string(...) as an
// overlapping copy (-Wrestrict).
std::string joined(std::string_view a, std::string_view b, std::string_view c) {
  std::string out;
  out.reserve(a.size() + b.size() + c.size());
  out.append(a).append(b).append(c);
  return out;
}

std::string_view unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";
  if (text.substr(0, utf8Bom.size()) == utf8Bom) {
    doc.bom_ = utf8Bom;
    text.remove_prefix(utf8Bom.size());
  }
  if (text.find("\r\n") != std::string_view::npos) doc.newline_ = "\r\n";
  doc.finalNewline_ = text.empty() || text.back() == '\n' || text.back() == '\r';
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    doc.lines_.emplace_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return doc;
}

std::optional<size_t> IniDocument::findSection(std::string_view section) const {
  const std::string_view wanted = TrimWhitespace(section);
  for (size_t i = 0; i < lines_.size(); ++i) {
    const ParsedLine p = parseLine(lines_[i]);
    if (p.kind == ParsedLine::Kind::Section && EqualsNoCase(p.name, wanted)) return i;
  }
  return std::nullopt;
}

size_t IniDocument::sectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && parseLine(lines_[i]).kind != ParsedLine::Kind::Section) ++i;
  return i;
}

std::optional<size_t> IniDocument::findKey(size_t header, std::string_view key) const {
  const std::string_view wanted = TrimWhitespace(key);
  const size_t end = sectionEnd(header);
  for (size_t i = header + 1; i < end; ++i) {
    const ParsedLine p = parseLine(lines_[i]);
    if (p.kind == ParsedLine::Kind::Key && EqualsNoCase(p.name, wanted)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  const auto header = findSection(section);
  if (!header) return std::nullopt;
  const auto line = findKey(*header, key);
  if (!line) return std::nullopt;
  return std::string(unquote(parseLine(lines_[*line]).value));
}

bool IniDocument::HasSection(std::string_view section) const { return findSection(section).has_value(); }

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (const auto& line : lines_) {
    const ParsedLine p = parseLine(line);
    if (p.kind == ParsedLine::Kind::Section) names.emplace_back(p.name);
  }
  return names;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view rawValue) {
  const std::string_view name = TrimWhitespace(key);
  std::string oneLine(rawValue);
  std::replace_if(oneLine.begin(), oneLine.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  const std::string_view value = oneLine;
  const auto header = findSection(section);
  if (!header) {
    if (!lines_.empty() && !TrimWhitespace(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back(joined("[", TrimWhitespace(section), "]"));
    lines_.push_back(joined(name, "=", value));
    return;
  }
  if (const auto line = findKey(*header, key)) {
    // Keep the key as the user spelled it.
    lines_[*line] = joined(parseLine(lines_[*line]).name, "=", value);
    return;
  }
  // After the section's last non-blank line, so blank separators stay put.
  size_t at = sectionEnd(*header);
  while (at > *header + 1 && TrimWhitespace(lines_[at - 1]).empty()) --at;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), joined(name, "=", value));
}

std::string IniDocument::Serialize() const {
  std::string out = bom_;
  for (size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i];
    if (i + 1 < lines_.size() || finalNewline_) out += newline_;
  }
  return out;
}

int ParseIniInteger(std::string_view text, int fallback) {
  std::string_view s = TrimWhitespace(text);
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    s.remove_prefix(2);
    base = 16;
  }
  bool negative = false;
  if (base == 10 && !s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return fallback;
  uint64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
  if (ec != std::errc() || end != s.data() + s.size()) return fallback;
  if (base == 16) {
    // Hexadecimal spells the 32-bit pattern: 0xFFFFFFFF is -1.
    if (magnitude > std::numeric_limits<uint32_t>::max()) return fallback;
    return static_cast<int32_t>(static_cast<uint32_t>(magnitude));
  }
  const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                 : std::numeric_limits<int32_t>::max();
  if (magnitude > static_cast<uint64_t>(limit)) return fallback;
  const int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return static_cast<int>(value);
}

IniFile::IniFile(std::string path) : path_(std::move(path)) { Reload(); }

void IniFile::Reload() {
  std::ifstream in(path_, std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  document_ = IniDocument::Parse(text.str());
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const {
  std::string value = document_.Get(section, key).value_or(std::string(fallback));
  if (value.size() > MaxValueLength) value.resize(MaxValueLength);
  return value;
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
  const auto value = document_.Get(section, key);
  return value ? ParseIniInteger(value->substr(0, MaxValueLength), fallback) : fallback;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

bool IniFile::SectionExists(std::string_view section) const { return document_.HasSection(section); }

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  document_.Set(section, key, value);
  return save();
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::save() const {
  // A read-only file refuses the write, as it should, even though the
  // directory would let a replacement in. Its mode bits count even for
  // root, who could write it anyway: the user marked it read-only.
  std::string target = path_;
  if (char* resolved = ::realpath(path_.c_str(), nullptr)) {  // write through a symbolic link
    target = resolved;
    std::free(resolved);
  }
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && (::access(target.c_str(), W_OK) != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0))
    return false;

  // Write a sibling and rename it over the file, so a crash or a full disk
  // never leaves a half-written TVN.INI.
  const std::string temp = target + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, exists ? (st.st_mode & 07777) : 0644);
  if (fd < 0) return false;
  const std::string text = document_.Serialize();
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  const bool ok = written == text.size() && ::close(fd) == 0;
  if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
    if (written != text.size()) ::close(fd);
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace telvane
