#include "platform/qt/qt_prompts.h"

#include <QApplication>
#include <QMessageBox>

namespace telvane {

bool QtPrompts::show(const Prompt& prompt) {
  QMessageBox box(QApplication::activeWindow());
  box.setWindowTitle(QString::fromStdString(prompt.caption));
  box.setText(QString::fromStdString(PromptDisplayText(prompt.text)));
  switch (prompt.kind) {
    case PromptKind::Information:
      box.setIcon(QMessageBox::Information);
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case PromptKind::Error:
      box.setIcon(QMessageBox::Critical);
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case PromptKind::YesNo:
    case PromptKind::YesNoDefaultNo:
      box.setIcon(QMessageBox::Question);
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(prompt.kind == PromptKind::YesNo ? QMessageBox::Yes : QMessageBox::No);
      box.setEscapeButton(QMessageBox::No);
      break;
  }
  return box.exec() != QMessageBox::No;
}

}  // namespace telvane
