// The driver of a unit's fuzz targets outside the fuzzer: replays a target's
// seeds (and any files named on the command line, such as a finding to
// reproduce), or writes every target's seeds into a corpus folder to start a
// fuzzing run from.
//   fuzz_<unit>_replay                        every target's seeds
//   fuzz_<unit>_replay <Target> [files...]    one target's seeds and the files
//   fuzz_<unit>_replay --write-seeds <folder> <folder>/<Target>/seed-N
#include "fuzz/FuzzTarget.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kestrune::fuzz {

std::vector<TFuzzTarget>& ReplayTargets() {
    static std::vector<TFuzzTarget> targets;
    return targets;
}

}  // namespace kestrune::fuzz

namespace {

namespace fs = std::filesystem;
using kestrune::fuzz::ReplayTargets;
using kestrune::fuzz::TFuzzTarget;

int Run(const TFuzzTarget& target, const std::string& bytes) {
    return target.TestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteSeeds(const TFuzzTarget& target, const fs::path& folder) {
    fs::create_directories(folder);
    const std::vector<std::string> seeds = target.Seeds();
    for (size_t k = 0; k < seeds.size(); ++k) {
        std::ofstream out(folder / ("seed-" + std::to_string(k)), std::ios::binary | std::ios::trunc);
        out.write(seeds[k].data(), static_cast<std::streamsize>(seeds[k].size()));
        if (!out) {
            std::fprintf(stderr, "cannot write seed %zu into %s\n", k, folder.c_str());
            return false;
        }
    }
    return true;
}

void ReplayPath(const TFuzzTarget& target, const fs::path& path) {
    if (fs::is_directory(path)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(path))
            if (entry.is_regular_file()) Run(target, ReadWhole(entry.path()));
    } else {
        Run(target, ReadWhole(path));
    }
}

void ReplaySeeds(const TFuzzTarget& target) {
    for (const std::string& seed : target.Seeds()) Run(target, seed);
}

const TFuzzTarget* FindTarget(const std::string& name) {
    const auto& targets = ReplayTargets();
    const auto found = std::find_if(targets.begin(), targets.end(), [&](const TFuzzTarget& t) { return t.Name == name; });
    return found == targets.end() ? nullptr : &*found;
}

int Usage() {
    std::fprintf(stderr, "usage: replay [<target> [files...]] | --write-seeds <folder>\ntargets:");
    for (const TFuzzTarget& target : ReplayTargets()) std::fprintf(stderr, " %s", target.Name.c_str());
    std::fprintf(stderr, "\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 1) {
        for (const TFuzzTarget& target : ReplayTargets()) ReplaySeeds(target);
        return 0;
    }
    const std::string first = argv[1];
    if (first == "--write-seeds") {
        if (argc != 3) return Usage();
        for (const TFuzzTarget& target : ReplayTargets())
            if (!WriteSeeds(target, fs::path(argv[2]) / target.Name)) return 1;
        return 0;
    }
    const TFuzzTarget* target = FindTarget(first);
    if (!target) return Usage();
    ReplaySeeds(*target);
    for (int k = 2; k < argc; ++k) ReplayPath(*target, argv[k]);
    return 0;
}
