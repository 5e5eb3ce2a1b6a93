// What the end-to-end tests share: the built kestrune program run, as a
// receiving station runs it, on a written pass in a folder of the test's
// own: a link to the executable (so the program folder is the test's), its
// own settings and data folders.
#pragma once

#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "platform/SysUtils.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/PassFileWriter.h"
#include "tests/support/SpawnProgram.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace kestrune::testing {

namespace fs = std::filesystem;
using std::chrono::steady_clock;

inline constexpr int32_t PassLines = 240;

inline constexpr int32_t PassWidth = 2048;
inline constexpr const char* PassName = "230503_1200_noaa18.wsd";
inline constexpr const char* Base = "230503_1200_noaa18";
inline constexpr auto RunLimit = std::chrono::seconds(60);

// Counts of a clear sea warming from 278 K at the left edge to 298 K at the right.
inline uint16_t SeaSample(int32_t line, int channel, int32_t sample) {
    const double t4 = 278 + 20.0 * sample / PassWidth + 0.002 * line;
    const auto count = [](double value) { return static_cast<uint16_t>(std::clamp(std::lround(value), 0L, 1023L)); };
    switch (channel) {
        case 1: return 100;
        case 2: return 80;
        case 3: return count(726 + (290 - (t4 + 2)) * 2.5);
        case 4: return count(391 + (290 - t4) * 4.3);
        default: return count(387 + (290 - (t4 - 1.0)) * 4.3);
    }
}

struct TRunResult {
    int Status = -1;
    bool Stopped = false;  // still running when the test stopped it
};

class TEndToEndRun : public ::testing::Test {
protected:
    void SetUp() override {
        fs::permissions(folder / "runtime", fs::perms::owner_all, fs::perm_options::replace);
        for (const char* variable : DisplayVariables) {
            const char* value = std::getenv(variable);
            keptDisplay.emplace_back(variable, value ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        program = folder / "program/kestrune";
        const fs::path built = fs::path(ExecutablePath()).parent_path() / ".." / "app" / "kestrune";
        std::error_code error;
        fs::create_hard_link(built, program, error);
        if (error) fs::copy_file(built, program);
        fs::create_directories(folder / "data");
        fs::create_directories(folder / "out");
        const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
        pass = Data(PassName);
        passSpec.Samples = SeaSample;
        test::WriteFileBytes(pass, test::BuildWsdFile(passSpec, PassLines, set.Line1, set.Line2));
    }

    // A test may take the display away: the next finds it as it was.
    void TearDown() override {
        for (const auto& [variable, value] : keptDisplay) {
            if (value) setenv(variable, value->c_str(), 1);
            else unsetenv(variable);
        }
    }

    std::string Data(const std::string& name) const { return folder / ("data/" + name); }
    std::string Out(const std::string& name) const { return folder / ("out/" + name); }

    // Runs the program with the pass and items; stopWhen ends it early.
    TRunResult Run(std::vector<std::string> items, const std::function<bool()>& stopWhen = {}) {
        items.insert(items.begin(), pass);
        return RunWith(items, stopWhen);
    }

    TRunResult RunWith(const std::vector<std::string>& params, const std::function<bool()>& stopWhen = {}) {
        std::vector<std::string> words{program};
        words.insert(words.end(), params.begin(), params.end());
        const pid_t pid = test::SpawnProgram(words, folder / "program.log");
        if (pid < 0) return {};
        const auto deadline = steady_clock::now() + RunLimit;
        for (;;) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid)
                return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), false};
            if ((stopWhen && stopWhen()) || steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                return {-1, true};
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    static std::set<std::string> Files(const std::string& path) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(path)) names.insert(entry.path().filename().string());
        return names;
    }

    static std::set<std::string> Named(std::initializer_list<std::string> suffixes) {
        std::set<std::string> names;
        for (const std::string& suffix : suffixes) names.insert(Base + suffix);
        return names;
    }

    static bool IsBmp(const std::string& file) { return TTempFolder::Read(file).substr(0, 2) == "BM"; }
    static bool IsJpeg(const std::string& file) { return TTempFolder::Read(file).substr(0, 2) == "\xFF\xD8"; }
    static int32_t BmpWidth(const std::string& file) {
        const std::string bytes = TTempFolder::Read(file);
        if (bytes.size() < 22) return 0;
        return static_cast<int32_t>(static_cast<uint8_t>(bytes[18]) | static_cast<uint8_t>(bytes[19]) << 8);
    }
    static bool SameContent(const std::string& a, const std::string& b) {
        return TTempFolder::Read(a) == TTempFolder::Read(b);
    }

    static TRegistry ProgramKey() {
        TRegistry registry;
        registry.OpenKey("\\Software\\Morvane\\kestrune", true);
        return registry;
    }

    std::string Log() const { return TTempFolder::Read(folder / "program.log"); }

    // As installed, with its help and language files, the program starts without a warning of its own.
    void InstallHelpAndLanguage() const {
        const fs::path built = fs::path(ExecutablePath()).parent_path() / ".." / "app";
        for (const char* installed : {"help", "kestrune.ntv.lng"})
            fs::copy(built / installed, folder / ("program/" + std::string(installed)),
                     fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }

    TTempFolder folder;
    std::string program;
    std::string pass;
    test::THrptPassSpec passSpec;

private:
    static constexpr const char* DisplayVariables[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};
    std::vector<std::pair<const char*, std::optional<std::string>>> keptDisplay;
};

// What an unattended run says on standard error, or a text file holds, line
// by line (without the CR of a CR LF).
inline std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

inline long LinesHolding(const std::vector<std::string>& lines, const std::string& text) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

}  // namespace kestrune::testing
