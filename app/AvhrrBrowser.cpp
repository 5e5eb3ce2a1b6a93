#include "app/AvhrrBrowser.h"

#include <cmath>
#include <filesystem>

namespace kestrune {

namespace {

constexpr char PreviewExtension[] = ".thumb.jpg";

std::optional<int> Digits(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::optional<TDatedFolder> ParseDatedFolder(const std::string& path) {
    if (path.size() < DatedFolderLength + 1) return std::nullopt;
    const std::string_view tail = std::string_view(path).substr(path.size() - DatedFolderLength - 1);
    const auto year = Digits(tail.substr(1, 4));
    const auto month = Digits(tail.substr(6, 2));
    const auto day = Digits(tail.substr(9, 2));
    TDateTime date = 0;
    if (!year || !month || !day || !TryEncodeDate(*year, *month, *day, date)) return std::nullopt;
    return TDatedFolder{path.substr(0, path.size() - DatedFolderLength), date};
}

std::string DatedFolderPath(const std::string& base, TDateTime date) {
    return base + FormatDateTime("yyyy/mm/dd/", std::floor(date));
}

std::optional<TPassFiles> PairPassFiles(const std::string& fileName, const TFindFile& find) {
    TPassFiles files;
    if (UpperCase(ExtractFileName(fileName)).find(".THUMB.JPG") != std::string::npos) {
        files.Preview = find(fileName);
        const std::string stem = ChangeFileExt(fileName, "");
        files.Data = find(ChangeFileExt(stem, ".hpt"));
        if (files.Data.empty()) files.Data = find(ChangeFileExt(stem, ".raw16"));
    } else {
        const std::string extension = UpperCase(ExtractFileExt(fileName));
        if (extension != ".RAW16" && extension != ".HPT") return std::nullopt;
        files.Data = find(fileName);
        files.Preview = find(ChangeFileExt(fileName, PreviewExtension));
    }
    return files;
}

std::string FindFileWithoutCase(const std::string& path) {
    if (FileExists(path)) return path;
    const std::string folder = ExtractFilePath(path), name = ExtractFileName(path);
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string found = it->path().filename().string();
        if (SameText(found, name) && it->is_regular_file(error)) return folder + found;
    }
    return {};
}

std::optional<int> PreviewScale(int width, int height) {
    for (int scale = 0; scale <= 3; ++scale) {
        const int divisor = 1 << scale;
        if ((width + divisor - 1) / divisor <= MostPreviewSide && (height + divisor - 1) / divisor <= MostPreviewSide)
            return scale;
    }
    return std::nullopt;
}

std::string BrowserFileFilter(bool hpt, bool jpeg) {
    std::string filter = hpt ? "*.hpt" : "";
    if (jpeg) filter += filter.empty() ? "*.thumb.jpg" : ";*.thumb.jpg";
    return filter.empty() ? "*.thumb.jpg;*.hpt" : filter;
}

std::string ArchiveBase(const std::string& first, const std::string& second,
                        const std::function<bool(const std::string&)>& folderExists) {
    const std::string& base = second.empty() ? first : second;
    return !base.empty() && folderExists(base) ? base : "/";
}

std::string TrimFolderCaption(const std::string& path, const std::function<bool(const std::string&)>& fits) {
    std::string caption = path;
    while (!caption.empty() && !fits(caption)) {
        const size_t separator = caption.find('/');
        // A caption without a separator left cannot shrink by folders.
        caption = separator == std::string::npos ? std::string() : caption.substr(separator + 1);
    }
    return caption;
}

}  // namespace kestrune
