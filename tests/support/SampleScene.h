// The scene of the sample passes: a southbound NOAA pass over the British
// Isles, the North Sea and northern France on 3 May 2023 at 12:00. Each
// pixel is placed on the earth by the pass's element set, as the program
// will place it, and the land/sea mask says whether it shows land (warm,
// green) or sea (cooler, dark); made-up clouds lie on top.
#pragma once

#include "render/qelODPSdata.h"
#include "tests/support/PassFileWriter.h"
#include "tests/support/PassGeometry.h"

#include <cstdint>
#include <string>

namespace kestrune::test {

// The element set of the scene's pass for a satellite's catalogue number.
TElementLines SampleElementLines(int catalogNumber);

class TSampleScene {
public:
    TSampleScene(const std::string& maskFile, const TElementLines& elements, const THrptPassSpec& passSpec);

    // Counts of sea (285 K), land (297 K, green) and cloud (225-260 K, bright).
    uint16_t Sample(int32_t line, int channel, int32_t sample);

private:
    TODPSdata mask_;
    TPassGeometry geometry_;
};

// A pass spec whose samples show the scene (the scene is shared by its copies).
THrptPassSpec SampleScenePass(const std::string& maskFile, const TElementLines& elements, THrptPassSpec passSpec);

}  // namespace kestrune::test
