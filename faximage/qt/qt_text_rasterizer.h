#pragma once
// Enhanced text (idTextEx) at the Qt edge: draws a line of text with a
// system font into the converter's monochrome work bitmap.

#include <memory>

#include "faximage/fax_converter.h"
#include "faximage/text_reader.h"

class QFont;

namespace telvane {

// The font as Qt sees it: the size in pixels of a 96 dpi screen, doubled
// for fine resolution so text has the same size on paper in both.
QFont QFontForFax(const EnhancedFont& font, bool fine);

std::unique_ptr<TextRasterizer> NewQtTextRasterizer(const EnhancedFont& font, bool fine, int width);

// Installs NewQtTextRasterizer as the converter's rasteriser factory. Needs
// a QGuiApplication while converting.
void InstallQtTextRasterizer();

}  // namespace telvane
