#pragma once
// The words of a paragraph that a spelling check looks at. Text is cut at
// blanks into tokens; tokens that are web or mail addresses ("://", "www.",
// "@", or a dot between letters as in "example.com") are passed over whole.
// A token's words are its runs of letters with apostrophes inside them;
// hyphens and other punctuation separate words; a run that holds a digit
// ("2nd", "A4", "1999") is no word to check.

#include <QString>
#include <vector>

namespace telvane {

struct WordSpan {
  int start = 0;   // in UTF-16 units of the text
  int length = 0;
  bool operator==(const WordSpan&) const = default;
};

std::vector<WordSpan> CheckableWords(const QString& text);

}  // namespace telvane
