#include "faximage/image_status.h"

#include <string>

#include "platform/io_errors.h"

namespace telvane {
namespace {
constexpr ImageStatusEntry kTable[] = {
    {image_status::BadArgument, "Bad argument passed to function"},
    {image_status::GotQuitMessage, "Got quit message"},
    {image_status::NotApfFile, "File is not an APF file"},
    {image_status::BadGraphicsFormat, "Unsupported graphics file format"},
    {image_status::ConvertAbort, "User aborted fax conversion"},
    {image_status::UnpackAbort, "User aborted fax unpack"},
    {image_status::CantMakeBitmap, "CreateBitmapIndirect API failure"},
    {image_status::NoImageLoaded, "No image loaded into viewer"},
    {image_status::NoBlockMarked, "No block of image marked"},
    {image_status::FontNotFound, "DUDEZ.FNT not found, or resource bad"},
    {image_status::InvalidPageNumber, "Invalid page number"},
    {image_status::FontTooLarge, "Font selected for enhanced text converter too large"},
};
}  // namespace

const ImageStatusEntry* ImageStatusTable(int* count) {
  *count = static_cast<int>(std::size(kTable));
  return kTable;
}

std::string_view ImageStatusText(int code) {
  for (const auto& e : kTable)
    if (e.code == code) return e.text;
  return {};
}

std::string ImageErrorMessage(int status) {
  if (status >= 0) return {};
  const int code = -status;
  std::string_view text = ImageStatusText(code);
  if (text.empty()) text = IoErrorText(code);
  if (text.empty()) return "Error " + std::to_string(status);
  return std::string(text);
}

}  // namespace telvane
