// What every fuzz target defines: the libFuzzer entry point, and a few valid
// inputs made by the test writers, from which a fuzzing run starts and which
// the ordinary build replays as a test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The ordinary build links all targets of a unit into one replay program:
// there each target's two functions take the target's name, and the target
// registers itself under it.
#ifdef KESTRUNE_FUZZ_REPLAY_NAME
#define KESTRUNE_FUZZ_JOIN_(a, b) a##b
#define KESTRUNE_FUZZ_JOIN(a, b) KESTRUNE_FUZZ_JOIN_(a, b)
#define KESTRUNE_FUZZ_TEXT_(a) #a
#define KESTRUNE_FUZZ_TEXT(a) KESTRUNE_FUZZ_TEXT_(a)
#define LLVMFuzzerTestOneInput KESTRUNE_FUZZ_JOIN(KESTRUNE_FUZZ_REPLAY_NAME, _TestOneInput)
#define FuzzSeeds KESTRUNE_FUZZ_JOIN(KESTRUNE_FUZZ_REPLAY_NAME, _Seeds)
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

std::vector<std::string> FuzzSeeds();

namespace kestrune::fuzz {

struct TFuzzTarget {
    std::string Name;
    int (*TestOneInput)(const uint8_t* data, size_t size);
    std::vector<std::string> (*Seeds)();
};

// Every target linked into this replay program, in the order they registered.
std::vector<TFuzzTarget>& ReplayTargets();

inline bool RegisterReplayTarget(TFuzzTarget target) {
    ReplayTargets().push_back(std::move(target));
    return true;
}

}  // namespace kestrune::fuzz

#ifdef KESTRUNE_FUZZ_REPLAY_NAME
namespace {
[[maybe_unused]] const bool fuzzTargetRegistered = kestrune::fuzz::RegisterReplayTarget(
    {KESTRUNE_FUZZ_TEXT(KESTRUNE_FUZZ_REPLAY_NAME), &LLVMFuzzerTestOneInput, &FuzzSeeds});
}
#endif
