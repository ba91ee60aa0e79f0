#pragma once
// Small helpers shared by the rich text tests.

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <string>

#include "richtext/rtf_reader.h"

namespace telvane::test {

inline QByteArray ReadSample(const char* name) {
  QFile f(QStringLiteral(RICHTEXT_SAMPLES "/") + QLatin1String(name));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline rtf::ReadResult Read(const std::string& rtf, QTextDocument& doc) { return rtf::ReadRtf(rtf, doc); }

// The format of the character at `position`.
inline QTextCharFormat FormatAt(const QTextDocument& doc, int position) {
  QTextCursor c(const_cast<QTextDocument*>(&doc));
  c.setPosition(position + 1);
  return c.charFormat();
}

// Document position of the first occurrence of `text`, -1 when absent.
inline int Find(const QTextDocument& doc, const QString& text) {
  const QTextCursor c = doc.find(text);
  return c.isNull() ? -1 : c.selectionStart();
}

}  // namespace telvane::test
