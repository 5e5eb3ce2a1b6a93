// The shell's file operations over the file system: new folder, copy, move,
// delete to the desktop's trash (the freedesktop.org layout) and for good.
// Each answers the system's error code (0 on success).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

uint32_t CreateFolder(const std::string& path);
// Copies or moves each source (files and whole folders) into the folder;
// stops at the first failure. An item is never copied onto itself.
uint32_t CopyItems(const std::vector<std::string>& sources, const std::string& folder, bool move);
// ${XDG_DATA_HOME:-~/.local/share}/Trash/.
std::string TrashFolder();
uint32_t MoveToTrash(const std::string& path);
uint32_t DeleteForGood(const std::string& path);

// What deleting the items for good removes: every file below them (a link
// counts as a file of its own size, never followed) and the folders.
struct TItemsMeasure {
    uint64_t Files = 0;
    uint64_t Folders = 0;
    uint64_t Bytes = 0;
};
TItemsMeasure MeasureItems(const std::vector<std::string>& paths);

}  // namespace kestrune
