#pragma once
// Exceptions the image components raise at their public surface: a negative
// status of the cores becomes the exception of that code, carrying it.

#include <stdexcept>
#include <string>

namespace telvane {

class EFaxImageError : public std::runtime_error {
public:
  explicit EFaxImageError(int code);
  int code() const { return code_; }

private:
  int code_;
};

#define TELVANE_IMAGE_EXCEPTION(Name) \
  class Name : public EFaxImageError { \
  public: \
    using EFaxImageError::EFaxImageError; \
  }
TELVANE_IMAGE_EXCEPTION(EFaxBadFormat);        // -8001
TELVANE_IMAGE_EXCEPTION(EBadGraphicsFormat);   // -8002
TELVANE_IMAGE_EXCEPTION(EConvertAbort);        // -8003
TELVANE_IMAGE_EXCEPTION(EUnpackAbort);         // -8004
TELVANE_IMAGE_EXCEPTION(ECantMakeBitmap);      // -8005
TELVANE_IMAGE_EXCEPTION(EInvalidPageNumber);   // -8053
TELVANE_IMAGE_EXCEPTION(EBadArgument);         // -1002
TELVANE_IMAGE_EXCEPTION(EInOutError);          // runtime file errors
#undef TELVANE_IMAGE_EXCEPTION

// Throws the exception for a negative status; returns otherwise.
void RaiseImageError(int status);

}  // namespace telvane
