// The settings store over any file: saving one value must never change
// another, nor fail to read back. The first four bytes pick the stored
// value that is changed; the rest is the store file.
#include "fuzz/FuzzTarget.h"
#include "platform/DialogService.h"
#include "tests/support/SettingsStoreCheck.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The store lives in a folder of this run's, never the user's; it goes when the run ends.
struct TWorkFolder {
    fs::path path = fs::temp_directory_path() / ("kestrune-fuzz-registry-" + std::to_string(::getpid()));
    TWorkFolder() {
        fs::create_directories(path);
        setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
        kestrune::TDialogService::Instance().SetMode(kestrune::TDialogService::Mode::Unattended);
    }
    ~TWorkFolder() { fs::remove_all(path); }
};

std::string Seed(uint32_t choice, const std::string& store) {
    std::string seed(4, '\0');
    for (int k = 0; k < 4; ++k) seed[static_cast<size_t>(k)] = static_cast<char>(choice >> (8 * k));
    return seed + store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    static const TWorkFolder work;
    const uint32_t choice = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
    const fs::path folder = work.path / "store";
    const std::string failure = kestrune::test::CheckSavesChangeNothingElse(
        (folder / "HKCU.reg").string(), std::string_view(reinterpret_cast<const char*>(data) + 4, size - 4), choice);
    fs::remove_all(folder);
    if (failure.empty()) return 0;
    std::fprintf(stderr, "%s\n", failure.c_str());
    std::abort();
}

std::vector<std::string> FuzzSeeds() {
    const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n";
    const std::string key = "[HKEY_CURRENT_USER\\Software\\Morvane\\kestrune]\r\n";
    return {
        Seed(0, header + key + "\"Zoom\"=dword:0000000a\r\n\"DataFolder\"=\"/srv/passes \\\"x\\\"\"\r\n"),
        Seed(1, header + key + "\"Path\"=hex:41,\\ \r\n\"Next\"=dword:00000001\r\n"),
        Seed(2, header + key + "\"Long\"=hex:41,42,\\\r\n  43,44\r\n\"Joined\"=hex:45,\\\\\r\n\r\n\"Last\"=\"z\"\r\n" +
                    "[HKEY_CURRENT_USER\\Software\\Morvane\\Quenmar]\r\n@=\"\"\r\n\"TwoLineDataPath\"=\"/keps\"\r\n"),
        Seed(3, std::string("\xFF\xFE[\0H\0K\0C\0U\0]\0", 14)),
    };
}
