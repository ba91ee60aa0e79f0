#include "faximage/builtin_font.h"

namespace telvane {

extern const uint8_t kFaxFontData[];
extern const size_t kFaxFontSize;

std::span<const uint8_t> BuiltinFontResource() { return {kFaxFontData, kFaxFontSize}; }

}  // namespace telvane
