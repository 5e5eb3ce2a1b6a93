// Writer of language files (".lng", versions 1 to 7): the build writes the
// program's native language file with it, and the tests write the files they read.
#pragma once

#include "localise/LocLangFile.h"
#include "platform/ResBytes.h"

namespace kestrune {

// The file of header.Version with header's fields and the values of one dictionary column.
TBytes WriteLangFile(const TLangFile& header, const TLocStorage& storage, int column);

}  // namespace kestrune
