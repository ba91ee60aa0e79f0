#pragma once
// The small window that tells the user receive mode has started. Created
// hidden at start; receive mode shows it.

#include <QDialog>

namespace telvane {

class TStartingFaxForm : public QDialog {
  Q_OBJECT
public:
  explicit TStartingFaxForm(QWidget* parent = nullptr);
};

}  // namespace telvane
