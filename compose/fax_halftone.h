#pragma once
// Grey pictures to black and white for a fax page. A fixed threshold keeps
// text and line art crisp; photographs lose everything to it and are
// dithered instead. The choice is made per 32 x 32 tile, so a page with a
// photograph among its text gets both.

#include <QImage>

#include "faximage/mono_bitmap.h"

namespace telvane {

MonoBitmap ToFaxMono(const QImage& image);

}  // namespace telvane
