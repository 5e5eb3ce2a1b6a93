#include "localise/LocOnFly.h"

#include "localise/LocLangPack.h"
#include "localise/LocResources.h"
#include "localise/LocUtils.h"
#include "localise/QLocales.h"
#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramStrings.h"
#include "platform/Registry.h"
#include "platform/RegistryVariables.h"
#include "platform/ResCodePages.h"

#include <algorithm>
#include <filesystem>

namespace kestrune {

namespace {

namespace fs = std::filesystem;

constexpr uint16_t SLangFileNotFound = 65243;
constexpr uint16_t SPathNotFound = 65244;
constexpr uint16_t SNotInitialized = 65245;
constexpr uint16_t SLanguageNotFound = 65246;
constexpr uint16_t SCannotDeleteFile = 65247;
constexpr const char* NativeExtension = "ntv";

bool IsNativeExtension(const std::string& extension) { return SameText(extension, "exe") || SameText(extension, NativeExtension); }

[[noreturn]] void Fail(uint16_t id, const std::string& argument = {}) { throw ELocOnFlyError(FormatRes(LibraryText(id), argument)); }

// The folder's entry named like name without regard to case; "" when none.
std::string FindNoCase(const std::string& folder, const std::string& name) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (SameText(entry.path().filename().string(), name)) return entry.path().string();
    return {};
}

// Runs read on a language file; a damage it finds is told with the file's name.
template <typename TRead>
auto NamingTheFile(const std::string& fileName, TRead&& read) {
    try {
        return read();
    } catch (const ELangFileError& error) {
        throw ELangFileError(std::string(error.what()) + ": " + fileName);
    }
}

TLanguagePack ProgramPack() { return TLanguagePack(TQLocUtils::Instance().ProgramModule().RCDataItem(LanguagePackName)); }

// The language file of a pack entry, its header read.
TLangFile PackLanguageFile(const TLanguagePack& pack, size_t index) {
    TLangFile file;
    file.Contents = pack.LanguageFile(index);
    file.ReadLangFileHeader(file.Contents);
    return file;
}

uint16_t LanguageOf(const TResModule& module) { return static_cast<uint16_t>(module.ReadSettings(true).LanguageId); }

// The library the stored choice names, when it exists and fits the program; nullptr: the program's own resources.
std::shared_ptr<const TResModule> StartupLibrary(const std::string& extension) {
    if (extension.empty() || IsNativeExtension(extension)) return nullptr;
    const std::string library = ReadableProgramFile(ProgramName() + "." + extension);
    if (!FileExists(library)) return nullptr;
    try {
        return TQLocUtils::Instance().LoadResourceDLL(library);
    } catch (const std::exception&) {
        return nullptr;  // a damaged library is built again when its language is chosen
    }
}

}  // namespace

std::string LanguageCaption(const TLFInfo& language, bool nativeShown) {
    if (!nativeShown && !language.NativeName.empty()) return Utf16ToUtf8(language.NativeName);
    return language.EnglishName.empty() ? GetLocaleEnglishName(language.LanguageId) : language.EnglishName;
}

std::string LanguageLibraryName(uint16_t languageId) { return ProgramName() + "." + GetLocaleAbbrevName(languageId); }

TQLocalizerOnFly& TQLocalizerOnFly::Instance() {
    static TQLocalizerOnFly localizer;
    return localizer;
}

TQLocalizerOnFly::~TQLocalizerOnFly() { Close(); }

void TQLocalizerOnFly::Close() {
    if (destroying_) return;
    destroying_ = true;
    if (!initialized_ || !DeleteOldLibraries) return;
    try {
        SwitchLanguage(GetNativeLanguage(), NativeExtension);
    } catch (...) {
        // The run ends all the same.
    }
}

void TQLocalizerOnFly::Reset() {
    TQLocUtils::Instance().RestoreModuleResources();
    Storage = TLocStorage();
    Languages.clear();
    CurrentLanguage = PreviousLanguage = 0;
    CurrentColumn = 0;
    NoResourceLibrary = SetFontCharsets = KeepOneTranslation = DeleteOldLibraries = false;
    busy_ = true;
    initialized_ = destroying_ = nativeRead_ = false;
    nativeFault_.clear();
    folder_.clear();
    expandedFolder_.clear();
}

template <class F>
void TQLocalizerOnFly::Guarded(F&& operation) {
    try {
        operation();
    } catch (const std::exception& error) {
        if (!ShowErrors) throw;
        if (ShowError) ShowError(error.what());
        else TDialogService::Instance().ShowMessage(error.what(), resStr(res::SLocalizerErrorCaption), TMsgDlgType::mtError);
    }
}

// ---- start ------------------------------------------------------------------------------

