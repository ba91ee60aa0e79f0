#include "spell/checkable_words.h"

namespace telvane {
namespace {

bool isApostrophe(QChar c) { return c == u'\'' || c == u'\u2019'; }
bool isWordChar(QChar c) { return c.isLetterOrNumber() || c.isMark(); }

bool isAddress(QStringView token) {
  if (token.contains(u"://") || token.contains(u'@') || token.startsWith(u"www.", Qt::CaseInsensitive)) return true;
  for (qsizetype i = 1; i + 1 < token.size(); ++i)
    if (token[i] == u'.' && token[i - 1].isLetterOrNumber() && token[i + 1].isLetter()) return true;
  return false;
}

// The words of one token starting at `offset` of the text.
void addWords(QStringView token, int offset, std::vector<WordSpan>& out) {
  qsizetype i = 0;
  while (i < token.size()) {
    if (!isWordChar(token[i])) {
      ++i;
      continue;
    }
    const qsizetype start = i;
    bool digit = false;
    while (i < token.size()) {
      if (isWordChar(token[i])) {
        digit = digit || token[i].isDigit();
        ++i;
      } else if (isApostrophe(token[i]) && i + 1 < token.size() && isWordChar(token[i + 1])) {
        ++i;  // "don't", "O'Neil"
      } else {
        break;
      }
    }
    if (!digit) out.push_back({offset + static_cast<int>(start), static_cast<int>(i - start)});
  }
}

}  // namespace

std::vector<WordSpan> CheckableWords(const QString& text) {
  std::vector<WordSpan> words;
  qsizetype i = 0;
  while (i < text.size()) {
    if (text[i].isSpace()) {
      ++i;
      continue;
    }
    const qsizetype start = i;
    while (i < text.size() && !text[i].isSpace()) ++i;
    const QStringView token = QStringView(text).mid(start, i - start);
    if (!isAddress(token)) addWords(token, static_cast<int>(start), words);
  }
  return words;
}

}  // namespace telvane
