#include "spell/paragraph_prop_dialog.h"

#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPaintDevice>
#include <QPushButton>
#include <QScreen>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>
#include <cmath>

namespace telvane {
namespace {

struct AlignmentChoice {
  const char* caption;
  Qt::Alignment alignment;
};
constexpr AlignmentChoice kAlignments[] = {
    {"Left", Qt::AlignLeft}, {"Centred", Qt::AlignHCenter}, {"Right", Qt::AlignRight}, {"Justified", Qt::AlignJustify}};

struct SpacingChoice {
  const char* caption;
  int percent;
};
constexpr SpacingChoice kLineSpacings[] = {{"Single", 100}, {"1.5 lines", 150}, {"Double", 200}};
// The item that leaves a fixed or minimum line height as it is.
constexpr int kKeepLineHeight = -1;

int alignmentIndex(Qt::Alignment a) {
  a &= Qt::AlignHorizontal_Mask;
  if (a & Qt::AlignJustify) return 3;
  if (a & Qt::AlignHCenter) return 1;
  if (a & (Qt::AlignRight | Qt::AlignTrailing)) return 2;
  return 0;
}

QDoubleSpinBox* lengthBox(QWidget* parent, const char* name, const char* suffix, double min, double max, double step) {
  auto* box = new QDoubleSpinBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setDecimals(2);
  box->setRange(min, max);
  box->setSingleStep(step);
  box->setSuffix(QString::fromLatin1(suffix));
  return box;
}

}  // namespace

TParagraphPropDlg::TParagraphPropDlg(QTextEdit* editor, QWidget* parent)
    : QDialog(parent), editor_(editor), unit_(IndentUnitFor(QLocale())) {
  setObjectName(QStringLiteral("TParagraphPropDlg"));
  setWindowTitle(QStringLiteral("Paragraph"));
  createControls();
  load();
}

double TParagraphPropDlg::dpi() const {
  if (const QPaintDevice* device = editor_->document()->documentLayout()->paintDevice())
    return device->logicalDpiX();
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInchX() : 96.0;
}

void TParagraphPropDlg::createControls() {
  AlignmentBox = new QComboBox(this);
  AlignmentBox->setObjectName(QStringLiteral("AlignmentBox"));
  for (const AlignmentChoice& a : kAlignments) AlignmentBox->addItem(QString::fromLatin1(a.caption));

  const char* suffix = IndentUnitSuffix(unit_);
  const double indentStep = unit_ == IndentUnit::Inch ? 0.1 : 0.25;
  const double indentMax = unit_ == IndentUnit::Inch ? 20.0 : 50.0;
  LeftIndent = lengthBox(this, "LeftIndent", suffix, 0, indentMax, indentStep);
  RightIndent = lengthBox(this, "RightIndent", suffix, 0, indentMax, indentStep);
  // A hanging first line is a negative first-line indent.
  FirstIndent = lengthBox(this, "FirstIndent", suffix, -indentMax, indentMax, indentStep);
  SpaceBefore = lengthBox(this, "SpaceBefore", " pt", 0, 1584, 6);
  SpaceAfter = lengthBox(this, "SpaceAfter", " pt", 0, 1584, 6);
  LineSpacingBox = new QComboBox(this);
  LineSpacingBox->setObjectName(QStringLiteral("LineSpacingBox"));
  for (const SpacingChoice& s : kLineSpacings) LineSpacingBox->addItem(QString::fromLatin1(s.caption), s.percent);
  NewPageCheck = new QCheckBox(QStringLiteral("Start on a new page"), this);
  NewPageCheck->setObjectName(QStringLiteral("NewPageCheck"));

  auto* indents = new QGroupBox(QStringLiteral("Indents"), this);
  auto* indentForm = new QFormLayout(indents);
  indentForm->addRow(QStringLiteral("&Left:"), LeftIndent);
  indentForm->addRow(QStringLiteral("&Right:"), RightIndent);
  indentForm->addRow(QStringLiteral("&First line:"), FirstIndent);
  auto* spacing = new QGroupBox(QStringLiteral("Spacing"), this);
  auto* spacingForm = new QFormLayout(spacing);
  spacingForm->addRow(QStringLiteral("&Before:"), SpaceBefore);
  spacingForm->addRow(QStringLiteral("A&fter:"), SpaceAfter);
  spacingForm->addRow(QStringLiteral("Li&ne spacing:"), LineSpacingBox);

  auto* ok = new QPushButton(QStringLiteral("&Accept"), this);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cance&l"), this);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  connect(ok, &QPushButton::clicked, this, [this] {
    Apply();
    done(QDialog::Accepted);
  });
  connect(cancel, &QPushButton::clicked, this, [this] { done(2); });

  auto* top = new QFormLayout;
  top->addRow(QStringLiteral("Ali&gnment:"), AlignmentBox);
  auto* groups = new QHBoxLayout;
  groups->addWidget(indents);
  groups->addWidget(spacing);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(groups);
  layout->addWidget(NewPageCheck);
  layout->addLayout(buttons);
}

