#include <QAction>
#include <QActionGroup>
#include <QColorDialog>
#include <QComboBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QPainter>
#include <QPixmap>
#include <QTextBlock>
#include <QToolButton>

#include "richtext/wp_rich_text.h"

namespace telvane {
namespace {

// Icons are drawn here, so the toolbar needs no icon theme.
QIcon LetterIcon(const QString& letter, bool bold, bool italic, bool underline) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  QFont f;
  f.setPixelSize(22);
  f.setBold(bold);
  f.setItalic(italic);
  f.setUnderline(underline);
  p.setFont(f);
  p.drawText(pixmap.rect(), Qt::AlignCenter, letter);
  return QIcon(pixmap);
}

QIcon AlignIcon(Qt::Alignment align) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(QPen(Qt::black, 2));
  const int widths[] = {24, 16, 24, 12};
  for (int i = 0; i < 4; ++i) {
    const int w = align == Qt::AlignJustify ? 24 : widths[i];
    const int x = align == Qt::AlignRight ? 28 - w : align == Qt::AlignHCenter ? 16 - w / 2 : 4;
    p.drawLine(x, 7 + i * 6, x + w, 7 + i * 6);
  }
  return QIcon(pixmap);
}

QIcon ColourIcon(const QColor& colour) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  QFont f;
  f.setPixelSize(20);
  p.setFont(f);
  p.drawText(QRect(0, 0, 32, 24), Qt::AlignCenter, QStringLiteral("A"));
  p.fillRect(QRect(4, 25, 24, 5), colour);
  return QIcon(pixmap);
}

}  // namespace

TWPToolBar::TWPToolBar(QWidget* parent) : QToolBar(parent) {
  setObjectName(QStringLiteral("WPToolBar"));
  setIconSize(QSize(20, 20));
  CreateActions();
  setEnabled(false);  // until it has an editor
}

QAction* TWPToolBar::NewAction(const char* objectName, const QIcon& icon, const QString& hint, bool checkable) {
  QAction* a = addAction(icon, hint);
  a->setObjectName(QLatin1String(objectName));
  a->setCheckable(checkable);
  return a;
}

void TWPToolBar::CreateActions() {
  fontBox_ = new QFontComboBox(this);
  fontBox_->setObjectName(QStringLiteral("fontBox"));
  fontBox_->setToolTip(tr("Font"));
  addWidget(fontBox_);
  connect(fontBox_, &QFontComboBox::textActivated, this, [this](const QString& family) {
    QTextCharFormat f;
    f.setFontFamilies({family});
    MergeCharFormat(f);
  });

  sizeBox_ = new QComboBox(this);
  sizeBox_->setObjectName(QStringLiteral("sizeBox"));
  sizeBox_->setToolTip(tr("Font size"));
  sizeBox_->setEditable(true);
  for (const int size : QFontDatabase::standardSizes()) sizeBox_->addItem(QString::number(size));
  addWidget(sizeBox_);
  connect(sizeBox_, &QComboBox::textActivated, this, [this](const QString& text) {
    const double size = text.toDouble();
    if (size <= 0 || size > 1638) return;
    QTextCharFormat f;
    f.setFontPointSize(size);
    MergeCharFormat(f);
  });

  addSeparator();
  bold_ = NewAction("boldAction", LetterIcon(tr("B"), true, false, false), tr("Bold"), true);
  bold_->setShortcut(QKeySequence::Bold);
  connect(bold_, &QAction::triggered, this, [this](bool on) {
    QTextCharFormat f;
    f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    MergeCharFormat(f);
  });
  italic_ = NewAction("italicAction", LetterIcon(tr("I"), false, true, false), tr("Italic"), true);
  italic_->setShortcut(QKeySequence::Italic);
  connect(italic_, &QAction::triggered, this, [this](bool on) {
    QTextCharFormat f;
    f.setFontItalic(on);
    MergeCharFormat(f);
  });
  underline_ = NewAction("underlineAction", LetterIcon(tr("U"), false, false, true), tr("Underline"), true);
  underline_->setShortcut(QKeySequence::Underline);
  connect(underline_, &QAction::triggered, this, [this](bool on) {
    QTextCharFormat f;
    f.setFontUnderline(on);
    MergeCharFormat(f);
  });

  addSeparator();
  auto* alignGroup = new QActionGroup(this);
  const auto alignAction = [&](const char* name, Qt::Alignment align, const QString& hint) {
    QAction* a = NewAction(name, AlignIcon(align), hint, true);
    alignGroup->addAction(a);
    connect(a, &QAction::triggered, this, [this, align] {
      if (!editor_) return;
      editor_->setAlignment(align);
    });
    return a;
  };
  alignLeft_ = alignAction("alignLeftAction", Qt::AlignLeft, tr("Align left"));
  alignCenter_ = alignAction("alignCenterAction", Qt::AlignHCenter, tr("Centre"));
  alignRight_ = alignAction("alignRightAction", Qt::AlignRight, tr("Align right"));
  alignJustify_ = alignAction("alignJustifyAction", Qt::AlignJustify, tr("Justify"));

  addSeparator();
  colour_ = NewAction("colourAction", ColourIcon(Qt::black), tr("Text colour"), false);
  connect(colour_, &QAction::triggered, this, [this] {
    if (!editor_) return;
    const QColor chosen = QColorDialog::getColor(editor_->textColor(), this, tr("Text colour"));
    if (!chosen.isValid()) return;
    QTextCharFormat f;
    f.setForeground(chosen);
    MergeCharFormat(f);
  });
  spell_ = NewAction("spellCheckAction", LetterIcon(QStringLiteral("\u2713"), true, false, false),
                     tr("Check spelling (F7)"), false);
  connect(spell_, &QAction::triggered, this, [this] {
    if (editor_ && editor_->StartSpellCheck) editor_->StartSpellCheck();
  });
}

