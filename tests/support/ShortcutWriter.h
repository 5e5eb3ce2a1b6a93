// Writer of shell link files (".lnk") for the tests and fuzz seeds: the
// header, the target's item ID list, the link information with a local path,
// and the counted strings in 8-bit or UTF-16 form.
#pragma once

#include "platform/ShortcutFile.h"

#include <cstdint>
#include <vector>

namespace kestrune::testing {

std::vector<uint8_t> WriteShortcut(const TShortcutFields& fields, bool wide);

}  // namespace kestrune::testing