void TQLocalizerOnFly::InitLocalizer(const std::string& registryKey, const std::string& languageFolder) {
    registryKey_ = registryKey.empty() ? "Software\\Borland\\Locales" : registryKey;
    registryValue_ = registryKey.empty() ? ExecutablePath() : "LocalizerExt";
    busy_ = true;
    try {
        Guarded([&] {
            SetLanguageFolderNow(languageFolder.empty() ? ProgramFolder() : languageFolder);
            LoadNativeLanguage();
        });
        if (!nativeRead_) AddProgramLanguage();
        // Without the native texts no translation can be read against them: the stored choice waits.
        const std::string saved = nativeRead_ ? SavedExtension() : std::string();
        bool started = false;
        Guarded([&] {
            StartInLanguageOfResources(saved);
            started = true;
        });
        // Whatever failed above, the program goes on in its own language with a working menu.
        initialized_ = true;
        // A first start (nothing stored) keeps the native language without a word.
        if (started && !saved.empty()) SwitchToExtension(saved);
    } catch (...) {
        busy_ = false;
        throw;
    }
    busy_ = false;
}

void TQLocalizerOnFly::SetLanguageFolder(const std::string& folder) {
    Guarded([&] { SetLanguageFolderNow(folder); });
}

void TQLocalizerOnFly::SetLanguageFolderNow(const std::string& folder) {
    if (!expandedFolder_.empty() && folder == folder_) return;
    fs::path expanded = fs::path(ProgramFolder()) / folder;
    expanded = expanded.lexically_normal();
    std::error_code error;
    if (!fs::is_directory(expanded, error)) Fail(SPathNotFound, expanded.string());
    folder_ = folder;
    expandedFolder_ = (expanded / "").string();
    ScanLanguageFiles();
}

std::string TQLocalizerOnFly::LanguageFilePath(const std::string& extension) const {
    const std::string folder = expandedFolder_.empty() ? ProgramFolder() : expandedFolder_;
    const std::string name = ProgramName() + "." + extension + ".lng";
    const std::string exact = folder + name;
    if (FileExists(exact)) return exact;
    const std::string other = FindNoCase(folder, name);
    return other.empty() ? exact : other;
}

