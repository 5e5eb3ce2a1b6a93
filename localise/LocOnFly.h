// Switching the language of the whole program while it runs: the languages
// found beside the program, building and taking into use a language's
// resource library, re-translating open windows and remembering the choice.
#pragma once

#include "localise/LocLangFile.h"
#include "localise/LocStorage.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrune {

class ELocOnFlyError : public Exception {
public:
    using Exception::Exception;
};

// One language that can be chosen.
struct TLFInfo {
    bool IsNative = false;
    std::string FileName;  // name only
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

    bool ShowErrors = true;
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

    // registryKey empty: "Software\Borland\Locales", value named by the executable's path.
    void InitLocalizer(const std::string& registryKey = {});
    bool Initialized() const { return initialized_; }
    void SwitchToExtension(const std::string& extension);
    void SwitchToLanguage(uint16_t languageId);
    uint16_t GetNativeLanguage() const;
    int IndexOf(uint16_t languageId) const;
    // The text a property or constant shows now: the current column's, or the
    // native one when the translation is older and outdated ones are not used.
    const std::u16string& CurrentText(const TLocItem& item) const;
    // Back to the state before InitLocalizer (tests).
    void Reset();

private:
    template <class F>
    void Guarded(F&& operation);
    void LoadNativeLanguage();
    void ScanLanguageFiles();
    void LoadStartupLibrary(const std::string& extension);
    void SwitchLanguage(uint16_t languageId, std::string extension);
    void LoadLanguageFile(const std::string& fileName);
    void ApplyLanguage(TLangFile& file);
    bool TakeLibraryIntoUse(const std::string& path, const TLangFile& file);
    int FindLanguageColumn(uint16_t languageId);
    void SaveLanguageChoice() const;
    std::string SavedExtension() const;

    bool busy_ = true;
    bool initialized_ = false;
    std::string registryKey_;
    std::string registryValue_;
};

// The language file of an extension ("ntv", "DEU") beside the program; its
// name in any case when the exact one is missing.
std::string LanguageFilePath(const std::string& extension);
// Where a language's library is read from (the per-user folder first) and written to.
std::string LanguageLibraryName(uint16_t languageId);

}  // namespace kestrune
