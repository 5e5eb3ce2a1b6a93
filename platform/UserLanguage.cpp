#include "platform/UserLanguage.h"

namespace kestrune {

namespace {

uint32_t (*&Lookup())() {
    static uint32_t (*lookup)() = nullptr;
    return lookup;
}

}  // namespace

uint32_t UserLanguageId() { return Lookup() ? Lookup()() : 0; }

void SetUserLanguageLookup(uint32_t (*lookup)()) { Lookup() = lookup; }

}  // namespace kestrune
