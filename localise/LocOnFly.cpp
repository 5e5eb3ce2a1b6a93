#include "localise/LocOnFly.h"

#include "localise/LocResources.h"
#include "localise/LocUtils.h"
#include "localise/QLocales.h"
#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"

#include <algorithm>
#include <filesystem>

namespace kestrune {

namespace {

namespace fs = std::filesystem;

constexpr uint16_t SLangFileNotFound = 65243;
constexpr uint16_t SNotInitialized = 65245;
constexpr uint16_t SLanguageNotFound = 65246;
constexpr uint16_t SCannotDeleteFile = 65247;
constexpr const char* NativeExtension = "ntv";

bool IsNativeExtension(const std::string& extension) { return SameText(extension, "exe") || SameText(extension, NativeExtension); }

[[noreturn]] void Fail(uint16_t id, const std::string& argument = {}) { throw ELocOnFlyError(FormatRes(resStr(id), argument)); }

// The folder's entry named like name without regard to case; "" when none.
std::string FindNoCase(const std::string& folder, const std::string& name) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (SameText(entry.path().filename().string(), name)) return entry.path().string();
    return {};
}

}  // namespace

std::string LanguageFilePath(const std::string& extension) {
    const std::string name = ProgramName() + "." + extension + ".lng";
    const std::string exact = ProgramFolder() + name;
    if (FileExists(exact)) return exact;
    const std::string other = FindNoCase(ProgramFolder(), name);
    return other.empty() ? exact : other;
}

std::string LanguageLibraryName(uint16_t languageId) { return ProgramName() + "." + GetLocaleAbbrevName(languageId); }

TQLocalizerOnFly& TQLocalizerOnFly::Instance() {
    static TQLocalizerOnFly localizer;
    return localizer;
}

void TQLocalizerOnFly::Reset() {
    TQLocUtils::Instance().RestoreModuleResources();
    Storage = TLocStorage();
    Languages.clear();
    CurrentLanguage = PreviousLanguage = 0;
    CurrentColumn = 0;
    busy_ = true;
    initialized_ = false;
}

template <class F>
void TQLocalizerOnFly::Guarded(F&& operation) {
    try {
        operation();
    } catch (const std::exception& error) {
        if (!ShowErrors) throw;
        if (ShowError) ShowError(error.what());
        else TDialogService::Instance().ShowMessage(error.what(), "Localizer Error", TMsgDlgType::mtError);
    }
}

void TQLocalizerOnFly::InitLocalizer(const std::string& registryKey) {
    registryKey_ = registryKey.empty() ? "Software\\Borland\\Locales" : registryKey;
    registryValue_ = registryKey.empty() ? ExecutablePath() : "LocalizerExt";
    busy_ = true;
    Guarded([&] {
        ScanLanguageFiles();
        LoadNativeLanguage();
        const std::string saved = SavedExtension();
        LoadStartupLibrary(saved);
        TQLocUtils& utils = TQLocUtils::Instance();
        if (!utils.CheckResourceVersion()) utils.RestoreModuleResources();
        CurrentLanguage = static_cast<uint16_t>(utils.GetResourceInfo().LanguageId);
        CurrentColumn = FindLanguageColumn(CurrentLanguage);
        initialized_ = true;
        // A first start (nothing stored) keeps the native language without a word.
        if (!saved.empty()) SwitchToExtension(saved);
    });
    busy_ = false;
}

void TQLocalizerOnFly::LoadNativeLanguage() {
    const std::string path = LanguageFilePath(NativeExtension);
    if (!FileExists(path)) Fail(SLangFileNotFound, path);
    TLangFile native(path);
    native.ReadBody(&Storage, -1);
    Storage.SetNativeLanguage(native.LanguageId);
    NativeIsEnglish = PrimaryLanguage(native.LanguageId) == 9;
    UseBiDiMode = native.HasOption(LangOptionBiDiMode);
}

