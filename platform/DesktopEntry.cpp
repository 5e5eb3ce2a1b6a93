#include "platform/DesktopEntry.h"

#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "platform/SysUtils.h"
#include "platform/SystemUtils.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace kestrune {

namespace {

constexpr const char* ProductName = "Talvessa";

// Letters and digits, with inner dots for a packed file's ("wsd.gz").
bool IsPlainExtension(const std::string& extension) {
    return !extension.empty() && extension.front() != '.' && extension.back() != '.' &&
           extension.find("..") == std::string::npos &&
           std::all_of(extension.begin(), extension.end(), [](unsigned char c) { return std::isalnum(c) != 0 || c == '.'; });
}

// The escapes of a desktop entry's string values, and its literal percent.
std::string EscapeStringValue(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\') escaped += "\\\\";
        else if (c == '\n') escaped += "\\n";
        else if (c == '\r') escaped += "\\r";
        else if (c == '\t') escaped += "\\t";
        else if (c == '%') escaped += "%%";
        else escaped += c;
    }
    return escaped;
}

// Writes text to path unless it holds that already; true when it was written.
bool WriteWhenChanged(const std::string& path, const std::string& text) {
    std::string present;
    if (ReadFileText(path, present) && present == text) return false;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    try {
        WriteFileAtomically(path, text);
        return true;
    } catch (...) {
        return false;
    }
}

// The desktop's own way to remove an entry for good: the user's copy says Hidden=true.
bool UserHidEntry(const std::string& entryPath) {
    std::string entry;
    return ReadFileText(entryPath, entry) && ("\n" + entry).find("\nHidden=true") != std::string::npos;
}

// Only absolute folders count: a tool found in the current folder could be anybody's.
std::string FindOnPath(const std::string& tool) {
    const char* path = std::getenv("PATH");
    for (const std::string& folder : SplitString(path ? path : "", ':')) {
        if (folder.empty() || folder.front() != '/') continue;
        const std::string candidate = folder + "/" + tool;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

void StartDetached(const std::string& tool, const std::string& folder) {
    const std::string program = FindOnPath(tool);
    if (!program.empty()) StartProgram(program, {folder});
}

}  // namespace

std::string DesktopEntryPath(const std::string& dataHome) {
    return IncludeTrailingPathDelimiter(dataHome) + "applications/kestrune.desktop";
}

std::string MimePackagePath(const std::string& dataHome) {
    return IncludeTrailingPathDelimiter(dataHome) + "mime/packages/kestrune.xml";
}

std::vector<std::string> ExtensionList(const std::string& commaList) {
    std::vector<std::string> extensions;
    for (const std::string& item : SplitString(commaList, ',')) {
        std::string extension = LowerCase(Trim(item));
        if (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
        if (IsPlainExtension(extension)) extensions.push_back(extension);
    }
    return extensions;
}

bool NeedsExecQuoting(const std::string& argument) {
    // The characters the desktop entry format reserves in an Exec argument.
    static const std::string Reserved = " \t\n\"'\\><~|&;$*?#()`";
    return argument.empty() || argument.find_first_of(Reserved) != std::string::npos;
}

std::string QuoteExecArgument(const std::string& path) {
    // Some launchers take a quoted program for a file to open: quote only where the format asks for it.
    if (!NeedsExecQuoting(path)) return EscapeStringValue(path);
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return EscapeStringValue(quoted + "\"");
}

std::string DesktopEntryText(const std::string& executable, const std::string& verb) {
    return std::string("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=") +
           ProductName + "\nGenericName=" + EscapeStringValue(verb) + "\nExec=" + QuoteExecArgument(executable) +
           " %f\nTerminal=false\nMimeType=" + PassMimeType + ";\nCategories=Science;Geoscience;\n";
}

std::string MimePackageText(const std::vector<std::string>& extensions) {
    std::string text = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                   "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                                   "  <mime-type type=\"") +
                       PassMimeType + "\">\n    <comment>Weather satellite pass</comment>\n";
    for (const std::string& extension : extensions)
        text += "    <glob pattern=\"*." + extension + "\" weight=\"" + std::to_string(PassGlobWeight) + "\"/>\n";
    return text + "  </mime-type>\n</mime-info>\n";
}

int WriteDesktopIntegration(const std::string& dataHome, const std::string& executable, const std::string& verb,
                            const std::string& extensions) {
    if (dataHome.empty() || executable.empty() || UserHidEntry(DesktopEntryPath(dataHome))) return 0;
    int written = 0;
    if (WriteWhenChanged(MimePackagePath(dataHome), MimePackageText(ExtensionList(extensions)))) ++written;
    if (WriteWhenChanged(DesktopEntryPath(dataHome), DesktopEntryText(executable, verb))) ++written;
    return written;
}

void RefreshDesktopDatabases(const std::string& dataHome) {
    StartDetached("update-desktop-database", IncludeTrailingPathDelimiter(dataHome) + "applications");
    StartDetached("update-mime-database", IncludeTrailingPathDelimiter(dataHome) + "mime");
}

void AddContextMenuCommand(const std::string& verb, const std::string& extensions) {
    const std::string dataHome = UserDataHome();
    if (WriteDesktopIntegration(dataHome, ExecutablePath(), verb, extensions) > 0) RefreshDesktopDatabases(dataHome);
}

}  // namespace kestrune