void TQLocalizerOnFly::ScanLanguageFiles() {
    Languages.clear();
    const std::string prefix = ProgramName() + ".";
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(expandedFolder_, error)) {
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
                it = InsertByName(std::move(info));
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

std::vector<TLFInfo>::iterator TQLocalizerOnFly::InsertByName(TLFInfo info) {
    const auto at = std::upper_bound(Languages.begin(), Languages.end(), info,
                                     [](const TLFInfo& a, const TLFInfo& b) { return a.EnglishName < b.EnglishName; });
    return Languages.insert(at, std::move(info));
}

// The native texts from the native file, else from the pack's first language.
void TQLocalizerOnFly::LoadNativeLanguage() {
    try {
        ReadNativeTexts();
    } catch (const std::exception& error) {
        nativeFault_ = error.what();
        throw;
    }
}

void TQLocalizerOnFly::ReadNativeTexts() {
    const std::string path = LanguageFilePath(NativeExtension);
    const bool hasFile = FileExists(path);
    if (hasFile) {
        NamingTheFile(path, [&] {
            TLangFile native(path);
            ReadNative(native);
        });
    }
    const TLanguagePack pack = ProgramPack();
    AddPackLanguages(pack);
    if (!hasFile && !pack.Entries().empty()) {
        TLangFile native = PackLanguageFile(pack, 0);
        ReadNative(native);
        UseOutdatedTranslations = native.HasOption(LangOptionUseOutdated);
    }
    if (!nativeRead_) Fail(SLangFileNotFound, path);
}

void TQLocalizerOnFly::ReadNative(TLangFile& file) {
    file.ReadBody(&Storage, -1);
    Storage.SetNativeLanguage(file.LanguageId);
    NativeIsEnglish = PrimaryLanguage(file.LanguageId) == 9;
    UseBiDiMode = file.HasOption(LangOptionBiDiMode);
    nativeRead_ = true;
}

// The pack's languages that no file offers; the first is the native one.
void TQLocalizerOnFly::AddPackLanguages(const TLanguagePack& pack) {
    for (size_t i = 0; i < pack.Entries().size(); ++i) {
        const TPackEntry& entry = pack.Entries()[i];
        if (IndexOf(entry.LanguageId) >= 0) continue;
        TLFInfo info;
        info.IsNative = i == 0;
        info.FromPack = true;
        info.LanguageId = entry.LanguageId;
        info.EnglishName = entry.EnglishName;
        info.NativeName = entry.NativeName;
        info.Stamp = entry.Stamp;
        info.SecondStamp = entry.SecondStamp;
        InsertByName(std::move(info));
    }
}

// Without its native texts the program still offers its own language, named by its resources.
void TQLocalizerOnFly::AddProgramLanguage() {
    Storage.ClearTree();
    try {
        const TDLLInfoItem own = TQLocUtils::Instance().ProgramModule().ReadSettings(true);
        std::erase_if(Languages, [&](const TLFInfo& i) { return i.LanguageId == own.LanguageId; });
        TLFInfo info;
        info.IsNative = true;
        info.LanguageId = static_cast<uint16_t>(own.LanguageId);
        info.EnglishName = own.AnsiName;
        info.NativeName = own.WideName;
        info.Stamp = own.Stamp;
        InsertByName(std::move(info));
        Storage.SetNativeLanguage(static_cast<uint16_t>(own.LanguageId));
    } catch (const std::exception&) {
        // A program without resources of its own has no language to offer.
    }
}

// The language of the resources to start with: the stored language's library
// when it exists, fits and its texts were read into the dictionary; else (and
// on any failure) the program's own.
void TQLocalizerOnFly::StartInLanguageOfResources(const std::string& saved) {
    TQLocUtils& utils = TQLocUtils::Instance();
    try {
        std::shared_ptr<const TResModule> library = StartupLibrary(saved);
        uint16_t language = LanguageOf(library ? *library : utils.ProgramModule());
        CurrentColumn = FindLanguageColumn(language);
        // A library whose language file is gone would speak in messages what no window shows.
        if (library && CurrentColumn < 0) {
            library = nullptr;
            language = LanguageOf(utils.ProgramModule());
            CurrentColumn = FindLanguageColumn(language);
        }
        utils.SetResourceModule(library);
        CurrentLanguage = language;
    } catch (...) {
        utils.RestoreModuleResources();
        CurrentLanguage = GetNativeLanguage();
        CurrentColumn = 0;
        throw;
    }
}

std::string TQLocalizerOnFly::SavedExtension() const { return ReadStoredString(registryKey_, registryValue_); }

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

// ---- switching -------------------------------------------------------------------------------

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
    if (OnBeforeTranslate && !busy_ && !destroying_) OnBeforeTranslate();
    for (;;) {
        const std::string file = LanguageFilePath(extension);
        if (FileExists(file)) {
            LoadLanguageFile(file);
            break;
        }
        const int index = IndexOf(languageId);
        if (index >= 0 && Languages[static_cast<size_t>(index)].FromPack) {
            LoadLanguageFromPack(languageId, IsNativeExtension(extension));
            break;
        }
        if (languageId == GetNativeLanguage() && extension != NativeExtension) {
            extension = NativeExtension;
            continue;
        }
        // An abbreviation no language has (a stored code typed by hand) is named as it stands.
        Fail(SLanguageNotFound, languageId == 0 ? extension : GetLocaleEnglishName(languageId));
    }
    if (DeleteOldLibraries && PreviousLanguage != languageId) DeletePreviousLibrary();
    const int index = IndexOf(languageId);
    if (index >= 0 && OnAfterTranslate && !busy_ && !destroying_) OnAfterTranslate(Languages[static_cast<size_t>(index)]);
}

void TQLocalizerOnFly::DeletePreviousLibrary() const {
    try {
        std::error_code error;
        fs::remove(WritableProgramFile(LanguageLibraryName(PreviousLanguage)), error);
    } catch (const std::exception&) {
        // A language without an abbreviation has no library.
    }
}

void TQLocalizerOnFly::LoadLanguageFile(const std::string& fileName) {
    if (!initialized_) Fail(SNotInitialized);
    if (!AnythingAt(fileName)) Fail(SLangFileNotFound, fileName);
    NamingTheFile(fileName, [&] {
        TLangFile file(fileName);
        ApplyLanguage(file);
    });
}

void TQLocalizerOnFly::LoadLanguageFromPack(uint16_t languageId, bool isNative) {
    const TLanguagePack pack = ProgramPack();
    const int index = pack.IndexOf(isNative ? 0 : languageId);
    if (index < 0) throw ELocOnFlyError(FormatRes("Can not load language %s from resources", GetLocaleEnglishName(languageId)));
    AddPackLanguages(pack);
    TLangFile file = PackLanguageFile(pack, static_cast<size_t>(index));
    ApplyLanguage(file);
}

// A switch that fails leaves everything as it was before it: the resources in
// use, the language and no half-read dictionary column.
void TQLocalizerOnFly::ApplyLanguage(TLangFile& file) {
    TQLocUtils& utils = TQLocUtils::Instance();
    const std::shared_ptr<const TResModule> library = utils.CurrentLibrary();
    const uint16_t language = CurrentLanguage;
    const int column = CurrentColumn;
    const size_t columns = Storage.LanguageCount();
    try {
        ApplyLanguageSteps(file);
    } catch (...) {
        while (Storage.LanguageCount() > columns) Storage.RemoveLanguage(static_cast<int>(Storage.LanguageCount() - 1));
        utils.SetResourceModule(library);
        CurrentLanguage = language;
        CurrentColumn = Storage.CurrentColumn = column;
        throw;
    }
}

