#pragma once
// TPrePrintForm: the print options asked for before a fax is printed
// (page range, four up, stretch to fit, header, footer).

#include <QDialog>

class QCheckBox;
class QPushButton;
class QSpinBox;

namespace telvane {

class TPrePrintForm : public QDialog {
  Q_OBJECT
public:
  explicit TPrePrintForm(QWidget* parent = nullptr);

  QSpinBox* FromPage;
  QSpinBox* ToPage;
  QCheckBox* PrintMultiPage;
  QCheckBox* StretchToFit;
  QCheckBox* PrintHeader;
  QCheckBox* PrintFooter;
  QPushButton* BitBtn1;  // Ok
  QPushButton* BitBtn2;  // Cancel

  // Ok: beeps and stays open while the enabled range runs backwards.
  void BitBtn1Click();
};

}  // namespace telvane
