// The namespace over a folder of 5,000 passes (a busy month of a receiving
// station's archive): enumerating, sorting by name and asking attributes.
#include "platform/ShellNamespace.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using namespace kestrune;

std::string ArchiveFolder() {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrune-bench-XXXXXX").string();
        const std::string made = mkdtemp(pattern.data());
        for (int i = 0; i < 5000; ++i) std::ofstream(made + "/N19_" + std::to_string(100000 + i * 7919 % 100000) + ".hpt") << "x";
        return made;
    }();
    return folder;
}

void EnumerateAndSort(benchmark::State& state) {
    const auto folder = BindAbsolute(*IdListFromPath(ArchiveFolder()));
    for (auto _ : state) {
        std::unique_ptr<IEnumIdList> items;
        folder->EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items);
        std::vector<TItemIdList> lists;
        for (TItemIdList item; items->Next(item) == ole::S_OK;) lists.push_back(item);
        std::sort(lists.begin(), lists.end(), [&](const TItemIdList& a, const TItemIdList& b) {
            return CompareResult(folder->CompareIDs(0, a, b)) < 0;
        });
        benchmark::DoNotOptimize(lists.data());
    }
}
BENCHMARK(EnumerateAndSort)->Unit(benchmark::kMillisecond);

void Attributes(benchmark::State& state) {
    const auto folder = BindAbsolute(*IdListFromPath(ArchiveFolder()));
    std::unique_ptr<IEnumIdList> items;
    folder->EnumObjects(SHCONTF_NONFOLDERS, items);
    std::vector<TItemIdList> lists;
    for (TItemIdList item; items->Next(item) == ole::S_OK;) lists.push_back(item);
    for (auto _ : state) {
        for (const TItemIdList& item : lists) {
            uint32_t mask = 0x740F2037u | SFGAO_STREAM;
            folder->GetAttributesOf(std::span<const TItemIdList>(&item, 1), mask);
            benchmark::DoNotOptimize(mask);
        }
    }
}
BENCHMARK(Attributes)->Unit(benchmark::kMillisecond);

}  // namespace
