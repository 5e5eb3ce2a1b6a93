// The pass loader as the fuzz targets drive it: one pass state for every
// input, as one serves every file a window opens, and an unattended run that
// never waits for an answer.
#pragma once

#include "decoding/HeadlessHost.h"
#include "decoding/PassLoader.h"

namespace kestrune::fuzz {

struct TUnattendedLoader {
    TPassState state;
    THeadlessHost host;
    TLoaderSettings settings;
    TPassLoader loader{state, host, settings};
    TUnattendedLoader() { settings.Unattended = true; }
};

}  // namespace kestrune::fuzz
