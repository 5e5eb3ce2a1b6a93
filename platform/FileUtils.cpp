#include "platform/FileUtils.h"

#include "platform/FileIO.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <memory>

namespace kestrune {

namespace {

bool SameCharIgnoringCase(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Sorted without case; names equal but for case keep a fixed order.
bool LessIgnoringCase(const std::string& a, const std::string& b) {
    const std::string lowerA = LowerCase(a);
    const std::string lowerB = LowerCase(b);
    return lowerA != lowerB ? lowerA < lowerB : a < b;
}

std::vector<std::string> MatchingFilesOfMask(const std::string& mask) {
    const std::string folder = ExtractFilePath(mask);
    return FindMatchingFiles(folder.empty() ? std::string("./") : folder, ExtractFileName(mask));
}

std::string PreviousMonthFolder(TDateTime date) {
    const DateParts parts = DecodeDateTime(date);
    return parts.month == 1 ? Format("%04d/12/", parts.year - 1) : Format("%04d/%02d/", parts.year, parts.month - 1);
}

}  // namespace

TDateTime GetFileDateUtc(const std::string& fileName) {
    struct stat info {};
    if (stat(fileName.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return 0;
    const double seconds = static_cast<double>(info.st_mtim.tv_sec) + static_cast<double>(info.st_mtim.tv_nsec) / 1e9;
    return UnixDayDate(seconds / SecsPerDay);
}

TDateTime GetFileDate(const std::string& fileName) { return GetFileDateUtc(fileName); }

void SetFileDateTime(const std::string& fileName, TDateTime dateTime) {
    if (dateTime == 0) return;
    const TFileHandle file(open(fileName.c_str(), O_RDWR | O_CLOEXEC));
    if (!file.Valid()) return;
    // The stored form counts whole two-second steps, as the packed file dates did.
    const double milliseconds = std::nearbyint((dateTime - UnixDayDate(0)) * MSecsPerDay);
    auto seconds = static_cast<int64_t>(std::floor(milliseconds / 1000.0));
    seconds -= ((seconds % 2) + 2) % 2;
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
    futimens(file.Get(), times);
}

int64_t GetFileSizeBytes(const std::string& fileName) {
    const TExaminedFile file = OpenExamined(fileName);
    if (!file.Handle.Valid()) return -1;
    return static_cast<int64_t>(file.Info.st_size);
}

bool MatchesMask(const std::string& name, const std::string& mask) {
    if (mask == "*.*") return true;
    // Greedy match that backtracks to the most recent "*".
    size_t n = 0, m = 0, starMask = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || (mask[m] != '*' && SameCharIgnoringCase(mask[m], name[n])))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

std::vector<std::string> FindMatchingFiles(const std::string& folder, const std::string& mask) {
    std::vector<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> directory(opendir(folder.c_str()), closedir);
    if (!directory) return names;
    const std::string prefix = IncludeTrailingPathDelimiter(folder);
    while (const dirent* entry = readdir(directory.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !MatchesMask(name, mask)) continue;
        if (FileExists(prefix + name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

std::string FindFirstMatchingFile(const std::string& mask) {
    const std::vector<std::string> names = MatchingFilesOfMask(mask);
    return names.empty() ? std::string() : ExtractFilePath(mask) + names.front();
}

std::string FindLastMatchingFile(const std::string& mask) {
    const std::vector<std::string> names = MatchingFilesOfMask(mask);
    return names.empty() ? std::string() : ExtractFilePath(mask) + names.back();
}

std::string FindNewestDatedFile(const std::string& mask, TDateTime date) {
    std::string result = FindLastMatchingFile(mask);
    if (!result.empty() || date == 0) return result;
    const std::string folder = ExtractFilePath(mask);
    const std::string name = ExtractFileName(mask);
    for (int back = 0; back < 29 && result.empty(); ++back)
        result = FindLastMatchingFile(folder + FormatDateTime("yyyy/mm/dd/", date - back) + name);
    if (result.empty()) result = FindLastMatchingFile(folder + FormatDateTime("yyyy/mm/", date) + name);
    if (result.empty()) result = FindLastMatchingFile(folder + PreviousMonthFolder(date) + name);
    return result;
}

std::string FindNewestDatedFileNow(const std::string& mask) { return FindNewestDatedFile(mask, NowUtc()); }

std::string ExpandLongPath(const std::string& path) {
    std::filesystem::path full(path);
    if (full.is_relative()) full = std::filesystem::current_path() / full;
    std::filesystem::path rebuilt = full.root_path();
    for (const auto& element : full.lexically_normal().relative_path()) {
        if (element.empty()) continue;  // the trailing separator of a folder
        rebuilt /= element;
        struct stat info {};
        if (lstat(rebuilt.c_str(), &info) != 0) throw Exception(Format("Path %s does not exist!", rebuilt.c_str()));
    }
    return rebuilt.string();
}

}  // namespace kestrune
