#include "spell/spell_checker.h"

#include <QTextBlock>
#include <algorithm>
#include <QTextDocument>

#include "spell/checkable_words.h"
#include "spell/personal_word_list.h"
#include "spell/spell_dictionary.h"

namespace telvane {
namespace {

// The start of the word that holds `position`, or `position` itself.
int wordStartAt(const QTextDocument& document, int position) {
  const QTextBlock block = document.findBlock(position);
  for (const WordSpan& w : CheckableWords(block.text())) {
    const int start = block.position() + w.start;
    if (start <= position && position < start + w.length) return start;
  }
  return position;
}

}  // namespace

TSpellChecker::TSpellChecker(SpellDictionary& dictionary, PersonalWordList& personal)
    : dictionary_(dictionary), personal_(personal) {
  for (const std::string& word : personal_.words()) dictionary_.Add(word);
}

void TSpellChecker::Start(QTextDocument* document, int position) {
  document_ = document;
  const int start = wordStartAt(*document, std::clamp(position, 0, document->characterCount() - 1));
  position_ = QTextCursor(document);
  position_.setPosition(start);
  stop_ = QTextCursor(document);
  stop_.setPosition(start);
  stop_.setKeepPositionOnInsert(true);  // a replacement of the first word is not met again
  wrapped_ = false;
}

QTextCursor TSpellChecker::findWord(int from, int limit) const {
  for (QTextBlock block = document_->findBlock(from); block.isValid() && block.position() < limit;
       block = block.next()) {
    for (const WordSpan& w : CheckableWords(block.text())) {
      const int start = block.position() + w.start;
      if (start < from) continue;
      if (start >= limit) return {};
      QTextCursor word(document_);
      word.setPosition(start);
      word.setPosition(start + w.length, QTextCursor::KeepAnchor);
      return word;
    }
  }
  return {};
}

QTextCursor TSpellChecker::Next() {
  if (!document_) return {};
  for (;;) {
    const int limit = wrapped_ ? stop_.position() : document_->characterCount();
    QTextCursor word = findWord(position_.position(), limit);
    if (word.isNull()) {
      if (wrapped_ || stop_.position() == 0) return {};
      wrapped_ = true;
      position_.setPosition(0);
      continue;
    }
    position_.setPosition(word.selectionEnd());
    const QString text = word.selectedText();
    if (const auto it = replaceAll_.constFind(text); it != replaceAll_.constEnd()) {
      Replace(word, *it);
      continue;
    }
    if (!IsCorrect(text)) return word;
  }
}

bool TSpellChecker::IsCorrect(const QString& word) const {
  return ignored_.contains(word) || personal_.Contains(word.toStdString()) || dictionary_.Check(word.toStdString());
}

QStringList TSpellChecker::Suggestions(const QString& word) const {
  QStringList out;
  for (const std::string& s : dictionary_.Suggest(word.toStdString())) out << QString::fromStdString(s);
  return out;
}

void TSpellChecker::IgnoreAll(const QString& word) { ignored_.insert(word); }

void TSpellChecker::Replace(QTextCursor word, const QString& replacement) {
  // The replacement keeps the look of the word's first letter.
  QTextCursor first(word.document());
  first.setPosition(word.selectionStart() + 1);
  const QTextCharFormat format = first.charFormat();
  word.beginEditBlock();
  word.insertText(replacement, format);
  word.endEditBlock();
  position_.setPosition(word.position());
}

void TSpellChecker::ReplaceAll(QTextCursor word, const QString& replacement) {
  replaceAll_.insert(word.selectedText(), replacement);
  Replace(word, replacement);
}

bool TSpellChecker::Add(const QString& word) {
  dictionary_.Add(word.toStdString());
  return personal_.Add(word.toStdString());
}

}  // namespace telvane
