#pragma once
// Splits RTF bytes into tokens: group braces, control words with their
// optional numeric parameter, control symbols, \'hh bytes, \binN data and
// runs of plain text. Never reads past the end; oversized names and
// parameters are cut to fixed bounds so hostile input cannot grow them.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace telvane::rtf {

enum class TokenKind { End, GroupOpen, GroupClose, ControlWord, ControlSymbol, HexByte, Binary, Text };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string_view word;   // ControlWord: name; Text: the run; Binary: the data
  bool hasParameter = false;
  int32_t parameter = 0;   // ControlWord parameter; HexByte value; ControlSymbol character
};

// Control words longer than this are not RTF; the excess letters are skipped.
inline constexpr size_t kMaxControlWordLength = 32;
// Parameters are signed 16- or 32-bit; larger digit runs are clamped.
inline constexpr int32_t kMaxParameter = 1'000'000'000;

class Tokenizer {
public:
  explicit Tokenizer(std::string_view input) : in_(input) {}
  Token Next();

private:
  Token ReadControl();
  std::string_view in_;
  size_t pos_ = 0;
  size_t pendingBinary_ = 0;  // bytes of \binN still to deliver
};

}  // namespace telvane::rtf
