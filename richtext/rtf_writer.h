#pragma once
// Our RTF writer: a QTextDocument of this control (document_conventions.h)
// as RTF that our reader reads back to the same document, and that other
// word processors open. Text outside ASCII is written as \uN with a
// windows-1252 fallback byte.

#include <QByteArray>

#include "richtext/page_layout.h"

class QTextDocument;

namespace telvane::rtf {

QByteArray WriteRtf(const QTextDocument& doc, const PageLayoutTwips& page);

}  // namespace telvane::rtf
