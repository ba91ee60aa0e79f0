#include "app/receive_notification.h"

#include <QLabel>
#include <QVBoxLayout>

namespace telvane {

TStartingFaxForm::TStartingFaxForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("StartingFaxForm"));
  setWindowTitle(QStringLiteral("Receiving Faxes"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Telvane is waiting for incoming faxes."), this));
}

}  // namespace telvane
