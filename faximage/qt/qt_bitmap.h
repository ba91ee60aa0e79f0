#pragma once
// Monochrome bitmaps at the Qt edge: the core's MonoBitmap (set bit black)
// as a QImage::Format_Mono with a white/black colour table, and back.

#include <QImage>

#include "faximage/mono_bitmap.h"

namespace telvane {

QImage ToQImage(const MonoBitmap& bitmap);
// Any image; pixels darker than mid-grey become black.
MonoBitmap FromQImage(const QImage& image);

}  // namespace telvane
