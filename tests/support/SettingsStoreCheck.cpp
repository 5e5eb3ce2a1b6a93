#include "tests/support/SettingsStoreCheck.h"

#include "platform/FileIO.h"
#include "platform/Registry.h"

#include <filesystem>
#include <functional>
#include <iterator>

namespace kestrune::test {

namespace {

void AddKeyValues(const std::string& storeFile, const std::string& path, TStoreValues& values) {
    TRegistry registry(storeFile);
    if (!registry.OpenKey("\\" + path, false)) return;
    for (const std::string& name : registry.GetValueNames())
        values[{UpperCase(path), UpperCase(name)}] = registry.ReadData(name);
    for (const std::string& key : registry.GetKeyNames())
        AddKeyValues(storeFile, path.empty() ? key : path + "\\" + key, values);
}

// Runs save on the key; "" when only the value saved changed and it reads back as read says.
std::string CheckOneSave(const std::string& storeFile, const std::string& key, const std::string& name,
                         const std::function<void(TRegistry&)>& save,
                         const std::function<bool(const TRegistry&)>& readsBack) {
    TStoreValues expected = StoreValues(storeFile);
    TRegistry registry(storeFile);
    if (!registry.OpenKey("\\" + key, true)) return "the key " + key + " could not be opened";
    save(registry);
    if (!readsBack(registry)) return "the value " + name + " in " + key + " did not read back";
    TStoreValues after = StoreValues(storeFile);
    const std::pair saved{UpperCase(key), UpperCase(name)};
    expected[saved] = after[saved];
    if (after == expected) return {};
    for (const auto& [value, data] : expected)
        if (after.count(value) == 0 || after[value] != data)
            return "saving " + saved.second + " in " + saved.first + " changed " + value.second + " in " + value.first;
    return "saving " + saved.second + " in " + saved.first + " added a value";
}

}  // namespace

TStoreValues StoreValues(const std::string& storeFile) {
    TStoreValues values;
    AddKeyValues(storeFile, "", values);
    return values;
}

std::string CheckSavesChangeNothingElse(const std::string& storeFile, std::string_view text, uint32_t choice) {
    std::filesystem::create_directories(std::filesystem::path(storeFile).parent_path());
    WriteFileAtomically(storeFile, text);
    const std::string key = "Software\\Morvane\\kestrune";
    std::string failure = CheckOneSave(
        storeFile, key, "Saved", [](TRegistry& registry) { registry.WriteInteger("Saved", -5); },
        [](const TRegistry& registry) { return registry.ReadInteger("Saved") == -5; });
    if (!failure.empty()) return failure;
    const TStoreValues stored = StoreValues(storeFile);
    auto picked = stored.begin();
    std::advance(picked, static_cast<long>(choice % stored.size()));
    // Named references, not a structured binding: the lambdas below capture them (clang refuses bindings).
    const auto& pickedKey = picked->first.first;
    const auto& pickedName = picked->first.second;
    const std::string changed = "changed \\ \"" + std::to_string(choice) + "\"\\";
    return CheckOneSave(
        storeFile, pickedKey, pickedName, [&](TRegistry& registry) { registry.WriteString(pickedName, changed); },
        [&](const TRegistry& registry) { return registry.ReadString(pickedName) == changed; });
}

}  // namespace kestrune::test
