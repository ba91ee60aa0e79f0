#include "spell/paragraph_units.h"

namespace telvane {
namespace {
constexpr double kCentimetresPerInch = 2.54;
constexpr double kPointsPerInch = 72.0;

double unitsPerInch(IndentUnit unit) { return unit == IndentUnit::Inch ? 1.0 : kCentimetresPerInch; }
}  // namespace

IndentUnit IndentUnitFor(const QLocale& locale) {
  return locale.measurementSystem() == QLocale::MetricSystem ? IndentUnit::Centimetre : IndentUnit::Inch;
}

const char* IndentUnitSuffix(IndentUnit unit) { return unit == IndentUnit::Inch ? " in" : " cm"; }

double IndentToPixels(double value, IndentUnit unit, double dpi) { return value / unitsPerInch(unit) * dpi; }
double PixelsToIndent(double pixels, IndentUnit unit, double dpi) { return pixels / dpi * unitsPerInch(unit); }
double PointsToPixels(double points, double dpi) { return points / kPointsPerInch * dpi; }
double PixelsToPoints(double pixels, double dpi) { return pixels / dpi * kPointsPerInch; }

}  // namespace telvane
