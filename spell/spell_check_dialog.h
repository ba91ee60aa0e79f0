#pragma once
// The spelling check of a text control, in place: from the caret to the end
// and on from the top, each unknown word is shown in its sentence with
// suggestions; Ignore, Ignore All, Replace, Replace All, Add (to the
// personal word list) or Close. exec() shows nothing when the text has no
// unknown word, and closes the window when the check is complete; both end
// with "The spelling check is complete.".

#include <QDialog>
#include <QTextCursor>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextEdit;

namespace telvane {

class PersonalWordList;
class SpellDictionary;
class TSpellChecker;

inline constexpr const char* kSpellCheckCompleteText = "The spelling check is complete.";

class TSpellCheckDialog : public QDialog {
  Q_OBJECT
public:
  explicit TSpellCheckDialog(QTextEdit* editor, QWidget* parent = nullptr);
  ~TSpellCheckDialog() override;

  int exec() override;
  void reject() override { done(2); }

  // The word now asked about ("" when none).
  QString CurrentWord() const;

  QLabel* ContextView;
  QLineEdit* ReplacementEdit;
  QListWidget* SuggestionList;
  QPushButton* IgnoreButton;
  QPushButton* IgnoreAllButton;
  QPushButton* ReplaceButton;
  QPushButton* ReplaceAllButton;
  QPushButton* AddButton;
  QPushButton* CloseButton;

  void IgnoreButtonClick();
  void IgnoreAllButtonClick();
  void ReplaceButtonClick();
  void ReplaceAllButtonClick();
  void AddButtonClick();

private:
  void createControls();
  // Moves to the next unknown word; false when there is none.
  bool advance();
  void showWord();
  void continueOrFinish();

  QTextEdit* editor_;
  std::unique_ptr<SpellDictionary> dictionary_;
  std::unique_ptr<PersonalWordList> personal_;
  std::unique_ptr<TSpellChecker> checker_;
  QTextCursor word_;  // the word asked about, selected
};

}  // namespace telvane
