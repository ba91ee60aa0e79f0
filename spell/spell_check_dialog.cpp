#include "spell/spell_check_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QVBoxLayout>

#include "platform/prompts.h"
#include "spell/personal_word_list.h"
#include "spell/spell_checker.h"
#include "spell/spell_dictionary.h"

namespace telvane {
namespace {

// Characters of the paragraph shown on each side of the word.
constexpr int kContextChars = 60;

QPushButton* button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(QString::fromLatin1(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

// The word in its paragraph as rich text, the word in red.
QString contextHtml(const QTextCursor& word) {
  const QTextBlock block = word.block();
  const QString text = block.text();
  const int start = word.selectionStart() - block.position();
  const int length = word.selectionEnd() - word.selectionStart();
  const int from = std::max(0, start - kContextChars);
  const int to = std::min(static_cast<int>(text.size()), start + length + kContextChars);
  const auto piece = [&](int a, int b) { return text.mid(a, b - a).toHtmlEscaped(); };
  return (from > 0 ? QStringLiteral("\u2026") : QString()) + piece(from, start) +
         QStringLiteral("<b><font color=\"#c00000\">") + piece(start, start + length) + QStringLiteral("</font></b>") +
         piece(start + length, to) + (to < text.size() ? QStringLiteral("\u2026") : QString());
}

}  // namespace

TSpellCheckDialog::TSpellCheckDialog(QTextEdit* editor, QWidget* parent)
    : QDialog(parent),
      editor_(editor),
      dictionary_(std::make_unique<SpellDictionary>()),
      personal_(std::make_unique<PersonalWordList>()) {
  setObjectName(QStringLiteral("TSpellCheckDialog"));
  setWindowTitle(QStringLiteral("Spelling"));
  dictionary_->OpenDefault();
  personal_->Load();
  checker_ = std::make_unique<TSpellChecker>(*dictionary_, *personal_);
  createControls();
}

TSpellCheckDialog::~TSpellCheckDialog() = default;

void TSpellCheckDialog::createControls() {
  ContextView = new QLabel(this);
  ContextView->setObjectName(QStringLiteral("ContextView"));
  ContextView->setTextFormat(Qt::RichText);
  ContextView->setWordWrap(true);
  ContextView->setFrameShape(QFrame::StyledPanel);
  ContextView->setMinimumHeight(ContextView->fontMetrics().height() * 4);
  ContextView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  ReplacementEdit = new QLineEdit(this);
  ReplacementEdit->setObjectName(QStringLiteral("ReplacementEdit"));
  SuggestionList = new QListWidget(this);
  SuggestionList->setObjectName(QStringLiteral("SuggestionList"));
  connect(SuggestionList, &QListWidget::currentTextChanged, ReplacementEdit, &QLineEdit::setText);
  connect(SuggestionList, &QListWidget::itemDoubleClicked, this, &TSpellCheckDialog::ReplaceButtonClick);

  IgnoreButton = button(this, "IgnoreButton", "&Ignore");
  IgnoreAllButton = button(this, "IgnoreAllButton", "I&gnore All");
  ReplaceButton = button(this, "ReplaceButton", "&Replace");
  ReplaceAllButton = button(this, "ReplaceAllButton", "Replace A&ll");
  AddButton = button(this, "AddButton", "&Add");
  CloseButton = button(this, "CloseButton", "&Close");
  ReplaceButton->setDefault(true);
  AddButton->setToolTip(QStringLiteral("Add the word to your own word list"));
  connect(IgnoreButton, &QPushButton::clicked, this, &TSpellCheckDialog::IgnoreButtonClick);
  connect(IgnoreAllButton, &QPushButton::clicked, this, &TSpellCheckDialog::IgnoreAllButtonClick);
  connect(ReplaceButton, &QPushButton::clicked, this, &TSpellCheckDialog::ReplaceButtonClick);
  connect(ReplaceAllButton, &QPushButton::clicked, this, &TSpellCheckDialog::ReplaceAllButtonClick);
  connect(AddButton, &QPushButton::clicked, this, &TSpellCheckDialog::AddButtonClick);
  connect(CloseButton, &QPushButton::clicked, this, [this] { done(2); });

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("Not in the dictionary:"), this), 0, 0);
  grid->addWidget(ContextView, 1, 0, 1, 2);
  auto* replaceLabel = new QLabel(QStringLiteral("Replace &with:"), this);
  replaceLabel->setBuddy(ReplacementEdit);
  grid->addWidget(replaceLabel, 2, 0);
  grid->addWidget(ReplacementEdit, 3, 0);
  auto* suggestionsLabel = new QLabel(QStringLiteral("&Suggestions:"), this);
  suggestionsLabel->setBuddy(SuggestionList);
  grid->addWidget(suggestionsLabel, 4, 0);
  grid->addWidget(SuggestionList, 5, 0);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {IgnoreButton, IgnoreAllButton, ReplaceButton, ReplaceAllButton, AddButton}) buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(CloseButton);
  grid->addLayout(buttons, 2, 1, 4, 1);
  resize(480, 340);
}

int TSpellCheckDialog::exec() {
  if (!dictionary_->IsOpen()) {
    ShowInformation("No spelling dictionary is installed.\rInstall a Hunspell dictionary (for example "
                    "hunspell-en-us) to check spelling.");
    return 2;
  }
  checker_->Start(editor_->document(), editor_->textCursor().selectionStart());
  if (!advance()) {
    ShowInformation(kSpellCheckCompleteText);
    return QDialog::Accepted;
  }
  showWord();
  return QDialog::exec();
}

QString TSpellCheckDialog::CurrentWord() const { return word_.isNull() ? QString() : word_.selectedText(); }

bool TSpellCheckDialog::advance() {
  word_ = checker_->Next();
  return !word_.isNull();
}

void TSpellCheckDialog::showWord() {
  editor_->setTextCursor(word_);
  editor_->ensureCursorVisible();
  ContextView->setText(contextHtml(word_));
  const QString word = CurrentWord();
  const QStringList suggestions = checker_->Suggestions(word);
  SuggestionList->clear();
  SuggestionList->addItems(suggestions);
  if (suggestions.isEmpty()) {
    ReplacementEdit->setText(word);
  } else {
    SuggestionList->setCurrentRow(0);
  }
  ReplacementEdit->setFocus();
  ReplacementEdit->selectAll();
}

void TSpellCheckDialog::continueOrFinish() {
  if (advance()) {
    showWord();
    return;
  }
  QTextCursor caret = editor_->textCursor();
  caret.clearSelection();
  editor_->setTextCursor(caret);
  ShowInformation(kSpellCheckCompleteText);
  done(QDialog::Accepted);
}

void TSpellCheckDialog::IgnoreButtonClick() { continueOrFinish(); }

void TSpellCheckDialog::IgnoreAllButtonClick() {
  checker_->IgnoreAll(CurrentWord());
  continueOrFinish();
}

void TSpellCheckDialog::ReplaceButtonClick() {
  checker_->Replace(word_, ReplacementEdit->text());
  continueOrFinish();
}

void TSpellCheckDialog::ReplaceAllButtonClick() {
  checker_->ReplaceAll(word_, ReplacementEdit->text());
  continueOrFinish();
}

void TSpellCheckDialog::AddButtonClick() {
  if (!checker_->Add(CurrentWord()))
    ShowInformation("The word could not be saved in your word list:\r" + personal_->path());
  continueOrFinish();
}

}  // namespace telvane
