#pragma once
// The spelling check of one document, without a window: walks the words
// from a starting point to the end and then from the top back to that
// point, stops at each word the dictionary and the personal word list do
// not know, and carries out the user's answer in the document (one undo
// step per change). Words given "Replace All" are changed without asking
// wherever the walk meets them again.

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QTextCursor>

namespace telvane {

class PersonalWordList;
class SpellDictionary;

class TSpellChecker {
public:
  // The personal words are added to the dictionary for this check.
  TSpellChecker(SpellDictionary& dictionary, PersonalWordList& personal);

  // Starts at the word that holds `position` (or the next one).
  void Start(QTextDocument* document, int position);
  // The next unknown word, selected; a null cursor when the check is done.
  QTextCursor Next();

  bool IsCorrect(const QString& word) const;
  QStringList Suggestions(const QString& word) const;

  void IgnoreAll(const QString& word);
  // Replaces the selected word; the check goes on after the replacement.
  void Replace(QTextCursor word, const QString& replacement);
  void ReplaceAll(QTextCursor word, const QString& replacement);
  // Puts the word in the personal list; false when the list's file cannot
  // be written (the word is still accepted in this check).
  bool Add(const QString& word);

private:
  QTextCursor findWord(int from, int limit) const;

  SpellDictionary& dictionary_;
  PersonalWordList& personal_;
  QTextDocument* document_ = nullptr;
  QTextCursor position_;  // where the walk goes on; moves with edits before it
  QTextCursor stop_;      // where the walk started
  bool wrapped_ = false;
  QSet<QString> ignored_;
  QHash<QString, QString> replaceAll_;
};

}  // namespace telvane
