#include "settings/init_string_helper_form.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/init_string_helper.h"
#include "settings/radio_group.h"
#include "settings/window_helpers.h"

namespace telvane {
namespace {

// A label that toggles its check box when clicked, as the long text beside
// CheckAT7 does.
class ToggleLabel : public QLabel {
public:
  ToggleLabel(const QString& text, QCheckBox* box, QWidget* parent) : QLabel(text, parent), box_(box) {
    setWordWrap(true);
    setCursor(Qt::PointingHandCursor);
  }

protected:
  void mouseReleaseEvent(QMouseEvent*) override { box_->toggle(); }

private:
  QCheckBox* box_;
};

}  // namespace

TModemInitStringHelperForm::TModemInitStringHelperForm(const std::string& command, bool sending, QWidget* parent)
    : QDialog(parent),
      ModemType(new RadioGroup(QStringLiteral("I have a:"),
                               {QStringLiteral("Hayes Compatible modem   or   UNKNOWN"),
                                QStringLiteral("US Robotics/3COM Modem   or   WinModem"),
                                QStringLiteral("US Robotics/3COM Sportster 28.8 or Early 33.6 model"),
                                QStringLiteral("US Robotics/3COM Late Model Sportster 33.6 model"),
                                QStringLiteral("US Robotics/3COM Sportster X2 modem"),
                                QStringLiteral("Cirrus Logic or AT&&T modem or Motorola SM56")},
                               1, this)),
      CheckAT7(new QCheckBox(this)), sending_(sending) {
  setObjectName(QStringLiteral("TModemInitStringHelperForm"));
  setWindowTitle(QStringLiteral("Modem Initialization String Helper"));
  ModemType->setObjectName(QStringLiteral("ModemType"));
  CheckAT7->setObjectName(QStringLiteral("CheckAT7"));
  const InitStringChoice choice = ChoiceFromCommand(command);
  ModemType->setItemIndex(choice.modemType);
  CheckAT7->setChecked(choice.longWait);

  auto* waitLabel = new ToggleLabel(
      QStringLiteral("The Faxmodem frequently hangs up before the faxmodem/fax machine on the other end answers and/or "
                     "I have problems with international calls"),
      CheckAT7, this);
  auto* waitRow = new QHBoxLayout;
  waitRow->addWidget(CheckAT7, 0, Qt::AlignTop);
  waitRow->addWidget(waitLabel, 1);
  // The dial wait matters only when dialling.
  CheckAT7->setVisible(sending);
  waitLabel->setVisible(sending);

  auto* ok = new QPushButton(QStringLiteral("Ok"), this);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  auto* blank = new QPushButton(QStringLiteral("Leave it Blank"), this);
  ok->setObjectName(QStringLiteral("OkButton"));
  cancel->setObjectName(QStringLiteral("CancelButton"));
  blank->setObjectName(QStringLiteral("BlankButton"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(blank, &QPushButton::clicked, this, [this] { done(LeaveItBlank); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(blank);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ModemType);
  layout->addLayout(waitRow);
  layout->addLayout(buttons);
  setMinimumWidth(480);
}

std::string TModemInitStringHelperForm::builtCommand() const {
  return InitStringForChoice({ModemType->itemIndex(), CheckAT7->isChecked()}, sending_);
}

std::string RunInitStringHelper(QWidget* parent, const std::string& command, bool sending) {
  TModemInitStringHelperForm form(command, sending, parent);
  CenterWindow(form);
  const int result = form.exec();
  if (result == TModemInitStringHelperForm::LeaveItBlank) return {};
  return result == QDialog::Accepted ? form.builtCommand() : command;
}

}  // namespace telvane
