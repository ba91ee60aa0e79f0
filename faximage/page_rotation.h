#pragma once
// Quarter turns of a page bitmap for the viewer's rotation menu.

#include "faximage/mono_bitmap.h"

namespace telvane {

// Turns `in` clockwise by `quarterTurns` (taken mod 4). A quarter turn makes
// the first row the rightmost column read downwards; three make it the
// leftmost column read upwards; a half turn reverses rows and bit order.
// New rows are padded to whole bytes with white. 0, or -8 when the bitmap
// cannot be allocated.
int RotateBitmap(const MonoBitmap& in, int quarterTurns, MonoBitmap& out);

}  // namespace telvane
