#include "faximage/image_exceptions.h"

#include "faximage/image_status.h"
#include "platform/io_errors.h"

namespace telvane {

EFaxImageError::EFaxImageError(int code) : std::runtime_error(ImageErrorMessage(code)), code_(code) {}

void RaiseImageError(int status) {
  if (status >= 0) return;
  switch (-status) {
    case image_status::NotApfFile: throw EFaxBadFormat(status);
    case image_status::BadGraphicsFormat: throw EBadGraphicsFormat(status);
    case image_status::ConvertAbort: throw EConvertAbort(status);
    case image_status::UnpackAbort: throw EUnpackAbort(status);
    case image_status::CantMakeBitmap: throw ECantMakeBitmap(status);
    case image_status::InvalidPageNumber: throw EInvalidPageNumber(status);
    case image_status::BadArgument: throw EBadArgument(status);
    default:
      if (-status <= io_error::Last) throw EInOutError(status);
      throw EFaxImageError(status);
  }
}

}  // namespace telvane
