#include "platform/io_errors.h"

#include <cerrno>

namespace telvane {

int IoErrorFromErrno(int e, bool writing) {
  switch (e) {
    case ENOENT: return io_error::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return io_error::PathNotFound;
    case EMFILE:
    case ENFILE: return io_error::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return io_error::AccessDenied;
    case EBADF: return io_error::InvalidHandle;
    case ENOMEM: return io_error::NotEnoughMemory;
    case EBUSY:
    case ETXTBSY: return io_error::SharingViolation;
    case EEXIST: return io_error::FileExists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return io_error::DiskFull;
    default: return writing ? io_error::WriteFault : io_error::ReadFault;
  }
}

std::string_view IoErrorText(int code) {
  switch (code) {
    case io_error::FileNotFound: return "File not found";
    case io_error::PathNotFound: return "Path not found";
    case io_error::TooManyOpenFiles: return "Too many open files";
    case io_error::AccessDenied: return "File access denied";
    case io_error::InvalidHandle: return "Invalid file handle";
    case io_error::NotEnoughMemory: return "Not enough memory";
    case io_error::InvalidDrive: return "Invalid drive number";
    case io_error::WriteFault: return "Write fault";
    case io_error::ReadFault: return "Read fault";
    case io_error::SharingViolation: return "File is in use by another program";
    case io_error::FileExists: return "File already exists";
    case io_error::ReadBeyondEnd: return "Attempt to read beyond end of file";
    case io_error::DiskFull: return "Disk is full";
    case io_error::FileNotAssigned: return "File not assigned";
    case io_error::FileNotOpen: return "File not open";
    case io_error::FileNotOpenForInput: return "File not open for input";
    case io_error::FileNotOpenForOutput: return "File not open for output";
    case io_error::InvalidNumericFormat: return "Invalid numeric format";
    case io_error::DeviceWriteError: return "Device write error";
    case io_error::DeviceReadError: return "Device read error";
    default: return "";
  }
}

}  // namespace telvane
