#pragma once
// Deterministic test pages (raster lines, set bit = black) for the codec
// tests and the benchmark: text-like, mostly white and dithered photo-like.

#include <cstdint>
#include <vector>

namespace telvane::test {

enum class PageKind { Text, MostlyWhite, Dithered, Random };

// rows * width/8 bytes.
std::vector<uint8_t> MakePage(PageKind kind, int width, int rows, uint32_t seed = 1);

}  // namespace telvane::test
