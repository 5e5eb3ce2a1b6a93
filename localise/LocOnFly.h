// Switching the language of the whole program while it runs: the languages
// found beside the program or in its language pack, building and taking into
// use a language's resource library, re-translating open windows and
// remembering the choice.
#pragma once

#include "localise/LocLangFile.h"
#include "localise/LocStorage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrune {

class ELocOnFlyError : public Exception {
public:
    using Exception::Exception;
};

class TLanguagePack;
class TResModule;

// One language that can be chosen.
struct TLFInfo {
    bool IsNative = false;
    bool FromPack = false;  // from the program's language pack, not a file
    std::string FileName;   // name only; empty for a pack language
    uint16_t LanguageId = 0;
    std::string EnglishName;
    std::u16string NativeName;
    uint32_t Stamp = 0;
    uint32_t SecondStamp = 0;
};

class TQLocalizerOnFly {
public:
    // The program's one switcher.
    static TQLocalizerOnFly& Instance();
    TQLocalizerOnFly() = default;
    ~TQLocalizerOnFly();
    TQLocalizerOnFly(const TQLocalizerOnFly&) = delete;
    TQLocalizerOnFly& operator=(const TQLocalizerOnFly&) = delete;

    // Options; the program keeps the defaults.
    bool ShowErrors = true;
    bool NoResourceLibrary = false;   // re-translate open windows only: no library is built or taken
    bool SetFontCharsets = false;     // after a switch fonts are made to hold the language's script
    bool KeepOneTranslation = false;  // the dictionary keeps the translation in effect only
    bool DeleteOldLibraries = false;  // the previous language's library goes after a switch; Close goes back to native
    // There is no option to switch other localised modules with the program,
    // nor a per-module switch: the program is one executable and loads no
    // library of code that carries translations of its own. A language
    // library is the program's resource module, which every switch takes
    // into use already.

    bool NativeIsEnglish = true;
    bool UseBiDiMode = false;
    bool UseOutdatedTranslations = false;
    uint16_t CurrentLanguage = 0;
    uint16_t PreviousLanguage = 0;
    int CurrentColumn = 0;
    TLocStorage Storage;
    std::vector<TLFInfo> Languages;  // by English name

    // Not called during InitLocalizer.
    std::function<void()> OnBeforeTranslate;
    std::function<void(const TLFInfo&)> OnAfterTranslate;
    // The window layer re-translates the open windows from Storage's current column.
    std::function<void()> TranslateOpenForms;
    // Shows an error of a public operation; by default the "Localizer Error" box.
    std::function<void(const std::string&)> ShowError;

    // registryKey empty: "Software\Borland\Locales", value named by the
    // executable's path; languageFolder empty: the program's folder.
    void InitLocalizer(const std::string& registryKey = {}, const std::string& languageFolder = {});
    bool Initialized() const { return initialized_; }
    // Where language files are looked for, relative to the program's folder;
    // the languages there are scanned again. Libraries stay beside the program.
    void SetLanguageFolder(const std::string& folder);
    const std::string& LanguageFolder() const { return expandedFolder_; }
    void SwitchToExtension(const std::string& extension);
    void SwitchToLanguage(uint16_t languageId);
    void LoadLanguageFile(const std::string& fileName);
    // A language of the program's pack; isNative takes its native entry.
    void LoadLanguageFromPack(uint16_t languageId, bool isNative);
    uint16_t GetNativeLanguage() const;
    int IndexOf(uint16_t languageId) const;
    // The text a property or constant shows now: the current column's, or the
    // native one when the translation is older and outdated ones are not used.
    const std::u16string& CurrentText(const TLocItem& item) const;
    // The language file of an extension ("ntv", "DEU") in the language
    // folder; its name in any case when the exact one is missing.
    std::string LanguageFilePath(const std::string& extension) const;
    // What the end of the run does: with DeleteOldLibraries, back to the native language.
    void Close();
    // Back to the state before InitLocalizer (tests).
    void Reset();

private:
    template <class F>
    void Guarded(F&& operation);
    void SetLanguageFolderNow(const std::string& folder);
    void LoadNativeLanguage();
    void ReadNativeTexts();
    void ReadNative(TLangFile& file);
    void AddProgramLanguage();
    void AddPackLanguages(const TLanguagePack& pack);
    void ScanLanguageFiles();
    std::vector<TLFInfo>::iterator InsertByName(TLFInfo info);
    void StartInLanguageOfResources(const std::string& saved);
    void SwitchLanguage(uint16_t languageId, std::string extension);
    void DeletePreviousLibrary() const;
    void ApplyLanguage(TLangFile& file);
    void ApplyLanguageSteps(TLangFile& file);
    std::shared_ptr<const TResModule> FittingLibrary(const std::string& path, const TLangFile& file) const;
    std::shared_ptr<const TResModule> BuildLibrary(TLangFile& file, const std::string& libraryName);
    int ReadLanguageColumn(TLangFile& file);
    void KeepOnlyCurrentTranslation();
    int FindLanguageColumn(uint16_t languageId);
    void SaveLanguageChoice() const;
    std::string SavedExtension() const;

    bool busy_ = true;
    bool initialized_ = false;
    bool destroying_ = false;
    bool nativeRead_ = false;  // the native texts are in the dictionary
    std::string nativeFault_;  // why they could not be read, told again at a switch that needs them
    std::string folder_;          // as given
    std::string expandedFolder_;  // full, with its separator
    std::string registryKey_;
    std::string registryValue_;
};

// A language's caption in the Language menu: its English name (the locale's
// when its file gives none) while the native language is shown; in a
// translation each language's own name, so that whoever cannot read the
// translation still finds the language he reads.
std::string LanguageCaption(const TLFInfo& language, bool nativeShown);

// Where a language's library is read from (the per-user folder first) and written to.
std::string LanguageLibraryName(uint16_t languageId);

}  // namespace kestrune
