// The shell's file operations over the file system: new folder, copy, move,
// delete to the desktop's trash (the freedesktop.org layout) and for good.
// Each answers the system's error code (0 on success).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrune {

uint32_t CreateFolder(const std::string& path);

// What becomes of an item whose name is taken in the folder it goes to.
enum class TClashAction { Replace, Skip, KeepBoth, Cancel };
struct TClash {
    std::string Source;    // the item copied or moved
    std::string Existing;  // the item of that name in the folder
    std::string KeptName;  // the name "keep both" gives the new one
};
// Asked once a clash; forAll set: the answer stands for the clashes after it.
using TClashQuestion = std::function<TClashAction(const TClash& clash, bool& forAll)>;

// Copies or moves each source (files and whole folders) into the folder.
// Every clash is settled before anything is copied, so a cancelled question
// leaves the folder as it was; a copy into the item's own folder is made
// under a new name (CopyName), a move there changes nothing. Each item
// arrives whole or not at all: it is written under a temporary name and
// renamed into place (a replaced item goes only then). Stops at the first
// failure; ERROR_CANCELLED when the question was cancelled. skipped: how
// many sources were left where they were (skipped, or moved onto themselves).
uint32_t CopyItems(const std::vector<std::string>& sources, const std::string& folder, bool move,
                   const TClashQuestion& ask, size_t* skipped = nullptr);
// The name free in folder for a copy of an item named name, as file
// managers make them: "a - Copy.hpt", "a - Copy (2).hpt" ... The ending of a
// preview or a packed pass stays whole ("a - Copy.thumb.jpg", "p - Copy.wsd.gz"),
// so copies of a pass and its preview still pair.
std::string CopyName(const std::string& folder, const std::string& name);
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
