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
    std::string Source;        // the item copied or moved
    std::string Existing;      // the item of that name in the folder
    std::string KeptName;      // the name "keep both" gives the new one
    bool Replaceable = true;   // false: a folder is there, and a folder is never replaced
};
// Asked once a clash; forAll set: the answer stands for the clashes after it.
using TClashQuestion = std::function<TClashAction(const TClash& clash, bool& forAll)>;

// Why a copy or move stopped, for the message that names what was not done.
enum class TCopyFailure { None, System, SourceGone, IntoItself };
struct TCopyOutcome {
    size_t Skipped = 0;                  // sources of which something stayed where it was
    TCopyFailure Failure = TCopyFailure::None;
    std::string FailedItem;              // the item it stopped at, named below the folder it went to
    std::vector<std::string> NotCopied;  // the items after it, left undone
    std::vector<std::string> KeptParts;  // folders copies cut short left that nothing can make again
};

// Called with the name each item stands under just before it is named in
// its place: its part name, or in a move its source, as the rename is tried.
using TBeforeNaming = std::function<void(const std::string& name)>;

// Copies or moves each source (files and whole folders) into the folder.
// A folder onto a folder of its name merges into it: its items are settled
// one by one, a clash asked about per file; a folder there is never removed.
// Every clash is settled before anything is copied, so a cancelled question
// leaves the folder as it was; a copy into the item's own folder is made
// under a new name (CopyName), a move there changes nothing. Each item
// arrives whole or not at all, every file keeping its source's last-write
// time: it is written under a part name (TemporaryMark), a file held locked
// by its writer until it is renamed into place (a replaced file goes only
// then); a move within one file system is one rename. Before the first item,
// each folder written into is cleared of the part files killed writers left,
// and of the part folders their sources (or the items of this copy) can make
// again; outcome names the others.
// Stops at the first failure, which outcome names; ERROR_CANCELLED when the
// question was cancelled.
uint32_t CopyItems(const std::vector<std::string>& sources, const std::string& folder, bool move,
                   const TClashQuestion& ask, TCopyOutcome* outcome = nullptr,
                   const TBeforeNaming& beforeNaming = {});
// The name free in folder for a copy of an item named name, as file
// managers make them: "a - Copy.hpt", "a - Copy (2).hpt" ... The ending of a
// preview or a packed pass stays whole ("a - Copy.thumb.jpg", "p - Copy.wsd.gz"),
// so copies of a pass and its preview still pair; items of one copy that
// share a stem get one number, the first free for all of them.
std::string CopyName(const std::string& folder, const std::string& name);
// ${XDG_DATA_HOME:-~/.local/share}/Trash/.
std::string TrashFolder();
// Moves the item to the trash, across file systems as a copy keeping its times.
uint32_t MoveToTrash(const std::string& path);
// Why an item deleted for good is still there.
enum class TStayCause { System, Immutable, AppendOnly, FolderMarked, ReadOnlyFileSystem };
struct TNotDeleted {
    std::string Path;
    uint32_t Code = 0;  // the system's error
    TStayCause Cause = TStayCause::System;
};
// Deletes the item for good, a folder with all it holds: everything that can
// go goes, and what stays is added to notDeleted (a folder only when nothing
// inside it stayed). The first failure's code, 0 when all went.
uint32_t DeleteForGood(const std::string& path, std::vector<TNotDeleted>* notDeleted = nullptr);

// What deleting the items for good removes: every file below them (a link
// counts as a file of its own size, never followed) and the folders.
struct TItemsMeasure {
    uint64_t Files = 0;
    uint64_t Folders = 0;
    uint64_t Bytes = 0;
};
TItemsMeasure MeasureItems(const std::vector<std::string>& paths);

}  // namespace kestrune
