// Files the program replaces that stand beside it, or in the settings
// folder, as symbolic links to files elsewhere (a station's pass log on a
// shared disk, settings kept by a dotfile manager): each write replaces the
// file the link names, beside that file and keeping its mode, and the link
// stays; a link that names nothing that can be written is left and told.
#include "decoding/ProcessedList.h"
#include "platform/FileIO.h"
#include "platform/IniFiles.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "tests/platform/SmallDisk.h"
#include "tests/platform/TempFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using testing::TTempFolder;

// A writer of one of the files: writes a value into the file at path, the
// way the program does; what it told, "" when it wrote.
struct TKeptFileWriter {
    const char* Name;
    std::function<std::string(const std::string& path)> Write;
    const char* Written;  // what the file holds afterwards, found by its text
};

std::string WriteProcessedLine(const std::string& path) {
    SetProgramFolderOverride(ExtractFilePath(path));
    const TProcessedLineWrite written = AddProcessedLine("2023-05-03-1200-NOAA18; NOAA 18; 2023-05-03; 12:00-12:14; N");
    return written.BesideFailure;
}

std::string WriteSatelliteIni(const std::string& path) {
    try {
        TIniFile ini(path);
        ini.WriteFloat("Chan-4", "Intercept", 1.5);
    } catch (const EWriteError& error) {
        return error.what();
    }
    return {};
}

std::string WriteSetting(const std::string& path) {
    try {
        TRegistry store(path);
        store.OpenKey("\\Software\\Morvane\\Kestrune", true);
        store.WriteInteger("JpegSaveQuality", 2);
    } catch (const ERegistryException& error) {
        return error.what();
    }
    return {};
}

// As the overlay nudge memory saves itself.
std::string WriteNudgeMemory(const std::string& path) {
    try {
        WriteFileAtomically(path, "/data/2023-05-03-1200-NOAA18.raw16 2 -1 2023-05-03 12:00:00\r\n");
    } catch (const EWriteError& error) {
        return error.what();
    }
    return {};
}

const std::vector<TKeptFileWriter> Writers{
    {"processed.lst", WriteProcessedLine, "2023-05-03-1200-NOAA18; NOAA 18"},
    {"NOAA-18.ini", WriteSatelliteIni, "Intercept=1.5"},
    {"HKCU.reg", WriteSetting, "JpegSaveQuality"},
    {"mru_list.ini", WriteNudgeMemory, "2023-05-03-1200-NOAA18.raw16 2 -1"},
};

