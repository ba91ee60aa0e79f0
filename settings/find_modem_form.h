#pragma once
// "Find Modem Port": the window that probes every port side by side and
// shows each port's result as it comes, and the button action the quick
// setup and the preferences share.

#include <QDialog>
#include <memory>
#include <optional>
#include <vector>

#include "settings/modem_search.h"
#include "settings/port_mapping.h"

class QLabel;
class QPushButton;

namespace telvane {

class RadioGroup;

class TFindModemForm : public QDialog {
  Q_OBJECT
public:
  TFindModemForm(std::vector<ProbeTarget> targets, std::string resetString, ProbeTimes times = {},
                 QWidget* parent = nullptr);
  ~TFindModemForm() override;

  bool searchFinished() const { return finished_; }
  // The suggested port (and the device to map it to), once finished.
  std::optional<PortSuggestion> suggestion() const { return suggestion_; }
  QString portText(size_t index) const;
  QString messageText() const;

protected:
  void showEvent(QShowEvent* event) override;

private:
  void FormActivate();
  void showResult(size_t index, const PortProbeResult& result);
  void searchDone();

  ModemSearch search_;
  std::vector<QLabel*> portLabels_;
  QLabel* message_;
  QPushButton* okButton_;
  bool started_ = false;
  bool finished_ = false;
  std::optional<PortSuggestion> suggestion_;
};

// The search targets of this machine; tests set their own.
using SearchTargetsProvider = std::function<std::vector<ProbeTarget>()>;
void SetSearchTargetsProvider(SearchTargetsProvider provider);

// The "Find Modem Port" button: runs the search; when it suggests a port
// other than the one selected in `comPort` (or a device to map), asks
// "Set Com Port to Com n" and on Yes selects it and keeps the mapping in
// `mapping` until the caller saves it.
void FindModemPort(QWidget* parent, RadioGroup& comPort, PortMapping& mapping);

}  // namespace telvane
