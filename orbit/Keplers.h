// Per-satellite archives of dated element sets ("Keps/<name>.txt" and
// "Keps/Updates/<name>.txt"), the choice of the set nearest a pass, and the
// comparison with the set of the element-set catalogue folder.
#pragma once

#include "orbit/SatelliteList.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// After trimming blanks: exactly 69 characters beginning with "1" or "2".
bool IsElementLine(std::string_view line);
// Epoch of an element set's line 1 as a date-time; 0 when it does not parse
// or the day is negative or 367 or more.
TDateTime ArchiveEpoch(std::string_view line1);
// Revolution number of an element set's line 2 (columns 64-68); 0 when it
// does not parse.
int ArchiveRevolution(std::string_view line2);

class TKeplerData {
public:
    TKeplerData() = default;
    TKeplerData(const TKeplerData&) = delete;
    TKeplerData& operator=(const TKeplerData&) = delete;

    std::unique_ptr<TSatelliteList> SatelliteList;  // nullptr until SetCatalogueDirectory
    std::string CatalogueDirectory;
    // Folder in which "Keps/" is sought; empty means the program's folder.
    // The configured element-set folder becomes the base.
    std::string KeplerBaseFolder;

    // What the last archive reading found amiss: skipped lines and half
    // sets, checksums that do not match.
    std::vector<std::string> Findings;
    // What the operator must hear of: element sets of another satellite left
    // out of an archive, an archive file too large to be read. Gathered over every archive read, each line once,
    // until ClearWarnings (the loader clears them for each file), which also
    // lets the messages already shown be shown again.
    std::vector<std::string> Warnings;
    void ClearWarnings() {
        Warnings.clear();
        LastFailure.clear();
        told_.clear();
    }
    // Why the last search for a satellite's sets found none, shown or kept
    // quiet; empty after a search that found one.
    std::string LastFailure;
    // Whether the last search failed for want of the satellite's files (no
    // archive, at most an empty update): no date it was sought for is to blame.
    bool LastFoundNoFiles() const { return !missingFilesCause_.empty() && LastFailure == missingFilesCause_; }
    void AddWarning(const std::string& warning);

    // Builds the catalogue of the folder, which is also the archives' base.
    void SetCatalogueDirectory(const std::string& directory);

    // Locates, loads, merges and checks one satellite's archive; sets of
    // another satellite than the name's are left out, the others come back
    // in order of epoch. On failure lines is empty and message says why.
    bool FindKeplerFile(const std::string& name, const std::string& baseFolder, std::string& message,
                        std::string& mainFile, std::string& updateFile, std::vector<std::string>& lines);
    // The dated archived set nearest passTime, in whatever order the sets
    // stand; age is its epoch minus passTime in days.
    bool SelectArchiveSet(const std::string& name, const std::string& baseFolder, bool quiet,
                          std::string& message, double& age, std::string& mainFile,
                          std::string& updateFile, std::string& line1, std::string& line2,
                          TDateTime passTime);
    // The set to use for a pass: archive or catalogue, whichever is nearer.
    bool GetElements(const std::string& name, const std::string& catalogNumber, TDateTime passTime,
                     bool quiet, std::string& line1, std::string& line2, std::string& mainSource,
                     std::string& updateSource, double& age);
    // Epoch of the archived set whose revolution number is nearest the
    // orbit number; 0 when there is no archive. Revolution numbers count on
    // across the wrap from 99999 to 0, and a 5-digit orbit number stands for
    // the orbit of that number nearest the archive's span.
    TDateTime KeplerEpochForOrbit(const std::string& name, int revolution);

    // The epochs of the satellite's dated sets, archived and catalogued, found
    // quietly; none where it has none.
    std::vector<TDateTime> ElementEpochs(const std::string& name, const std::string& catalogNumber);
    // While held, what the archives would show waits: a file refused for
    // what it holds tells nothing of element sets it will never use.
    // Releasing shows what waited (tell) or forgets it, and ends the hold.
    void HoldMessages() { holding_ = true; }
    void ReleaseMessages(bool tell);

private:
    // Shows a message once for a pass: the elements are sought more than once
    // for one pass. That the archive folder is missing is shown only once,
    // as it stays missing for every pass this object serves.
    void Tell(const std::string& message);

    bool folderMissingTold_ = false;
    // The missing files' box as one sentence, for a line of a run's report.
    std::string missingFilesCause_;
    std::vector<std::string> told_;
    bool holding_ = false;
    std::vector<std::string> held_;
};

}  // namespace kestrune
