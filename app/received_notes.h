#pragma once
// "Received Fax Notes": the one-line note the user keeps with a received fax.

#include <QDialog>

class QLabel;
class QLineEdit;

namespace telvane {

class TEditReceiveNotes : public QDialog {
  Q_OBJECT
public:
  explicit TEditReceiveNotes(QWidget* parent = nullptr);

  QLabel* FromLabel = nullptr;
  QLineEdit* Notes = nullptr;  // at most 60 characters, the width of NOTES
};

}  // namespace telvane
