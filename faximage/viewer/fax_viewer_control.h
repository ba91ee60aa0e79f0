#pragma once
// TKovaFaxViewer: the fax viewer control. Published properties become calls
// on its TViewer window (only when the value changes); error results are
// raised as the image exceptions; the window's notifications become the
// OnPageChange, OnViewerError and OnDropFile events.

#include <QFrame>
#include <functional>
#include <string>

#include "faximage/fax_unpacker.h"
#include "faximage/viewer/viewer.h"

namespace telvane {

class TKovaCustomFaxViewer : public QFrame {
  Q_OBJECT
public:
  using TViewerFileDropEvent = std::function<void(TKovaCustomFaxViewer& sender, const std::string& fileName)>;
  using TNotifyEvent = std::function<void(TKovaCustomFaxViewer& sender)>;
  using TViewerErrorEvent = std::function<void(TKovaCustomFaxViewer& sender, int errorCode)>;

  explicit TKovaCustomFaxViewer(QWidget* parent = nullptr);

  // Published properties.
  bool BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(bool single);
  QColor FGColor() const { return fg_; }
  void SetFGColor(const QColor& colour);
  QColor BGColor() const { return bg_; }
  void SetBGColor(const QColor& colour);
  bool Scaling() const { return scaling_; }
  void SetScaling(bool on);
  int HorizMult() const { return horizMult_; }
  int HorizDiv() const { return horizDiv_; }
  int VertMult() const { return vertMult_; }
  int VertDiv() const { return vertDiv_; }
  void SetHorizMult(int v) { setFactor(horizMult_, v); }
  void SetHorizDiv(int v) { setFactor(horizDiv_, v); }
  void SetVertMult(int v) { setFactor(vertMult_, v); }
  void SetVertDiv(int v) { setFactor(vertDiv_, v); }
  TAutoScaleMode AutoScaleMode() const { return autoScale_; }
  void SetAutoScaleMode(TAutoScaleMode mode);
  bool WhitespaceCompression() const { return whitespace_; }
  void SetWhitespaceCompression(bool on);
  int WhitespaceFrom() const { return whitespaceFrom_; }
  int WhitespaceTo() const { return whitespaceTo_; }
  void SetWhitespaceFrom(int v);
  void SetWhitespaceTo(int v);
  int HorizScroll() const { return horizScroll_; }
  int VertScroll() const { return vertScroll_; }
  void SetHorizScroll(int v);
  void SetVertScroll(int v);
  // Dropped files are always accepted; the property is kept for forms.
  bool AcceptDragged = true;
  bool LoadWholeFax() const { return loadWholeFax_; }
  void SetLoadWholeFax(bool on);
  QCursor BusyCursor() const { return busyCursor_; }
  void SetBusyCursor(const QCursor& cursor);
  const std::string& FileName() const { return viewer_->apwViewGetFileName(); }
  void SetFileName(const std::string& name);
  TViewerFileDropEvent OnDropFile;
  TNotifyEvent OnPageChange;
  TViewerErrorEvent OnViewerError;

  // Public state and operations.
  int Rotation() const { return rotation_; }
  void RotateTo(int rotation);
  void ShowPage(int page);
  void ShowFirstPage();
  void ShowLastPage();
  void ShowNextPage();
  void ShowPrevPage();
  int ViewerPageCount() const { return viewer_->apwViewGetNumPages(); }
  int ShownPage() const { return viewer_->apwViewGetCurPage(); }
  int ShownPageWidth() const;
  void StartUpdate() { viewer_->apwViewStartUpdate(); }
  void FinishUpdate() { viewer_->apwViewEndUpdate(); }
  // Copies the marked area to the clipboard (raises without a file or mark).
  void CopyToClipboard();
  void SelectImage();

  TViewer& Viewer() { return *viewer_; }

private:
  void setFactor(int& factor, int value);
  void sendScale();

  TViewer* viewer_;
  bool borderStyle_ = true;
  QColor fg_ = Qt::black, bg_ = Qt::white;
  bool scaling_ = false;
  int horizMult_ = 1, horizDiv_ = 1, vertMult_ = 1, vertDiv_ = 1;
  TAutoScaleMode autoScale_ = TAutoScaleMode::asDoubleHeight;
  bool whitespace_ = false;
  int whitespaceFrom_ = 0, whitespaceTo_ = 0;
  int horizScroll_ = 8, vertScroll_ = 8;
  bool loadWholeFax_ = false;
  QCursor busyCursor_ = Qt::ArrowCursor;
  int rotation_ = 0;
};

class TKovaFaxViewer : public TKovaCustomFaxViewer {
  Q_OBJECT
public:
  using TKovaCustomFaxViewer::TKovaCustomFaxViewer;
};

}  // namespace telvane
