// The system's error codes and their texts: errno values become the codes the
// shell reports (183 for "already exists", 5 for "access denied" ...).
#pragma once

#include "platform/OleCore.h"

#include <cstdint>
#include <string>

namespace kestrune {

constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
constexpr uint32_t ERROR_ACCESS_DENIED = 5;
constexpr uint32_t ERROR_DISK_FULL = 112;
constexpr uint32_t ERROR_INVALID_NAME = 123;
constexpr uint32_t ERROR_FILENAME_EXCED_RANGE = 206;
constexpr uint32_t ERROR_ALREADY_EXISTS = 183;
constexpr uint32_t ERROR_CANCELLED = 1223;

uint32_t ErrorFromErrno(int error);
// The error as a result code (0x8007xxxx).
ole::HRESULT HResultFromError(uint32_t code);
inline ole::HRESULT HResultFromErrno(int error) { return HResultFromError(ErrorFromErrno(error)); }
// The system's text for a code, ending with a full stop.
std::string SysErrorMessage(uint32_t code);
// The C library's text for an errno value as the program's text (UTF-8):
// the library writes it in the locale's language and codec.
std::string ErrnoText(int error);

}  // namespace kestrune
