#pragma once
// The fax status component with the standard window: the window exists
// from the component's creation to its destruction, is shown on a fax's
// first status notification and hidden on its last.

#include <QPointer>

#include "fax/qt/standard_fax_display.h"
#include "fax/status/fax_status.h"

class QWidget;

namespace telvane {

class TKovaFaxStatus : public TKovaAbstractFaxStatus {
public:
  // `parent` owns the window as a Qt parent (nullptr: a top-level window).
  explicit TKovaFaxStatus(QWidget* parent = nullptr);
  ~TKovaFaxStatus() override;

  void CreateDisplay() override;
  void DestroyDisplay() override;
  void UpdateDisplay(bool first, bool last) override;

  TStandardFaxDisplay* Display() const { return display_; }

protected:
  void ShowDisplay(bool show) override;

private:
  QWidget* parent_;
  QPointer<TStandardFaxDisplay> display_;  // the parent may delete it first
};

}  // namespace telvane
