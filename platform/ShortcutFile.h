// Reader of shell link files (".lnk"): the link's target path, arguments,
// working folder, icon, description, show command, hot key, the target's
// item ID list bytes and its file data. Every field is read inside the file.
#pragma once

#include "platform/OleCore.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrune {

struct TShortcutFields {
    std::string TargetPath;   // "\" separated as stored
    std::string RelativePath;
    std::string Arguments;
    std::string WorkingDirectory;
    std::string IconLocation;
    int32_t IconIndex = 0;
    std::string Description;
    uint32_t ShowCommand = 1;
    uint16_t HotKey = 0;
    std::vector<uint8_t> TargetIdList;  // the shell's own item ID list bytes, not ours
    uint32_t FileAttributes = 0;
    uint64_t CreationTime = 0, AccessTime = 0, WriteTime = 0;  // file times (100 ns since 1601)
    uint32_t FileSize = 0;
};

// S_OK and the fields; E_FAIL for a damaged or foreign file.
ole::HRESULT ReadShortcut(std::span<const uint8_t> bytes, TShortcutFields& fields);
// Reads the file (E_INVALIDARG for an empty path, the system's code when it cannot be read).
ole::HRESULT LoadShortcut(const std::string& path, TShortcutFields& fields);
// The link's target here: the stored path when it exists, else its relative
// path taken from the link's own folder.
std::string ResolvedShortcutTarget(const std::string& linkPath, const TShortcutFields& fields);

}  // namespace kestrune
