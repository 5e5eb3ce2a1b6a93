// The program's own resources: the resource strings with their fixed ids
// (from which the build writes the string tables and the native language
// file), and the resource image the build embeds in the executable.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kestrune {

struct TResourceString {
    uint16_t id;
    const char* unit;
    const char* name;
    const char* text;
};

// Every resource string of the program, in id order.
std::span<const TResourceString> ProgramResourceStrings();

// The embedded resource image; empty when the executable carries none.
std::string_view ProgramResourceImage();
// Called once, at start-up, by the code the build generates around the image.
void SetProgramResourceImage(std::string_view image);

}  // namespace kestrune
