#pragma once
// Saving an editor window's placement when it closes: a TVN.INI that cannot
// be written is reported, and the window still closes.

class QWidget;

namespace telvane {

void SavePlacementOnClose(const QWidget& window);

}  // namespace telvane
