#pragma once
// Pictures on a fax page are black and white: photographs get error
// diffusion so their tones survive, line art (scans of text, drawings,
// rendered PDF pages) a plain threshold so its edges stay sharp.

#include <QImage>

namespace telvane {

// A photograph has many mid tones; line art is mostly near black or white.
bool LooksLikePhotograph(const QImage& grey);

// `image` scaled to `size` as Format_Grayscale8 holding only 0 and 255.
QImage ToBlackAndWhite(const QImage& image, const QSize& size);

}  // namespace telvane