// What the link at path is made to name, from where it stands.
enum class TLinkShape { Absolute, Relative, Chain, RelativeChain, ToNothingYet, IntoMissingFolder, Loop, ToPipe };
struct TLinkCase {
    const char* What;
    TLinkShape Shape;
    bool Written;  // else left and told
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

size_t PartFiles(const std::string& folder) {
    size_t parts = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        parts += entry.path().filename().string().find(TemporaryMark) != std::string::npos;
    return parts;
}

// Makes the link of the case at link to (a file in) shared; the file it
// names in the end, "" for a link that names none.
std::string MakeLink(TLinkShape shape, const std::string& link, const std::string& shared, const std::string& name) {
    const std::string file = shared + "/" + name;
    switch (shape) {
        case TLinkShape::Absolute: fs::create_symlink(file, link); return file;
        case TLinkShape::Relative: fs::create_symlink("../shared/" + name, link); return file;
        case TLinkShape::Chain:
            fs::create_symlink(file, shared + "/current-" + name);
            fs::create_symlink(shared + "/current-" + name, link);
            return file;
        case TLinkShape::RelativeChain:
            // A dotfile manager's link to its own folder, whose link names the shared disk from there.
            fs::create_directories(shared + "/../dotfiles/station");
            fs::create_symlink("../../shared/" + name, shared + "/../dotfiles/station/" + name);
            fs::create_symlink("../dotfiles/station/" + name, link);
            return file;
        case TLinkShape::ToNothingYet: fs::remove(file); fs::create_symlink(file, link); return file;
        case TLinkShape::IntoMissingFolder: fs::create_symlink(shared + "/unmounted/" + name, link); return {};
        case TLinkShape::Loop:
            fs::create_symlink(link, shared + "/back-" + name);
            fs::create_symlink(shared + "/back-" + name, link);
            return {};
        case TLinkShape::ToPipe: fs::remove(file); mkfifo(file.c_str(), 0640); fs::create_symlink(file, link); return {};
    }
    return {};
}

TEST(WriteThroughLink, TheFileALinkNamesIsReplacedAndTheLinkStays) {
    const std::vector<TLinkCase> cases{
        {"a link to a file on a shared disk", TLinkShape::Absolute, true},
        {"a dotfile manager's relative link", TLinkShape::Relative, true},
        {"a link to a link to the file", TLinkShape::Chain, true},
        {"a relative link to a relative link in another folder", TLinkShape::RelativeChain, true},
        {"a link to a file not made yet", TLinkShape::ToNothingYet, true},
        {"a link into a disk not mounted", TLinkShape::IntoMissingFolder, false},
        {"a link to itself through another", TLinkShape::Loop, false},
        {"a link to a named pipe", TLinkShape::ToPipe, false},
    };
    for (const TKeptFileWriter& writer : Writers) {
        for (const TLinkCase& link : cases) {
            const std::string what = std::string(writer.Name) + ", " + link.What;
            TTempFolder temp;
            const std::string program = temp / "program", shared = temp / "shared";
            fs::create_directories(shared);
            // The file as the program wrote it before it was moved to the shared disk.
            const std::string before = shared + "/" + writer.Name;
            ASSERT_EQ(writer.Write(before), "") << what;
            chmod(before.c_str(), 0640);
            const std::string oldText = ReadAll(before);
            const std::string path = program + "/" + writer.Name;
            const std::string named = MakeLink(link.Shape, path, shared, writer.Name);
            const std::string linkText = fs::read_symlink(path).string();

            const std::string told = writer.Write(path);
            EXPECT_TRUE(fs::is_symlink(path)) << what;
            EXPECT_EQ(fs::read_symlink(path).string(), linkText) << what;
            EXPECT_EQ(PartFiles(program) + PartFiles(shared), 0u) << what;
            if (!link.Written) {
                EXPECT_NE(told.find(path), std::string::npos) << what << ": " << told;
                if (link.Shape == TLinkShape::ToPipe) {
                    EXPECT_TRUE(fs::is_fifo(before)) << what;
                }
                continue;
            }
            EXPECT_EQ(told, "") << what;
            const std::string text = ReadAll(named);
            EXPECT_NE(text.find(writer.Written), std::string::npos) << what << ": " << text;
            if (link.Shape == TLinkShape::ToNothingYet) continue;
            struct stat info {};
            ASSERT_EQ(stat(named.c_str(), &info), 0) << what;
            EXPECT_EQ(info.st_mode & 0777, 0640u) << what;
            // What was there stays: the old line, the other keys.
            if (std::string(writer.Name) != "mru_list.ini") {
                EXPECT_GT(text.size(), oldText.size() / 2) << what;
            }
        }
    }
}

// The same links to files on a disk of their own (a station's shared disk):
// the new file is made and named on that disk, where it can be renamed.
TEST(WriteThroughLink, AFileOnAnotherDiskIsWrittenThere) {
    SKIP_WITHOUT_SMALL_DISKS();
    for (const TKeptFileWriter& writer : Writers) {
        TTempFolder temp;
        const std::string program = temp / "program", shared = temp / "shared";
        fs::create_directories(shared);
        const std::string report = testing::RunWithSmallDisk(shared, 1 << 20, [&] {
            const std::string file = shared + "/" + writer.Name, link = program + "/" + writer.Name;
            std::string told = writer.Write(file);
            chmod(file.c_str(), 0640);
            fs::create_symlink(file, link);
            if (told.empty()) told = writer.Write(link);
            struct stat info {};
            if (!told.empty()) return "told: " + told;
            if (!fs::is_symlink(link) || fs::read_symlink(link) != file) return std::string("the link went");
            if (ReadAll(file).find(writer.Written) == std::string::npos) return "not written: " + ReadAll(file);
            if (stat(file.c_str(), &info) != 0 || (info.st_mode & 0777) != 0640) return std::string("mode not kept");
            if (PartFiles(program) + PartFiles(shared) != 0) return std::string("a part file stayed");
            return std::string();
        });
        EXPECT_EQ(report, "") << writer.Name;
    }
}

// A pass log that is a link to the station's shared log: lines of earlier
// runs stay, every run's line is added there, in order, once.
TEST(WriteThroughLink, APassLogOnASharedDiskKeepsEveryRunsLine) {
    TTempFolder temp;
    const std::string shared = temp.Write("shared/processed.lst", "2023-05-02-2300-NOAA19; NOAA 19\r\n");
    fs::create_symlink(shared, temp / "program/processed.lst");
    SetProgramFolderOverride(temp / "program");
    for (const char* line : {"2023-05-03-1200-NOAA18; NOAA 18", "2023-05-03-0100-NOAA15; NOAA 15", "2023-05-03-1200-NOAA18; NOAA 18"})
        EXPECT_EQ(AddProcessedLine(line).BesideFailure, "");
    EXPECT_EQ(ReadAll(shared),
              "2023-05-02-2300-NOAA19; NOAA 19\r\n2023-05-03-0100-NOAA15; NOAA 15\r\n2023-05-03-1200-NOAA18; NOAA 18\r\n");
    EXPECT_TRUE(fs::is_symlink(temp / "program/processed.lst"));
}

}  // namespace
}  // namespace kestrune
