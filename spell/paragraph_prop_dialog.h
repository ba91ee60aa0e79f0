#pragma once
// The paragraph properties of a text control: alignment, left, right and
// first-line indents, space before and after, line spacing and "Start on a
// new page". The dialog opens with the values of the paragraph that holds
// the caret and applies them to every paragraph of the selection.

#include <QDialog>

#include "spell/paragraph_units.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QTextEdit;

namespace telvane {

class TParagraphPropDlg : public QDialog {
  Q_OBJECT
public:
  explicit TParagraphPropDlg(QTextEdit* editor, QWidget* parent = nullptr);
  void reject() override { done(2); }

  // Stores the values in the paragraphs (one undo step).
  void Apply();

  QComboBox* AlignmentBox;
  QDoubleSpinBox* LeftIndent;
  QDoubleSpinBox* RightIndent;
  QDoubleSpinBox* FirstIndent;
  QDoubleSpinBox* SpaceBefore;
  QDoubleSpinBox* SpaceAfter;
  QComboBox* LineSpacingBox;
  QCheckBox* NewPageCheck;

private:
  void createControls();
  void load();
  double dpi() const;

  QTextEdit* editor_;
  IndentUnit unit_;
};

}  // namespace telvane
