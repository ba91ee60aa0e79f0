#pragma once
// Decoding the 8-bit text of RTF files (\ansicpgN, \fcharsetN, raw bytes and
// \'hh escapes) and finding the windows-1252 byte of a character for the
// writer. Code page 1252 is built in; others go through Qt's codecs and fall
// back to 1252 when Qt does not know them.

#include <QString>
#include <QStringDecoder>
#include <memory>
#include <string_view>

namespace telvane::rtf {

class CodePageDecoder {
public:
  explicit CodePageDecoder(int codePage = 1252);
  int CodePage() const { return codePage_; }
  // Bytes of one run; a multi-byte code page keeps a split character for the next call.
  void Append(std::string_view bytes, QString& out);

private:
  int codePage_;
  std::unique_ptr<QStringDecoder> codec_;  // null: built-in 1252
};

// The code page an RTF \fcharsetN selects, or 0 when it names none.
int CodePageOfCharset(int charset);

// The windows-1252 byte of `c`, or -1 when it has none.
int Cp1252Byte(char16_t c);

}  // namespace telvane::rtf
