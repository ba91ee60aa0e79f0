#pragma once
// A page in twips (1/1440 inch), as RTF and the fax editor give it.

namespace telvane {

struct PageLayoutTwips {
  int width = 12240, height = 15840, left = 720, top = 720, right = 720, bottom = 720;
  bool operator==(const PageLayoutTwips&) const = default;
};

}  // namespace telvane
