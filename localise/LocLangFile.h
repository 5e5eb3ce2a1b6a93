// Language files (".lng", versions 1 to 7, plain or "LZQ00"-compressed): the
// header, the body read into the translation dictionary, and the building of
// a translated resource-only language library from them.
#pragma once

#include "localise/LocCommon.h"
#include "localise/LocStorage.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

class TResProcessor;

constexpr uint16_t LangFileVersion = 7;
// Options.
constexpr uint16_t LangOptionFormCharset = 1;   // passed to the form processor
constexpr uint16_t LangOptionBiDiMode = 2;      // set the reading order of forms
constexpr uint16_t LangOptionUseOutdated = 256; // use translations older than the native text
// Reading modes.
constexpr uint16_t LangModeMatchNames = 1;      // find translation entries by their names
constexpr uint16_t LangModeRenumber = 2;        // native file: give duplicate ids new ones
// Only the first bytes of a compressed file are expanded to read its header.
constexpr size_t CompressedHeaderBytes = 2048;

constexpr std::string_view ExeSettingsName = "QVN_EXESETTINGS_";
constexpr std::string_view LibSettingsName = "QVN_LIBSETTINGS_";
constexpr std::string_view LanguagePackName = "QVN_LOC_LANGS_";
constexpr uint16_t SettingsBlockVersion = 6;

class TLangFile {
public:
    // A new object: version 7, option 1 set, no file.
    TLangFile() = default;
    // Reads the header of the file when it exists (of a compressed file, from its first 2048 bytes).
    explicit TLangFile(const std::string& fileName, bool readOnly = true);

    uint16_t Version = LangFileVersion;
    uint16_t LanguageId = 0;
    uint32_t Stamp = 0;
    std::string EnglishName;
    std::u16string NativeName;
    bool IsNative = false;
    std::string FileName;
    int32_t LastConstantId = 0;
    int32_t LastPropertyId = 0;
    int32_t LastExternalId = 0;
    uint16_t Options = LangOptionFormCharset;
    uint16_t ExtraWord = 0;
    uint32_t SecondStamp = 0;
    int Column = 0;  // the dictionary column a library is built from
    bool ReadOnly = true;
    bool Compressed = false;
    bool NativeChanged = false;
    std::string NativeChange;  // the source resource's text and the native file's, joined by CR LF
    std::string Contents;      // the whole file when it comes from a language pack, not from FileName

    bool HasOption(uint16_t mask) const { return (Options & mask) != 0; }
    void SetOption(uint16_t mask, bool on);

    // Reads the header (expanding a compressed stream first); returns the position after it.
    size_t ReadLangFileHeader(std::string_view stream, bool skipStore = false);
    // Reads the body (of Contents, else of the file) into a dictionary column;
    // column -1 makes the file the native dictionary.
    void ReadBody(TLocStorage* storage, int column, uint16_t mode = 0);
    void ReadBody(std::string_view stream, TLocStorage* storage, uint16_t mode, int column);

    // Builds the translated library of Column at destination from the string
    // tables and RCDATA of the module's resource image, or, when that is empty,
    // of the native library file.
    void CreateLanguageDLL(std::string_view moduleImage, const std::string& destination, bool nativeIsEnglish,
                           TLocStorage& storage, const std::string& nativeLibraryFile);
    // Stores the settings block ("LDLL", and with alsoExecutable "QEXE") of this file in the set.
    void WriteSettingsBlock(TResProcessor& set, uint16_t blockVersion, bool writeStamp, bool alsoExecutable) const;

private:
    void ReadLangFileBody(std::string_view stream, TLocStorage& storage, uint16_t mode, int column);
    void TranslateStrings(TResProcessor& set, bool nativeIsEnglish, const TLocStorage& storage);
};

}  // namespace kestrune
