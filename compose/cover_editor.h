#pragma once
// TCoverEditor ("Cover Sheet Template Editor"): edits one cover template, a
// description and a rich text with insert points for the recipient's data
// and the date and time, which stay captions here and are merged in by the
// fax editor.

#include <QDialog>

class QLineEdit;
class QMenu;
class QPushButton;

namespace telvane {

class TWPRichText;
class TWPToolBar;
class ZoomButton;

class TCoverEditor : public QDialog {
  Q_OBJECT
public:
  explicit TCoverEditor(QWidget* parent = nullptr);
  ~TCoverEditor() override;

  QLineEdit* CoverDescription;
  TWPToolBar* WPToolBar1;
  TWPRichText* WPCover;
  QPushButton* InsertButton;
  QMenu* InsertMenu;
  ZoomButton* ZoomBtn;
  QPushButton* OKbutton;
  QPushButton* CancelButton;
  QPushButton* HelpButton;

  // Inserts the field an Insert menu item stands for at the caret.
  void InsertMenuItemClick(const QString& itemText);
  // Each time the window becomes active: reformat, caret to the start.
  void FormActivate();

  void done(int result) override;
  void reject() override { done(2); }

protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

private:
  void createEditor();
  void createButtons();

  bool shown_ = false;
};

}  // namespace telvane
