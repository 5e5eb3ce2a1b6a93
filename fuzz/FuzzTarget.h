// What every fuzz target defines: the libFuzzer entry point, and a few valid
// inputs made by the test writers, from which a fuzzing run starts and which
// the ordinary build replays as a test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

std::vector<std::string> FuzzSeeds();
