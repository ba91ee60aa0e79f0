#pragma once

namespace telvane::bench {

// RTF load of a 1 MB letter-like document (formatted runs, tables) into a
// QTextDocument with our reader, against QTextDocument::setHtml of the same
// content as the reference.
void MeasureRtfLoad();

}  // namespace telvane::bench
