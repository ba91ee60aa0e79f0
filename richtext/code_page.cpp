#include "richtext/code_page.h"

namespace telvane::rtf {
namespace {

// windows-1252 bytes 0x80..0x9F; the rest of the page equals Latin-1. The
// five holes decode to U+FFFD.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,  // 88
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,  // 98
};

}  // namespace

CodePageDecoder::CodePageDecoder(int codePage) : codePage_(codePage) {
  if (codePage == 1252 || codePage <= 0) {
    codePage_ = 1252;
    return;
  }
  const QByteArray name = codePage == 65001 ? QByteArray("UTF-8")
                          : codePage == 10000 ? QByteArray("macintosh")
                          : codePage == 437 || codePage == 850 ? "IBM" + QByteArray::number(codePage)
                          : codePage >= 1250 && codePage <= 1258 ? "windows-" + QByteArray::number(codePage)
                          : "cp" + QByteArray::number(codePage);
  auto codec = std::make_unique<QStringDecoder>(name.constData());
  if (codec->isValid()) codec_ = std::move(codec);
  else codePage_ = 1252;
}

void CodePageDecoder::Append(std::string_view bytes, QString& out) {
  if (codec_) {
    out += (*codec_)(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return;
  }
  for (const char b : bytes) {
    const auto u = static_cast<unsigned char>(b);
    out += QChar(u >= 0x80 && u < 0xA0 ? kCp1252High[u - 0x80] : char16_t(u));
  }
}

int CodePageOfCharset(int charset) {
  switch (charset) {
    case 0: return 1252;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 0;  // symbol, OEM and unknown sets keep the document's page
  }
}

int Cp1252Byte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c && c != 0xFFFD) return 0x80 + i;
  return -1;
}

}  // namespace telvane::rtf
