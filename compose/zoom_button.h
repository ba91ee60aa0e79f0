#pragma once
// The zoom button of the fax editor and the template editor: it shows the
// zoom of the control it acts on ("100%") and drops a menu of 70%, 80% and
// 100% down below itself, with the control's zoom checked when it is one
// of them.

#include <QPushButton>
#include <functional>

class QMenu;

namespace telvane {

class TWPRichText;

class ZoomButton : public QPushButton {
  Q_OBJECT
public:
  explicit ZoomButton(QWidget* parent = nullptr);

  // The control the menu acts on now.
  std::function<TWPRichText*()> target;

  QMenu* Menu() const { return menu_; }
  // The caption for the target's current zoom.
  void ShowTargetZoom();
  // What choosing a menu item does.
  void Choose(int percent);

private:
  void checkTargetZoom();

  QMenu* menu_;
};

}  // namespace telvane
