// A folder copied under a part name (TemporaryMark) holds, while it is being
// filled, a note naming what it is a copy of, locked by its writer. A sweep
// then tells one being filled from one a killed copy left, and whether that
// one can be made again: its source still holds everything it holds.
#pragma once

#include "platform/FileIO.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kestrune {

// The note's name inside the part folder.
inline constexpr char PartFolderNote[] = ".kestrune-part-source";

class TPartFolder {
public:
    // Makes the folder (for its owner alone until it is whole) and its
    // note, locked, naming source.
    TPartFolder(const std::string& path, const std::string& source);
    // The errno of making it; 0 when it stands.
    int Error() const { return error_; }
    // The file under way (its path in the folder), "" once it is whole: a
    // sweep after a kill names the file the copy was cut short in.
    void Copying(const std::string& file) const;
    // The folder is whole: its note goes, before it is named.
    int Finish() const;

private:
    std::string path_;
    TFileHandle note_;
    off_t sourceLineEnd_ = 0;  // the note's first line, the source, ends here
    int error_ = 0;
};

enum class TPartFolderState {
    Filling,   // its writer lives, or has only just made it
    Remakable, // its source holds all it holds: it can go
    Kept,      // the only place of something: for the user to look through
};
// What a part folder is, its note read and locked for the look; an empty
// one, or one without its note (it had just been made) since
// minimumAgeSeconds, counts as left.
TPartFolderState StatePartFolder(const std::string& path, int64_t minimumAgeSeconds);
// The folder its note names as its source; empty when it names none.
std::string PartFolderSource(const std::string& path);
// Whether source holds every item the part folder holds (a file there at
// least as long: one cut short is there in part), so that a copy of source
// makes all of it again.
bool SourceHoldsAll(const std::string& source, const std::string& part);
// What the user is told of a part folder that is kept: where it is, what it
// holds, the file in it that was cut short when its note names one, and what
// it was copied from, each name as shown gives it.
std::string KeptPartFolderText(const std::string& path, const std::function<std::string(const std::string&)>& shown);

}  // namespace kestrune
