#pragma once
// The files fax file creation makes in the program directory: the result
// "TVN_n.APF", the page files "TVNAXi.APF" joined into it, and the page
// bitmap "_TMP.BMP".

#include <string>
#include <string_view>

namespace telvane {

inline constexpr std::string_view kFaxPageBitmapName = "_TMP.BMP";
inline constexpr int kMaxFaxFileNumber = 1000;

// "TVN_n.APF" in `directory` (trailing "/") with the smallest n from 1 to
// 1000 that names no existing file; "TVN1.APF" when all of them exist.
std::string FirstFaxFileName(const std::string& directory);

// "TVNAXi.APF" in `directory` for the fax's page number i (2, 3, ...).
std::string FaxPageFileName(const std::string& directory, int pageNumber);

}  // namespace telvane
