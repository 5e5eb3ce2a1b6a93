// The driver of a fuzz target outside the fuzzer: replays the target's seeds
// (and any files named on the command line, such as a finding to reproduce),
// or writes the seeds into a folder to start a fuzzing run from.
#include "fuzz/FuzzTarget.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

int Run(const std::string& bytes) {
    return LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int WriteSeeds(const fs::path& folder) {
    fs::create_directories(folder);
    const std::vector<std::string> seeds = FuzzSeeds();
    for (size_t k = 0; k < seeds.size(); ++k) {
        std::ofstream out(folder / ("seed-" + std::to_string(k)), std::ios::binary | std::ios::trunc);
        out.write(seeds[k].data(), static_cast<std::streamsize>(seeds[k].size()));
        if (!out) {
            std::fprintf(stderr, "cannot write seed %zu into %s\n", k, folder.c_str());
            return 1;
        }
    }
    return 0;
}

void ReplayPath(const fs::path& path) {
    if (fs::is_directory(path)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(path))
            if (entry.is_regular_file()) Run(ReadWhole(entry.path()));
    } else {
        Run(ReadWhole(path));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--write-seeds") return WriteSeeds(argv[2]);
    for (const std::string& seed : FuzzSeeds()) Run(seed);
    for (int k = 1; k < argc; ++k) ReplayPath(argv[k]);
    return 0;
}
