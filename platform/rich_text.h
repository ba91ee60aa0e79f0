#pragma once
// What the lower layers need of a rich text control: the log tables move
// memos in and out of one through an RTF file, and new documents start with
// the default font. The control in richtext/ implements it; tests use a
// stand-in holding an RTF string.

#include <string>

namespace telvane {

// Style bits of SetCurrentFont.
inline constexpr int FontStyleBold = 1;
inline constexpr int FontStyleItalic = 2;
inline constexpr int FontStyleUnderline = 4;

class RichTextControl {
public:
  virtual ~RichTextControl() = default;
  virtual void Clear() = 0;
  virtual bool LoadFromRtfFile(const std::string& path) = 0;
  virtual bool SaveToRtfFile(const std::string& path) = 0;
  // Lays the text out again after a load.
  virtual void Reformat() = 0;
  // The character attributes of text typed from now on.
  virtual void SetCurrentFont(const std::string& name, int pointSize, int styleBits) = 0;
};

}  // namespace telvane
