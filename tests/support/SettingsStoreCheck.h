// The settings store's promise that saving one value never changes another,
// whatever the store file held before: checked by the store's fuzz target
// and by its randomised test of damaged stores.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace kestrune::test {

// Every value of the store as a reader sees it: (key path, value name), both
// in upper case as names compare without case, to the value's data.
using TStoreValues = std::map<std::pair<std::string, std::string>, std::string>;
TStoreValues StoreValues(const std::string& storeFile);

// Writes text as the store file, then saves a new value and changes one
// stored value (picked by choice); "" when each save left every other value
// as it was and read back itself, else what went wrong.
std::string CheckSavesChangeNothingElse(const std::string& storeFile, std::string_view text, uint32_t choice);

}  // namespace kestrune::test
