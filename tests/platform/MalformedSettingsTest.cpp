// Settings files damaged by hand, by other programs or by a full disk: reading
// them never crashes, damage elsewhere never costs a value, a damaged value
// or one of the wrong type keeps its default, and the next write leaves a
// store that reads back (with each value of its own type again).
#include "platform/IniFiles.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "platform/RegistryVariables.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/SettingsStoreCheck.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace kestrune {
namespace {

using namespace std::string_literals;
using testing::TTempFolder;

constexpr unsigned Seed = 20240209;
constexpr int Variants = 120;

// A line of random bytes without line ends or the characters in banned.
std::string JunkLine(std::mt19937& random, size_t length, std::string_view banned) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string line;
    while (line.size() < length) {
        const char c = static_cast<char>(byte(random));
        if (c != '\r' && c != '\n' && banned.find(c) == std::string_view::npos) line += c;
    }
    return line;
}

// The lines with junk lines (now and then a huge one, or a lone quote) between
// them, joined with LF, CR LF or CR.
std::string WithJunk(const std::vector<std::string>& lines, std::mt19937& random, std::string_view banned) {
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<size_t> length(0, 80);
    static const char* const Ends[] = {"\n", "\r\n", "\r"};
    const char* end = Ends[kind(random) % 3];
    std::string text;
    for (const std::string& line : lines) {
        const int junk = kind(random);
        if (junk == 0) text += JunkLine(random, 300000, banned) + end;
        else if (junk == 1) text += std::string("\"unterminated") + end;
        else if (junk < 5) text += JunkLine(random, length(random), banned) + end;
        text += line + end;
    }
    return text;
}

class MalformedSettingsTest : public ::testing::Test {
protected:
    MalformedSettingsTest() { SetProgramNameOverride("kestrune"); }
    ~MalformedSettingsTest() override { SetProgramNameOverride(""); }

    TTempFolder folder;
};

const std::vector<std::string> RegistryLines = {
    "Windows Registry Editor Version 5.00",
    "[HKEY_CURRENT_USER\\Software\\Morvane\\kestrune]",
    "\"Zoom\"=dword:0000000a",
    "\"Despeckle\"=dword:00000001",
    "\"DataFolder\"=\"/srv/passes \\\"x\\\"\"",
};

struct TSettings {
    int32_t zoom;
    bool despeckle;
    std::string dataFolder;
    bool operator==(const TSettings&) const = default;
};
const TSettings Stored{10, true, "/srv/passes \"x\""};
const TSettings Defaults{-1, false, "/default"};

// Reads the three settings; when next is given, stores it as they are freed.
TSettings ReadSettings(const TSettings* next = nullptr) {
    TRegistryInteger zoom("Zoom", Defaults.zoom);
    TRegistryBoolean despeckle("Despeckle", Defaults.despeckle);
    TRegistryString dataFolder("DataFolder", Defaults.dataFolder);
    const TSettings read{zoom.Value, despeckle.Value, dataFolder.Value};
    if (next) {
        zoom.Value = next->zoom;
        despeckle.Value = next->despeckle;
        dataFolder.Value = next->dataFolder;
    }
    return read;
}

void ExpectWritesReadBack(int variant) {
    const TSettings next{variant, variant % 2 == 0, "/next/" + std::to_string(variant)};
    ReadSettings(&next);
    EXPECT_EQ(ReadSettings(), next) << "variant " << variant;
}

TEST_F(MalformedSettingsTest, RegistryJunkBetweenTheLinesCostsNoValue) {
    std::mt19937 random(Seed);
    for (int variant = 0; variant < Variants; ++variant) {
        folder.Write("config/Morvane/HKCU.reg", WithJunk(RegistryLines, random, "[\\"));
        ASSERT_EQ(ReadSettings(), Stored) << "variant " << variant;
        ExpectWritesReadBack(variant);
    }
}

TEST_F(MalformedSettingsTest, DamagedRegistryValuesKeepTheirDefaults) {
    const std::string huge(300000, '7');
    const std::vector<std::array<std::string, 3>> damaged = {
        {"\"Zoom\"=dword:", "\"Despeckle\"=dword:xyz", "\"DataFolder\"=\"/srv/passes"},
        {"\"Zoom\"=dword:123456789", "\"Despeckle\"=hex:01,00,00,00", "\"DataFolder\"=hex:2f,73"},
        {"\"Zoom\"=\"12\"", "\"Despeckle\"=\"1\"", "\"DataFolder\"=dword:00000001"},  // of the wrong type
        {"\"Zoom\"=dword:-1", "\"Despeckle\"=dword:1 0", "\"DataFolder\"=\"/srv\"junk"},
        {"\"Zoom\"=dword:" + huge, "\"Despeckle\"", "\"DataFolder\"=" + huge},
        {"\"Zoom\"=dword:0000\0" "00a"s, "Despeckle=dword:00000001", "\"DataFolder\"\"/srv\""},
        {"\"Zoom=dword:0000000a", "\"Despeckle\"=dword:0000000\\", "\"DataFolder\"=\"/srv\\"},
    };
    for (size_t variant = 0; variant < damaged.size(); ++variant) {
        std::vector<std::string> lines(RegistryLines.begin(), RegistryLines.begin() + 2);
        lines.insert(lines.end(), damaged[variant].begin(), damaged[variant].end());
        std::mt19937 random(Seed + static_cast<unsigned>(variant));
        folder.Write("config/Morvane/HKCU.reg", WithJunk(lines, random, "[\\"));
        EXPECT_EQ(ReadSettings(), Defaults) << "variant " << variant;
        ExpectWritesReadBack(static_cast<int>(variant));
    }
}

