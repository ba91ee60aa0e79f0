#pragma once
// Image input readers of the converter: TIFF (first image, uncompressed or
// PackBits), PCX, DCX (one page per contained PCX image), BMP files and
// bitmaps in memory, and lines supplied by the application.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "faximage/converter_core.h"
#include "faximage/mono_bitmap.h"

namespace telvane {

std::unique_ptr<FaxInputReader> NewTiffReader();
std::unique_ptr<FaxInputReader> NewPcxReader();
std::unique_ptr<FaxInputReader> NewDcxReader();
// Reads a BMP file into a bitmap, then as a bitmap in memory.
std::unique_ptr<FaxInputReader> NewBmpReader();
// A bitmap in memory (nullptr: -1002 when the conversion opens it).
std::unique_ptr<FaxInputReader> NewBitmapReader(std::shared_ptr<const SourceBitmap> bitmap);

// The application's line source (idUser).
struct UserLineSource {
  std::function<void(const std::string& fileName)> open;
  // Without a handler: end of page, no more pages.
  std::function<void(uint8_t* data, int& length, bool& endOfPage, bool& morePages)> readLine;
  std::function<void()> close;
};
std::unique_ptr<FaxInputReader> NewUserReader(UserLineSource source, std::string defaultExtension);

// Loads a BMP file (1, 4, 8, 24 or 32 bits; uncompressed, RLE8, RLE4 or bit fields;
// bottom-up or top-down; any palette). 0, -8002 for anything else, or an I/O
// error.
int LoadBmpFile(const std::string& name, SourceBitmap& out);
int DecodeBmp(const uint8_t* data, size_t size, SourceBitmap& out);

// The ordered-dither threshold T(a, b) for a pixel at (a mod 32, b mod 32).
int DitherThreshold(int a, int b);

}  // namespace telvane