void TQLocalizerOnFly::ScanLanguageFiles() {
    Languages.clear();
    const std::string prefix = ProgramName() + ".";
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(ProgramFolder(), error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(prefix) || name.size() <= prefix.size() + 4 || !SameText(name.substr(name.size() - 4), ".lng"))
            continue;
        try {
            const TLangFile file(entry.path().string());
            auto it = std::find_if(Languages.begin(), Languages.end(), [&](const TLFInfo& i) { return i.LanguageId == file.LanguageId; });
            if (it != Languages.end()) {
                it->EnglishName = file.EnglishName;
            } else {
                TLFInfo info;
                info.LanguageId = file.LanguageId;
                info.EnglishName = file.EnglishName;
                info.NativeName = file.NativeName;
                it = Languages.insert(std::upper_bound(Languages.begin(), Languages.end(), info,
                                                       [](const TLFInfo& a, const TLFInfo& b) { return a.EnglishName < b.EnglishName; }),
                                      info);
            }
            it->FileName = name;
            it->IsNative = file.IsNative;
            it->Stamp = file.Stamp;
            it->SecondStamp = file.SecondStamp;
        } catch (const std::exception&) {
            // A damaged or too new file is left out of the menu.
        }
    }
}

// What the start-up does before the switcher runs: the stored language's library, when it exists, is taken into use.
void TQLocalizerOnFly::LoadStartupLibrary(const std::string& extension) {
    if (extension.empty() || IsNativeExtension(extension)) return;
    const std::string library = ReadableProgramFile(ProgramName() + "." + extension);
    if (!FileExists(library)) return;
    TQLocUtils& utils = TQLocUtils::Instance();
    try {
        utils.SetResourceModule(utils.LoadResourceDLL(library));
    } catch (const std::exception&) {
        utils.RestoreModuleResources();
    }
}

std::string TQLocalizerOnFly::SavedExtension() const {
    TRegistry registry;
    return registry.OpenKeyReadOnly(registryKey_) ? registry.ReadString(registryValue_) : std::string();
}

void TQLocalizerOnFly::SaveLanguageChoice() const {
    TRegistry registry;
    if (!registry.OpenKey(registryKey_, true)) return;
    registry.WriteString(registryValue_, CurrentLanguage == GetNativeLanguage() ? "EXE" : GetLocaleAbbrevName(CurrentLanguage));
}

uint16_t TQLocalizerOnFly::GetNativeLanguage() const {
    const auto it = std::find_if(Languages.begin(), Languages.end(), [](const TLFInfo& i) { return i.IsNative; });
    return it == Languages.end() ? 0 : it->LanguageId;
}

int TQLocalizerOnFly::IndexOf(uint16_t languageId) const {
    const auto it = std::find_if(Languages.begin(), Languages.end(), [&](const TLFInfo& i) { return i.LanguageId == languageId; });
    return it == Languages.end() ? -1 : static_cast<int>(it - Languages.begin());
}

const std::u16string& TQLocalizerOnFly::CurrentText(const TLocItem& item) const {
    const auto column = static_cast<size_t>(std::max(CurrentColumn, 0));
    if (column >= item.Values.size()) return item.Values.at(0).Text;
    const TLocValue& value = item.Values[column];
    if (value.Stamp != item.Values[0].Stamp && !UseOutdatedTranslations) return item.Values[0].Text;
    return value.Text;
}

void TQLocalizerOnFly::SwitchToExtension(const std::string& extension) {
    Guarded([&] {
        if (!initialized_) Fail(SNotInitialized);
        if (IsNativeExtension(extension)) SwitchLanguage(GetNativeLanguage(), NativeExtension);
        else SwitchLanguage(AbbrevNameToLocale(extension), extension);
    });
}

void TQLocalizerOnFly::SwitchToLanguage(uint16_t languageId) {
    Guarded([&] {
        if (!initialized_) Fail(SNotInitialized);
        const bool nativeWithoutEntry = languageId == GetNativeLanguage() && IndexOf(languageId) < 0;
        SwitchLanguage(languageId, nativeWithoutEntry ? std::string(NativeExtension) : GetLocaleAbbrevName(languageId));
    });
}

