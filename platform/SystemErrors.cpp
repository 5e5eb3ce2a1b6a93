#include "platform/SystemErrors.h"

#include <cerrno>
#include <cstring>

namespace kestrune {

namespace {

// Codes above this carry an errno value the table does not name.
constexpr uint32_t ErrnoBase = 0x10000;

}  // namespace

uint32_t ErrorFromErrno(int error) {
    switch (error) {
        case 0: return 0;
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES: case EPERM: case EROFS: return ERROR_ACCESS_DENIED;
        case EEXIST: case ENOTEMPTY: return ERROR_ALREADY_EXISTS;
        case EINVAL: case ENAMETOOLONG: return ERROR_INVALID_NAME;
        case ENOSPC: case EDQUOT: return ERROR_DISK_FULL;
        default: return ErrnoBase + static_cast<uint32_t>(error);
    }
}

ole::HRESULT HResultFromError(uint32_t code) {
    if (code == 0) return ole::S_OK;
    if (code >= ErrnoBase) return ole::E_FAIL;
    return static_cast<ole::HRESULT>(0x80070000u | code);
}

std::string SysErrorMessage(uint32_t code) {
    switch (code) {
        case 0: return "The operation completed successfully.";
        case ERROR_FILE_NOT_FOUND: return "The system cannot find the file specified.";
        case ERROR_PATH_NOT_FOUND: return "The system cannot find the path specified.";
        case ERROR_ACCESS_DENIED: return "Access is denied.";
        case ERROR_DISK_FULL: return "There is not enough space on the disk.";
        case ERROR_INVALID_NAME: return "The filename, directory name, or volume label syntax is incorrect.";
        case ERROR_ALREADY_EXISTS: return "Cannot create a file when that file already exists.";
        case ERROR_CANCELLED: return "The operation was canceled by the user.";
        default: break;
    }
    if (code >= ErrnoBase) return std::string(std::strerror(static_cast<int>(code - ErrnoBase))) + ".";
    return "System error code " + std::to_string(code) + ".";
}

}  // namespace kestrune
