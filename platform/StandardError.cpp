#include "platform/StandardError.h"

#include "platform/ProgramFolder.h"
#include "platform/ResCodePages.h"

#include <iostream>
#include <string>

namespace kestrune {

void WriteStandardErrorLine(std::string_view text) {
    std::cerr << LocaleTextFromUtf8(text) << std::endl;
}

void TellOnStandardError(std::string_view text) { WriteStandardErrorLine(ProgramName() + ": " + std::string(text)); }

}  // namespace kestrune