void TParagraphPropDlg::load() {
  const QTextBlockFormat f = editor_->textCursor().blockFormat();
  const double d = dpi();
  AlignmentBox->setCurrentIndex(alignmentIndex(f.alignment()));
  LeftIndent->setValue(PixelsToIndent(f.leftMargin(), unit_, d));
  RightIndent->setValue(PixelsToIndent(f.rightMargin(), unit_, d));
  FirstIndent->setValue(PixelsToIndent(f.textIndent(), unit_, d));
  SpaceBefore->setValue(PixelsToPoints(f.topMargin(), d));
  SpaceAfter->setValue(PixelsToPoints(f.bottomMargin(), d));
  NewPageCheck->setChecked(f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);

  const auto type = static_cast<QTextBlockFormat::LineHeightTypes>(f.lineHeightType());
  if (type == QTextBlockFormat::SingleHeight) {
    LineSpacingBox->setCurrentIndex(0);
  } else if (type == QTextBlockFormat::ProportionalHeight) {
    const int percent = static_cast<int>(std::lround(f.lineHeight()));
    int index = LineSpacingBox->findData(percent);
    if (index < 0) {
      LineSpacingBox->addItem(QString::number(percent / 100.0) + QStringLiteral(" lines"), percent);
      index = LineSpacingBox->count() - 1;
    }
    LineSpacingBox->setCurrentIndex(index);
  } else {
    LineSpacingBox->addItem(QStringLiteral("As set"), kKeepLineHeight);
    LineSpacingBox->setCurrentIndex(LineSpacingBox->count() - 1);
  }
}

void TParagraphPropDlg::Apply() {
  const double d = dpi();
  QTextBlockFormat f;
  f.setAlignment(kAlignments[std::max(0, AlignmentBox->currentIndex())].alignment);
  f.setLeftMargin(IndentToPixels(LeftIndent->value(), unit_, d));
  f.setRightMargin(IndentToPixels(RightIndent->value(), unit_, d));
  f.setTextIndent(IndentToPixels(FirstIndent->value(), unit_, d));
  f.setTopMargin(PointsToPixels(SpaceBefore->value(), d));
  f.setBottomMargin(PointsToPixels(SpaceAfter->value(), d));
  if (const int percent = LineSpacingBox->currentData().toInt(); percent != kKeepLineHeight)
    f.setLineHeight(percent, percent == 100 ? QTextBlockFormat::SingleHeight : QTextBlockFormat::ProportionalHeight);
  f.setPageBreakPolicy(NewPageCheck->isChecked() ? QTextFormat::PageBreak_AlwaysBefore : QTextFormat::PageBreak_Auto);

  QTextCursor cursor = editor_->textCursor();
  cursor.beginEditBlock();
  cursor.mergeBlockFormat(f);
  cursor.endEditBlock();
}

}  // namespace telvane