void TWPToolBar::SetEditor(TWPRichText* editor) {
  disconnect(formatWatch_);
  disconnect(blockWatch_);
  editor_ = editor;
  setEnabled(editor != nullptr);
  if (!editor) return;
  formatWatch_ = connect(editor, &QTextEdit::currentCharFormatChanged, this, [this] { ShowCurrentFormat(); });
  blockWatch_ = connect(editor, &QTextEdit::cursorPositionChanged, this, [this] { ShowCurrentFormat(); });
  ShowCurrentFormat();
}

QToolButton* TWPToolBar::AddExtraButton(const QIcon& icon, const QString& hint, std::function<void()> onClick,
                                        bool checkable) {
  auto* button = new QToolButton(this);
  button->setIcon(icon);
  button->setToolTip(hint);
  button->setCheckable(checkable);
  button->setAutoRaise(true);
  connect(button, &QToolButton::clicked, this, [onClick = std::move(onClick)] {
    if (onClick) onClick();
  });
  addWidget(button);
  return button;
}

void TWPToolBar::AddSpacer(int pixels) {
  auto* spacer = new QWidget(this);
  spacer->setFixedWidth(std::max(0, pixels));
  addWidget(spacer);
}

// Buttons and boxes show the format at the caret.
void TWPToolBar::ShowCurrentFormat() {
  if (!editor_) return;
  const QTextCharFormat f = editor_->currentCharFormat();
  const QSignalBlocker fontBlock(fontBox_), sizeBlock(sizeBox_);
  const QFont font = f.font();
  fontBox_->setCurrentFont(font);
  sizeBox_->setEditText(QString::number(font.pointSizeF() > 0 ? font.pointSizeF() : editor_->document()->defaultFont().pointSizeF()));
  bold_->setChecked(f.fontWeight() >= QFont::Bold);
  italic_->setChecked(f.fontItalic());
  underline_->setChecked(f.fontUnderline());
  const Qt::Alignment a = editor_->alignment() & Qt::AlignHorizontal_Mask;
  (a & Qt::AlignHCenter ? alignCenter_ : a & Qt::AlignRight ? alignRight_ : a & Qt::AlignJustify ? alignJustify_ : alignLeft_)
      ->setChecked(true);
  colour_->setIcon(ColourIcon(f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color() : QColor(Qt::black)));
}

void TWPToolBar::MergeCharFormat(const QTextCharFormat& format) {
  if (!editor_) return;
  QTextCursor cursor = editor_->textCursor();
  if (!cursor.hasSelection()) cursor.select(QTextCursor::WordUnderCursor);
  cursor.mergeCharFormat(format);
  editor_->mergeCurrentCharFormat(format);
  editor_->setFocus();
}

}  // namespace telvane
