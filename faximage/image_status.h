#pragma once
// Status codes of the fax image layer. One signed space with the rest of
// the program: 0 is success, a negative value an error whose absolute value
// indexes the message table. Runtime file errors (-2, -100, -101, ...) come
// from platform/io_errors.h; the codes below are the ones this layer adds.

#include <string_view>

#include "platform/io_errors.h"

namespace telvane {

namespace image_status {
// General codes (1001..1009 of the message table) that the image layer raises.
inline constexpr int BadArgument = 1002;  // a caller passed something unusable
inline constexpr int GotQuitMessage = 1003;

// Fax image codes (8001..8092 of the message table).
inline constexpr int NotApfFile = 8001;
inline constexpr int BadGraphicsFormat = 8002;
inline constexpr int ConvertAbort = 8003;
inline constexpr int UnpackAbort = 8004;
inline constexpr int CantMakeBitmap = 8005;
inline constexpr int NoImageLoaded = 8050;
inline constexpr int NoBlockMarked = 8051;
inline constexpr int FontNotFound = 8052;
inline constexpr int InvalidPageNumber = 8053;
inline constexpr int FontTooLarge = 8055;

// The runtime file error the TIFF reader reports when its file ends early.
inline constexpr int DeviceReadError = io_error::DeviceReadError;
}  // namespace image_status

struct ImageStatusEntry {
  int code;
  std::string_view text;
};

// Every code above with its message text, in ascending order.
const ImageStatusEntry* ImageStatusTable(int* count);

// The text of a (positive) code of this layer, or "" when it has none.
std::string_view ImageStatusText(int code);

// The text for any status this layer returns (negative, as returned): its
// own codes and the runtime file errors. "" for 0 or unknown codes.
std::string ImageErrorMessage(int status);

}  // namespace telvane