TEST_F(MalformedSettingsTest, ATruncatedRegistryFileKeepsEveryWholeLine) {
    std::string text;
    for (const std::string& line : RegistryLines) text += line + "\r\n";
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        folder.Write("config/Morvane/HKCU.reg", text.substr(0, cut));
        const auto whole = [&](size_t line) {
            return text.find(RegistryLines[line] + "\r\n") + RegistryLines[line].size() + 2 <= cut;
        };
        const TSettings read = ReadSettings();
        TSettings expected = read;  // a line cut short may read as anything
        if (whole(2)) expected.zoom = Stored.zoom;
        if (whole(3)) expected.despeckle = Stored.despeckle;
        if (whole(4)) expected.dataFolder = Stored.dataFolder;
        if (!whole(1)) expected = Defaults;
        EXPECT_EQ(read, expected) << "cut at " << cut;
    }
    ExpectWritesReadBack(0);
}

// Stores damaged at random, with the lines that once cost a value (data
// ending in "\\", continued lines before an empty one) among them: saving
// one value never changes another.
TEST_F(MalformedSettingsTest, SavingOneValueOfADamagedStoreNeverChangesAnother) {
    const std::vector<std::string> lines = {
        "Windows Registry Editor Version 5.00",
        "[HKEY_CURRENT_USER\\Software\\Morvane\\kestrune]",
        "\"Zoom\"=dword:0000000a",
        "\"Path\"=hex:41,\\ ",
        "\"Long\"=hex:41,42,\\",
        "  43,44\\\\",
        "",
        "\"Text\"=\"a \\\\\"b\\\"\"",
        "[HKEY_CURRENT_USER\\Software\\Morvane\\Quenmar\\]",
        "@=\"\\\\\"",
        "\"Next\"=dword:00000001\\",
    };
    std::mt19937 random(Seed);
    std::uniform_int_distribution<int> drop(0, 5);
    for (int variant = 0; variant < Variants; ++variant) {
        std::vector<std::string> kept;
        for (const std::string& line : lines)
            if (drop(random) != 0) kept.push_back(line);
        const std::string text = WithJunk(kept, random, "");
        EXPECT_EQ(test::CheckSavesChangeNothingElse(folder / "config/Morvane/HKCU.reg", text, static_cast<uint32_t>(random())), "")
            << "variant " << variant;
    }
}

const std::vector<std::string> IniLines = {"[Chan-1]", "Intersection=496", "Slope1=0.055091", "[Orbit]", "Name=NOAA 19"};

void ExpectIniValues(const std::string& path, int intersection, double slope, const std::string& name, int variant) {
    const TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Chan-1", "Intersection", -1), intersection) << "variant " << variant;
    EXPECT_EQ(ini.ReadFloat("Chan-1", "Slope1", -1.0), slope) << "variant " << variant;
    EXPECT_EQ(ini.ReadString("Orbit", "Name", "?"), name) << "variant " << variant;
}

void ExpectIniWritesReadBack(const std::string& path, int variant) {
    TIniFile ini(path);
    ini.WriteInteger("Chan-1", "Intersection", variant);
    ini.WriteFloat("Chan-1", "Slope1", 0.5);
    ini.WriteString("Orbit", "Name", "NOAA " + std::to_string(variant));
    ExpectIniValues(path, variant, 0.5, "NOAA " + std::to_string(variant), variant);
}

TEST_F(MalformedSettingsTest, DamagedIniValuesKeepTheirDefaults) {
    const std::string digits(300000, '1');
    const std::vector<std::array<std::string, 3>> damaged = {
        {"Intersection=4x96", "Slope1=0,055", "Name"},
        {"Intersection=99999999999", "Slope1=1e999", "[Orbit"},
        {"Intersection=" + digits, "Slope1=nan", "Name NOAA 19"},
        {"Intersection=", "Slope1=" + digits, "; Name=NOAA 19"},
        {"Intersection=4\0" "96"s, "Slope1=0.05\0" "5"s, "=NOAA 19"},
    };
    for (size_t variant = 0; variant < damaged.size(); ++variant) {
        const auto& values = damaged[variant];
        std::mt19937 random(Seed + static_cast<unsigned>(variant));
        const std::string path =
            folder.Write("NOAA-19.ini", WithJunk({"[Chan-1]", values[0], values[1], "[Orbit]", values[2]}, random, "["));
        ExpectIniValues(path, -1, -1.0, "?", static_cast<int>(variant));
        ExpectIniWritesReadBack(path, static_cast<int>(variant));
    }
}

}  // namespace
}  // namespace kestrune
