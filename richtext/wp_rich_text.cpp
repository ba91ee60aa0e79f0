#include "richtext/wp_rich_text.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <cmath>

#include "richtext/document_conventions.h"
#include "richtext/insert_points.h"
#include "richtext/page_renderer.h"
#include "richtext/rtf_reader.h"
#include "richtext/rtf_writer.h"
#include "serial/kova_exceptions.h"
#include "serial/status_codes.h"

namespace telvane {
namespace {

constexpr double kInchesPerMetre = 39.3700787;
constexpr int kMinZoom = 10, kMaxZoom = 1000;

void SetDeviceDpi(QImage& device, double dpi) {
  const int dotsPerMetre = static_cast<int>(std::lround(dpi * kInchesPerMetre));
  device.setDotsPerMeterX(dotsPerMetre);
  device.setDotsPerMeterY(dotsPerMetre);
}

}  // namespace

TWPRichText::TWPRichText(QWidget* parent) : QTextEdit(parent), zoomDevice_(1, 1, QImage::Format_Mono) {
  setObjectName(QStringLiteral("WPRichText"));
  auto* spell = new QAction(tr("Spell check"), this);
  spell->setObjectName(QStringLiteral("spellCheckAction"));
  spell->setShortcut(Qt::Key_F7);
  spell->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(spell, &QAction::triggered, this, [this] {
    if (StartSpellCheck) StartSpellCheck();
  });
  addAction(spell);
  // The control keeps one document for its life, so whatever others attach
  // to it (a highlighter, signal connections) survives loading.
  RegisterInsertPointHandler(*document());
  connect(document(), &QTextDocument::contentsChanged, this, [this] { renderer_.reset(); });
  ApplyLayoutGeometry();
}

TWPRichText::~TWPRichText() = default;

void TWPRichText::Clear() {
  clear();
  renderer_.reset();
}

bool TWPRichText::LoadFromRtfFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return false;
  LoadRtf(file.readAll());
  return true;  // a damaged file still shows what could be read
}

bool TWPRichText::SaveToRtfFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  const QByteArray rtf = SaveRtf();
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(rtf) == rtf.size() && file.flush();
}

void TWPRichText::Reformat() {
  document()->markContentsDirty(0, document()->characterCount());
  viewport()->update();
}

void TWPRichText::SetCurrentFont(const std::string& name, int pointSize, int styleBits) {
  QFont font(QString::fromStdString(name));
  if (pointSize > 0) font.setPointSize(pointSize);
  // Empty paragraphs take the face and size; the style is for typed text only.
  document()->setDefaultFont(font);
  font.setBold(styleBits & FontStyleBold);
  font.setItalic(styleBits & FontStyleItalic);
  font.setUnderline(styleBits & FontStyleUnderline);
  QTextCharFormat f;
  f.setFont(font, QTextCharFormat::FontPropertiesAll);
  mergeCurrentCharFormat(f);
}

bool TWPRichText::LoadRtf(const QByteArray& rtf, QString* error) {
  const rtf::ReadResult result = rtf::ReadRtf(std::string_view(rtf.constData(), static_cast<size_t>(rtf.size())), *document());
  if (result.page) pageLayout_ = *result.page;
  renderer_.reset();
  ApplyLayoutGeometry();
  if (error) *error = result.problems;
  return result.problems.isEmpty();
}

QByteArray TWPRichText::SaveRtf() const { return rtf::WriteRtf(*document(), pageLayout_); }

void TWPRichText::SetPageLayout(const PageLayoutTwips& layout) {
  pageLayout_ = layout;
  ApplyLayoutGeometry();
}

void TWPRichText::CaretToStart() { moveCursor(QTextCursor::Start); }

void TWPRichText::SetZoom(int percent) {
  zoom_ = std::clamp(percent, kMinZoom, kMaxZoom);
  ApplyLayoutGeometry();
}

void TWPRichText::SetWordWrap(bool on) {
  wordWrap_ = on;
  ApplyLayoutGeometry();
}

