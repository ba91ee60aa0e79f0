#include "settings/find_modem_form.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/prompts.h"
#include "settings/app_settings.h"
#include "settings/radio_group.h"
#include "settings/window_helpers.h"

namespace telvane {
namespace {

SearchTargetsProvider& Provider() {
  static SearchTargetsProvider provider = MachineSearchTargets;
  return provider;
}

QString LabelHead(const ProbeTarget& target) { return QString::fromStdString(target.label) + QStringLiteral(": "); }

}  // namespace

void SetSearchTargetsProvider(SearchTargetsProvider provider) {
  Provider() = provider ? std::move(provider) : SearchTargetsProvider(MachineSearchTargets);
}

TFindModemForm::TFindModemForm(std::vector<ProbeTarget> targets, std::string resetString, ProbeTimes times,
                               QWidget* parent)
    : QDialog(parent), search_(std::move(targets), std::move(resetString), times),
      message_(new QLabel(QStringLiteral("Testing Communications ports...please wait."), this)),
      okButton_(new QPushButton(QStringLiteral("Ok"), this)) {
  setObjectName(QStringLiteral("TFindModemForm"));
  setWindowTitle(QStringLiteral("Finding Modem...Please wait"));
  auto* ports = new QGridLayout;
  for (size_t i = 0; i < search_.targets().size(); ++i) {
    auto* label = new QLabel(LabelHead(search_.targets()[i]), this);
    label->setObjectName(QStringLiteral("PortLabel%1").arg(i));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    portLabels_.push_back(label);
    ports->addWidget(label, static_cast<int>(i), 0);
  }
  message_->setObjectName(QStringLiteral("MessageLabel"));
  message_->setWordWrap(true);
  okButton_->setObjectName(QStringLiteral("OkButton"));
  okButton_->hide();
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(ports);
  layout->addWidget(message_);
  layout->addWidget(okButton_, 0, Qt::AlignRight);
  setMinimumWidth(520);
}

TFindModemForm::~TFindModemForm() {
  // Probes still running stop within a poll slice; their queued results
  // die with this window.
  search_.cancel();
}

QString TFindModemForm::portText(size_t index) const {
  return index < portLabels_.size() ? portLabels_[index]->text() : QString();
}

QString TFindModemForm::messageText() const { return message_->text(); }

void TFindModemForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!started_) {
    started_ = true;
    QMetaObject::invokeMethod(this, &TFindModemForm::FormActivate, Qt::QueuedConnection);
  }
}

void TFindModemForm::FormActivate() {
  setCursor(Qt::BusyCursor);
  for (size_t i = 0; i < portLabels_.size(); ++i)
    portLabels_[i]->setText(LabelHead(search_.targets()[i]) + QStringLiteral("TESTING"));
  // The probes run on worker threads; what they find comes back to this
  // window's thread as queued calls, so the window keeps painting.
  search_.start(
      [this](size_t index, const PortProbeResult& result) {
        QMetaObject::invokeMethod(this, [this, index, result] { showResult(index, result); }, Qt::QueuedConnection);
      },
      [this] { QMetaObject::invokeMethod(this, &TFindModemForm::searchDone, Qt::QueuedConnection); });
}

void TFindModemForm::showResult(size_t index, const PortProbeResult& result) {
  if (index < portLabels_.size())
    portLabels_[index]->setText(LabelHead(search_.targets()[index]) + QString::fromStdString(PortResultText(result)));
}

void TFindModemForm::searchDone() {
  finished_ = true;
  unsetCursor();
  const std::vector<PortProbeResult> results = search_.results();
  for (size_t i = 0; i < results.size(); ++i) showResult(i, results[i]);
  suggestion_ = SuggestComPort(search_.targets(), results);
  const std::optional<size_t> modem = search_.firstModem();
  QString text;
  if (suggestion_ && suggestion_->mapDevicePath.empty()) {
    const QString n = QString::number(suggestion_->comNumber);
    text = QStringLiteral("A modem was found on Com Port %1. We suggest setting the Port as Com %1.").arg(n);
  } else if (suggestion_) {
    text = QStringLiteral("A modem was found on %1. We suggest setting the Port as Com %2, which will then use %3.")
               .arg(QString::fromStdString(search_.targets()[*modem].label))
               .arg(suggestion_->comNumber)
               .arg(QString::fromStdString(suggestion_->mapDevicePath));
  } else if (modem) {
    text = QStringLiteral("A modem was found on %1, but Com 1 to Com 6 all lead to other devices. "
                          "Name its device for one of them in the [Ports] section of TVN.INI (for example COM3=%2).")
               .arg(QString::fromStdString(search_.targets()[*modem].label))
               .arg(QString::fromStdString(search_.targets()[*modem].devicePath));
  } else if (search_.anyBusy()) {
    text = QStringLiteral(
        "No modem found. Please make sure that all communication programs (internet, AOL, etc) are closed, and then "
        "try again. If you know which Com port your modem uses, you can also just set the Port to that setting");
  } else {
    text = QStringLiteral(
        "No modem found. If you know which Com port your modem uses, you can also just set the Port to that setting. "
        "Please note that Telvane does not work with CABLE, DSL or ISDN connections.");
  }
  message_->setText(text);
  okButton_->show();
  okButton_->setDefault(true);
  setWindowTitle(QStringLiteral("Find Modem"));
  QApplication::beep();
}

void FindModemPort(QWidget* parent, RadioGroup& comPort, PortMapping& mapping) {
  const int selected = comPort.itemIndex();
  TFindModemForm form(Provider()(), AppSettings.ResetString, {}, parent);
  CenterWindow(form);
  form.exec();
  const std::optional<PortSuggestion> found = form.suggestion();
  if (!found) return;
  const int n = found->comNumber;
  if (n == selected + 1 && found->mapDevicePath.empty()) return;
  std::string question = "Set Com Port to Com " + std::to_string(n);
  if (!found->mapDevicePath.empty()) question += "\r(Com " + std::to_string(n) + " will use " + found->mapDevicePath + ")";
  if (!AskYesNo(question, "Com Port")) return;
  comPort.setItemIndex(n - 1);
  if (!found->mapDevicePath.empty()) mapping = PortMapping{n, found->mapDevicePath};
}

}  // namespace telvane
