#include "richtext/rtf_tokenizer.h"

#include <algorithm>

namespace telvane::rtf {
namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Token Tokenizer::Next() {
  Token t;
  if (pendingBinary_ > 0) {
    const size_t n = std::min(pendingBinary_, in_.size() - pos_);
    t.kind = TokenKind::Binary;
    t.word = in_.substr(pos_, n);
    pos_ += n;
    pendingBinary_ = 0;
    return t;
  }
  // Line ends outside \binN data carry no meaning in RTF.
  while (pos_ < in_.size() && (in_[pos_] == '\r' || in_[pos_] == '\n')) ++pos_;
  if (pos_ >= in_.size()) return t;
  const char c = in_[pos_];
  if (c == '{') {
    ++pos_;
    t.kind = TokenKind::GroupOpen;
    return t;
  }
  if (c == '}') {
    ++pos_;
    t.kind = TokenKind::GroupClose;
    return t;
  }
  if (c == '\\') return ReadControl();
  const size_t start = pos_;
  while (pos_ < in_.size()) {
    const char d = in_[pos_];
    if (d == '{' || d == '}' || d == '\\' || d == '\r' || d == '\n') break;
    ++pos_;
  }
  t.kind = TokenKind::Text;
  t.word = in_.substr(start, pos_ - start);
  return t;
}

Token Tokenizer::ReadControl() {
  Token t;
  ++pos_;  // the backslash
  if (pos_ >= in_.size()) return t;
  const char c = in_[pos_];
  if (!IsLetter(c)) {
    ++pos_;
    if (c == '\'') {
      t.kind = TokenKind::HexByte;
      const int hi = pos_ < in_.size() ? HexValue(in_[pos_]) : -1;
      const int lo = pos_ + 1 < in_.size() ? HexValue(in_[pos_ + 1]) : -1;
      if (hi < 0 || lo < 0) {  // a broken escape stands for nothing
        t.kind = TokenKind::ControlSymbol;
        t.parameter = 0;
        return t;
      }
      pos_ += 2;
      t.parameter = hi * 16 + lo;
      return t;
    }
    t.kind = TokenKind::ControlSymbol;
    // "\<newline>" is an old spelling of \par.
    t.parameter = (c == '\r' || c == '\n') ? '\n' : static_cast<unsigned char>(c);
    return t;
  }
  const size_t start = pos_;
  while (pos_ < in_.size() && IsLetter(in_[pos_])) ++pos_;
  t.kind = TokenKind::ControlWord;
  t.word = in_.substr(start, std::min(pos_ - start, kMaxControlWordLength));
  bool negative = false;
  if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && IsDigit(in_[pos_ + 1])) {
    negative = true;
    ++pos_;
  }
  if (pos_ < in_.size() && IsDigit(in_[pos_])) {
    int64_t value = 0;
    while (pos_ < in_.size() && IsDigit(in_[pos_])) {
      value = std::min<int64_t>(value * 10 + (in_[pos_] - '0'), kMaxParameter);
      ++pos_;
    }
    t.hasParameter = true;
    t.parameter = static_cast<int32_t>(negative ? -value : value);
  }
  if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;  // the delimiting space belongs to the word
  if (t.word == "bin" && t.hasParameter && t.parameter > 0) pendingBinary_ = static_cast<size_t>(t.parameter);
  return t;
}

}  // namespace telvane::rtf
