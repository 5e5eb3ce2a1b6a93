// The program's own resources: the resource strings with their fixed ids
// (from which the build writes the string tables and the native language
// file), and the resource image the build embeds in the executable.
#pragma once

#include "platform/ProgramStrings.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kestrune {

// Ids of the resource strings the localisation library raises its errors with.
namespace res {
constexpr uint16_t SInvalidIndex = 65201;
constexpr uint16_t SWrongStreamFormat = 65204;
constexpr uint16_t SInvalidQLangs = 65216;
constexpr uint16_t SNoRCDataBlock = 65217;
constexpr uint16_t SMapViewFailed = 65219;
constexpr uint16_t SUnrecognizedFormat = 65220;
constexpr uint16_t SNotPEFile = 65221;
constexpr uint16_t SNoResources = 65222;
constexpr uint16_t SNotAList = 65223;
constexpr uint16_t SCannotAddLanguage = 65224;
constexpr uint16_t SCannotRemoveLanguage = 65225;
constexpr uint16_t SEmptyDictionary = 65226;
constexpr uint16_t SInvalidFileFormat = 65228;
constexpr uint16_t SNewerVersion = 65229;
constexpr uint16_t SInvalidNativeDLL = 65230;
constexpr uint16_t SInvalidLocStorage = 65231;

}  // namespace res

// Every resource string of the program (its own texts and the library's), in id order.
std::span<const TResourceString> ProgramResourceStrings();

// The text of a resource string ("" for an unknown id).
std::string ResourceText(uint16_t id);
// The text of one of the library's own resource strings in the language in effect.
std::string LibraryText(uint16_t id);

// The embedded resource image; empty when the executable carries none.
std::string_view ProgramResourceImage();
// Called once, at start-up, by the code the build generates around the image.
void SetProgramResourceImage(std::string_view image);

}  // namespace kestrune