void TQLocalizerOnFly::SwitchLanguage(uint16_t languageId, std::string extension) {
    PreviousLanguage = CurrentLanguage;
    if (OnBeforeTranslate && !busy_) OnBeforeTranslate();
    for (;;) {
        const std::string file = LanguageFilePath(extension);
        if (FileExists(file)) {
            LoadLanguageFile(file);
            break;
        }
        if (languageId == GetNativeLanguage() && extension != NativeExtension) {
            extension = NativeExtension;
            continue;
        }
        Fail(SLanguageNotFound, GetLocaleEnglishName(languageId));
    }
    const int index = IndexOf(languageId);
    if (index >= 0 && OnAfterTranslate && !busy_) OnAfterTranslate(Languages[static_cast<size_t>(index)]);
}

void TQLocalizerOnFly::LoadLanguageFile(const std::string& fileName) {
    TLangFile file(fileName);
    ApplyLanguage(file);
}

// Takes the library at path into use when it was built from this very file; a damaged one counts as out of date.
bool TQLocalizerOnFly::TakeLibraryIntoUse(const std::string& path, const TLangFile& file) {
    TQLocUtils& utils = TQLocUtils::Instance();
    try {
        if (FileExists(path) && utils.GetResourceInfo().LanguageId != file.LanguageId)
            utils.SetResourceModule(utils.LoadResourceDLL(path));
        const TDLLInfoItem info = utils.GetResourceInfo();
        if (info.LanguageId == file.LanguageId && info.Stamp == file.Stamp && info.SecondStamp == file.SecondStamp)
            return true;
    } catch (const ELocUtilsError&) {
    }
    utils.RestoreModuleResources();
    return false;
}

void TQLocalizerOnFly::ApplyLanguage(TLangFile& file) {
    TQLocUtils& utils = TQLocUtils::Instance();
    const uint16_t language = file.LanguageId;
    const bool native = language == GetNativeLanguage();
    const std::string libraryName = LanguageLibraryName(language);
    const bool upToDate = TakeLibraryIntoUse(native ? std::string() : ReadableProgramFile(libraryName), file);
    if (!(upToDate && busy_)) {
        CurrentColumn = Storage.IndexOfLanguage(language);
        if (CurrentColumn < 0) {
            CurrentColumn = Storage.AddLanguage(0, language);
            file.ReadBody(&Storage, CurrentColumn);
            UseOutdatedTranslations = file.HasOption(LangOptionUseOutdated);
        }
    }
    if (!upToDate && !native) {
        const std::string library = WritableProgramFile(libraryName);
        std::error_code error;
        fs::remove(library, error);
        if (FileExists(library)) Fail(SCannotDeleteFile, library);
        file.Column = CurrentColumn;
        file.CreateLanguageDLL(ProgramResourceImage(), library, NativeIsEnglish, Storage, {});
        utils.SetResourceModule(utils.LoadResourceDLL(library));
    }
    Storage.CurrentColumn = CurrentColumn;
    CurrentLanguage = static_cast<uint16_t>(utils.GetResourceInfo().LanguageId);
    if (TranslateOpenForms) TranslateOpenForms();
    SaveLanguageChoice();
}

int TQLocalizerOnFly::FindLanguageColumn(uint16_t languageId) {
    int column = Storage.IndexOfLanguage(languageId);
    if (column >= 0) return column;
    const std::string path = LanguageFilePath(GetLocaleAbbrevName(languageId));
    if (!FileExists(path)) return -1;
    TLangFile file(path);
    column = Storage.AddLanguage(0, languageId);
    file.ReadBody(&Storage, column);
    UseOutdatedTranslations = file.HasOption(LangOptionUseOutdated);
    return column;
}

}  // namespace kestrune