// Zoom works through the layout's device: text, indents and pictures are laid
// out for a device of the screen's dpi times the zoom, so the document itself
// never changes. With word wrap the lines are as wide as the page's text area.
void TWPRichText::ApplyLayoutGeometry() {
  const double dpi = logicalDpiY() * zoom_ / 100.0;
  SetDeviceDpi(zoomDevice_, dpi);
  document()->documentLayout()->setPaintDevice(&zoomDevice_);
  if (wordWrap_) {
    const int textTwips = std::max(1440, pageLayout_.width - pageLayout_.left - pageLayout_.right);
    setLineWrapMode(QTextEdit::FixedPixelWidth);
    setLineWrapColumnOrWidth(static_cast<int>(std::lround(textTwips / 1440.0 * dpi)));
  } else {
    setLineWrapMode(QTextEdit::NoWrap);
  }
  Reformat();
}

QTextBlockFormat TWPRichText::CurrentParagraphAttributes() const { return textCursor().blockFormat(); }

void TWPRichText::SetCurrentParagraphAttributes(const QTextBlockFormat& format) { textCursor().setBlockFormat(format); }

void TWPRichText::InsertPageBreak() {
  QTextBlockFormat f = CurrentParagraphAttributes();
  f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
  SetCurrentParagraphAttributes(f);
  Reformat();
}

void TWPRichText::InsertInsertPoint(int tag, const QString& caption, QChar marker) {
  if (tag <= 0) throw EKovaException(ecBadArgument, "Insertpoint-tag has to be >0");
  QTextCursor cursor = textCursor();
  cursor.insertText(QString(QChar::ObjectReplacementCharacter),
                    InsertPointFormat(tag, marker, caption, cursor.charFormat()));
  setTextCursor(cursor);
}

int TWPRichText::InsertPointCount() const { return static_cast<int>(FindInsertPoints(*document()).size()); }

void TWPRichText::MergeInsertPoints() { telvane::MergeInsertPoints(*document(), GetTextToInsert); }

void TWPRichText::InsertPicture(const QImage& image, bool fullPage) {
  if (image.isNull()) return;
  const double imageDpiX = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() / kInchesPerMetre : 96.0;
  const double imageDpiY = image.dotsPerMeterY() > 0 ? image.dotsPerMeterY() / kInchesPerMetre : 96.0;
  double w = image.width() / imageDpiX * DocumentDpi(), h = image.height() / imageDpiY * DocumentDpi();
  if (fullPage) {
    // Room is left for the line the picture stands on.
    const double areaW = TwipsToUnits(pageLayout_.width - pageLayout_.left - pageLayout_.right);
    const double areaH = TwipsToUnits(pageLayout_.height - pageLayout_.top - pageLayout_.bottom) * 0.96;
    const double scale = std::min(areaW / w, areaH / h);
    w *= scale;
    h *= scale;
  }
  const QString name = QStringLiteral("%1:%2").arg(QLatin1String(kPictureScheme)).arg(image.cacheKey());
  document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
  QTextImageFormat f;
  f.setName(name);
  f.setWidth(w);
  f.setHeight(h);
  textCursor().insertImage(f);
}

bool TWPRichText::HasContent() const { return !document()->isEmpty(); }

int TWPRichText::CharacterCount() const { return std::max(0, document()->characterCount() - 1); }

QStringList TWPRichText::TextLines() const {
  QString text;
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
    if (b != document()->begin()) text += u'\n';
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment frag = it.fragment();
      if (IsInsertPoint(frag.charFormat())) text += frag.charFormat().stringProperty(kInsertPointCaption).repeated(frag.length());
      else text += frag.text();
    }
  }
  text.replace(QChar::LineSeparator, u'\n');
  text.replace(QChar::Nbsp, u' ');
  return text.split(u'\n');
}

int TWPRichText::DrawPage(int position, const QRect& rect, QImage& page, int screenDpi) const {
  if (rect.isEmpty()) return 0;
  const int dpi = static_cast<int>(std::lround(std::max(1, screenDpi) * zoom_ / 100.0));
  // The laid-out copy is kept while the document, the page size and the dpi stay.
  if (!renderer_ || renderer_->PageSize() != rect.size() || renderer_->Dpi() != dpi)
    renderer_ = std::make_unique<PageRenderer>(*document(), rect.size(), dpi);
  return renderer_->Draw(position, rect, page);
}

}  // namespace telvane
