#include "platform/SystemErrors.h"

#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"

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
        case EINVAL: return ERROR_INVALID_NAME;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
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
        case 0: return resStr(res::SErrorSuccess);
        case ERROR_FILE_NOT_FOUND: return resStr(res::SErrorFileNotFound);
        case ERROR_PATH_NOT_FOUND: return resStr(res::SErrorPathNotFound);
        case ERROR_ACCESS_DENIED: return resStr(res::SErrorAccessDenied);
        case ERROR_DISK_FULL: return resStr(res::SErrorDiskFull);
        case ERROR_INVALID_NAME: return resStr(res::SErrorInvalidName);
        case ERROR_FILENAME_EXCED_RANGE: return resStr(res::SErrorFilenameTooLong);
        case ERROR_ALREADY_EXISTS: return resStr(res::SErrorAlreadyExists);
        case ERROR_CANCELLED: return resStr(res::SErrorCancelled);
        default: break;
    }
    if (code >= ErrnoBase) return ErrnoText(static_cast<int>(code - ErrnoBase)) + ".";
    return FormatResStr(res::SErrorCode, {std::to_string(code)});
}

std::string ErrnoText(int error) { return Utf16ToUtf8(LocaleToWide(std::strerror(error))); }

}  // namespace kestrune