// Everything that can fail comes before anything changes that users see.
void TQLocalizerOnFly::ApplyLanguageSteps(TLangFile& file) {
    TQLocUtils& utils = TQLocUtils::Instance();
    const uint16_t language = file.LanguageId;
    const bool native = language == GetNativeLanguage();
    // A translation is read against the native texts: without them nothing of it would show.
    if (!native && !nativeRead_) {
        if (nativeFault_.empty()) Fail(SLangFileNotFound, LanguageFilePath(NativeExtension));
        throw ELocOnFlyError(nativeFault_);
    }
    const std::string libraryName = LanguageLibraryName(language);
    std::shared_ptr<const TResModule> resources;
    bool upToDate = false;
    if (!NoResourceLibrary) {
        resources = native ? nullptr : FittingLibrary(ReadableProgramFile(libraryName), file);
        upToDate = native ? utils.UsesOwnResources() : resources != nullptr;
    }
    if (!(upToDate && busy_)) {
        CurrentColumn = Storage.IndexOfLanguage(language);
        if (CurrentColumn < 0) CurrentColumn = ReadLanguageColumn(file);
    }
    if (!NoResourceLibrary) {
        if (!upToDate && !native) resources = BuildLibrary(file, libraryName);
        utils.SetResourceModule(resources);
    }
    if (KeepOneTranslation) KeepOnlyCurrentTranslation();
    if (destroying_) return;
    Storage.CurrentColumn = CurrentColumn;
    CurrentLanguage = NoResourceLibrary ? language : LanguageOf(utils.ResourceModule());
    if (TranslateOpenForms) TranslateOpenForms();
    SaveLanguageChoice();
}

// The library beside the program when it was built from this very file; a damaged one counts as out of date.
std::shared_ptr<const TResModule> TQLocalizerOnFly::FittingLibrary(const std::string& path, const TLangFile& file) const {
    const auto fits = [&](const TResModule& module) {
        const TDLLInfoItem info = module.ReadSettings(true);
        return info.LanguageId == file.LanguageId && info.Stamp == file.Stamp && info.SecondStamp == file.SecondStamp;
    };
    TQLocUtils& utils = TQLocUtils::Instance();
    try {
        if (const std::shared_ptr<const TResModule> current = utils.CurrentLibrary(); current && fits(*current)) return current;
        if (!FileExists(path)) return nullptr;
        const std::shared_ptr<const TResModule> library = utils.LoadResourceDLL(path);
        return library && fits(*library) ? library : nullptr;
    } catch (const ELocUtilsError&) {
        return nullptr;
    }
}

std::shared_ptr<const TResModule> TQLocalizerOnFly::BuildLibrary(TLangFile& file, const std::string& libraryName) {
    const std::string library = WritableProgramFile(libraryName);
    std::error_code error;
    fs::remove(library, error);
    if (FileExists(library)) Fail(SCannotDeleteFile, library);
    file.Column = CurrentColumn;
    file.CreateLanguageDLL(ProgramResourceImage(), library, NativeIsEnglish, Storage, {});
    return TQLocUtils::Instance().LoadResourceDLL(library);
}

// A new dictionary column filled from the file's body; a body that cannot be read whole leaves none.
int TQLocalizerOnFly::ReadLanguageColumn(TLangFile& file) {
    const int column = Storage.AddLanguage(0, file.LanguageId);
    try {
        file.ReadBody(&Storage, column);
    } catch (...) {
        Storage.RemoveLanguage(column);
        throw;
    }
    UseOutdatedTranslations = file.HasOption(LangOptionUseOutdated);
    return column;
}

void TQLocalizerOnFly::KeepOnlyCurrentTranslation() {
    for (int other = static_cast<int>(Storage.LanguageCount()) - 1; other >= 1; --other) {
        if (other == CurrentColumn) continue;
        Storage.RemoveLanguage(other);
        if (other < CurrentColumn) --CurrentColumn;
    }
}

int TQLocalizerOnFly::FindLanguageColumn(uint16_t languageId) {
    const int column = Storage.IndexOfLanguage(languageId);
    if (column >= 0) return column;
    const std::string path = LanguageFilePath(GetLocaleAbbrevName(languageId));
    if (FileExists(path)) {
        return NamingTheFile(path, [&] {
            TLangFile file(path);
            return ReadLanguageColumn(file);
        });
    }
    const TLanguagePack pack = ProgramPack();
    const int index = languageId == 0 ? -1 : pack.IndexOf(languageId);
    if (index < 0) return -1;
    TLangFile file = PackLanguageFile(pack, static_cast<size_t>(index));
    return ReadLanguageColumn(file);
}

}  // namespace kestrune
