#pragma once
// Lengths of the paragraph dialog. Indents are shown in centimetres, or in
// inches where the locale measures in inches; spacing in points. The text
// document keeps them in pixels of its layout resolution.

#include <QLocale>

namespace telvane {

enum class IndentUnit { Centimetre, Inch };

IndentUnit IndentUnitFor(const QLocale& locale);
const char* IndentUnitSuffix(IndentUnit unit);  // " cm", " in"

double IndentToPixels(double value, IndentUnit unit, double dpi);
double PixelsToIndent(double pixels, IndentUnit unit, double dpi);
double PointsToPixels(double points, double dpi);
double PixelsToPoints(double pixels, double dpi);

}  // namespace telvane
