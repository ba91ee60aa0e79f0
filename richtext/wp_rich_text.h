#pragma once
// TWPRichText: the rich text control of the fax editor, the cover template
// editor and fax file creation. A QTextEdit over a QTextDocument, with our
// own RTF reader and writer, insert points (merge fields), zoom, word wrap,
// a page layout in twips and page rendering into a 1-bit bitmap.
// TWPToolBar: the formatting toolbar bound to one control.

#include <QImage>
#include <QTextBlockFormat>
#include <QTextEdit>
#include <QToolBar>
#include <functional>
#include <memory>

#include "platform/rich_text.h"
#include "richtext/page_layout.h"

class QFontComboBox;
class QComboBox;
class QToolButton;

namespace telvane {

class PageRenderer;

class TWPRichText : public QTextEdit, public RichTextControl {
  Q_OBJECT
public:
  explicit TWPRichText(QWidget* parent = nullptr);
  ~TWPRichText() override;

  // RichTextControl
  void Clear() override;
  bool LoadFromRtfFile(const std::string& path) override;
  bool SaveToRtfFile(const std::string& path) override;
  void Reformat() override;
  void SetCurrentFont(const std::string& name, int pointSize, int styleBits) override;

  // What can be read is loaded; `error` says what could not.
  bool LoadRtf(const QByteArray& rtf, QString* error = nullptr);
  QByteArray SaveRtf() const;

  void SetPageLayout(const PageLayoutTwips& layout);
  PageLayoutTwips PageLayout() const { return pageLayout_; }
  void CaretToStart();

  // 100 = true size at the screen's dpi.
  int Zoom() const { return zoom_; }
  void SetZoom(int percent);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);

  QTextBlockFormat CurrentParagraphAttributes() const;
  void SetCurrentParagraphAttributes(const QTextBlockFormat& format);
  // The paragraph holding the caret starts on a new page.
  void InsertPageBreak();

  // Insert points (merge fields): a marker character, a tag > 0 and a caption
  // of at most 254 characters, shown red and edited as one character. A tag
  // of 0 or less throws EKovaException "Insertpoint-tag has to be >0".
  void InsertInsertPoint(int tag, const QString& caption, QChar marker = u'*');
  int InsertPointCount() const;
  // Replaces every insert point with GetTextToInsert(tag); an empty function
  // or answer leaves no text. The insert points are consumed.
  void MergeInsertPoints();
  std::function<QString(int tag)> GetTextToInsert;
  // Raised by the spell-check action (F7) of the control and its toolbar.
  std::function<void()> StartSpellCheck;

  // An embedded picture at the caret, kept in RTF as PNG. fullPage scales it
  // to fit the page's text area (width and height) and puts it on a page of
  // its own.
  void InsertPicture(const QImage& image, bool fullPage);

  // Content queries used by fax file creation.
  bool HasContent() const;
  int CharacterCount() const;
  QStringList TextLines() const;

  // Draws the content starting at text position `position` into `rect` of
  // `page` (QImage::Format_Mono; any colour table, pixels are set to the
  // table's black and white entries), at Zoom() relative to `screenDpi`.
  // Returns where the next page starts, or 0 when everything has been drawn.
  int DrawPage(int position, const QRect& rect, QImage& page, int screenDpi) const;

private:
  void ApplyLayoutGeometry();

  PageLayoutTwips pageLayout_;
  int zoom_ = 100;
  bool wordWrap_ = true;
  QImage zoomDevice_;  // layout device whose dpi carries the zoom
  mutable std::unique_ptr<PageRenderer> renderer_;  // DrawPage's laid-out copy
};

class TWPToolBar : public QToolBar {
  Q_OBJECT
public:
  explicit TWPToolBar(QWidget* parent = nullptr);
  void SetEditor(TWPRichText* editor);
  TWPRichText* Editor() const { return editor_; }
  QToolButton* AddExtraButton(const QIcon& icon, const QString& hint, std::function<void()> onClick,
                              bool checkable = false);
  void AddSpacer(int pixels);

private:
  QAction* NewAction(const char* objectName, const QIcon& icon, const QString& hint, bool checkable);
  void CreateActions();
  void ShowCurrentFormat();
  void MergeCharFormat(const QTextCharFormat& format);

  TWPRichText* editor_ = nullptr;
  QMetaObject::Connection formatWatch_, blockWatch_;
  QFontComboBox* fontBox_ = nullptr;
  QComboBox* sizeBox_ = nullptr;
  QAction* bold_ = nullptr;
  QAction* italic_ = nullptr;
  QAction* underline_ = nullptr;
  QAction* alignLeft_ = nullptr;
  QAction* alignCenter_ = nullptr;
  QAction* alignRight_ = nullptr;
  QAction* alignJustify_ = nullptr;
  QAction* colour_ = nullptr;
  QAction* spell_ = nullptr;
};

}  // namespace telvane
