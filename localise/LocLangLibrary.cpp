// Building a translated resource-only language library from a language file's
// dictionary column, and the settings block every library carries.
#include "localise/LocFormProc.h"
#include "localise/LocLangFile.h"
#include "localise/LocResources.h"
#include "localise/WinResProc.h"
#include "platform/FileIO.h"
#include "platform/ResCodePages.h"

namespace kestrune {

namespace {

constexpr std::string_view LibrarySignature = "LDLL";
constexpr std::string_view ExecutableSignature = "QEXE";
// Offset of the block version in a settings block: after signature, stamp, language id and the two names.
constexpr size_t SettingsFixedHead = 12;

[[noreturn]] void InvalidNativeDll() { throw ELangFileError(LibraryText(res::SInvalidNativeDLL)); }

// The block version after the names of a settings block; 6 when the block ends before it.
uint16_t SettingsBlockVersionOf(std::string_view block) {
    TByteReader in(block, InvalidNativeDll);
    if (block.size() < SettingsFixedHead || in.Bytes(4) != LibrarySignature) InvalidNativeDll();
    in.Seek(10);
    in.Skip(in.U16());
    in.Skip(2 * size_t{in.U16()});
    return in.Left() >= 2 ? in.U16() : SettingsBlockVersion;
}

TResRCData& RCDataOf(TResProcessor& set) {
    if (TResRCData* rcdata = set.RCData()) return *rcdata;
    set.AddBlock(std::make_unique<TResRCData>());
    return *set.RCData();
}

TResRCDataItem& SettingsItem(TResRCData& rcdata, std::string_view name, bool& isNew) {
    TResRCDataItem* item = rcdata.FindItem(std::string(name));
    isNew = item == nullptr;
    if (!item) item = &rcdata.AddItem(std::string(name), false);
    if (!SameText(item->Name, name)) throw ELangFileError("Name is not saved correctly - " + std::string(name));
    return *item;
}

}  // namespace

void TLangFile::WriteSettingsBlock(TResProcessor& set, uint16_t blockVersion, bool writeStamp, bool alsoExecutable) const {
    TResRCData& rcdata = RCDataOf(set);
    bool isNew = false;
    TResRCDataItem& library = SettingsItem(rcdata, LibSettingsName, isNew);
    TBytes block = library.Data;
    TBytes head;
    TByteWriter out(head);
    out.Bytes(LibrarySignature);
    const bool keepStamp = !writeStamp && !isNew && block.size() >= 8;
    if (keepStamp) out.Bytes(std::string_view(block).substr(4, 4));
    else out.U32(Stamp);
    out.U16(LanguageId);
    WriteAnsiString(out, EnglishName, TLengthPrefix::Word);
    WriteWideString(out, NativeName, TLengthPrefix::Word);
    out.U16(blockVersion);
    out.U16(0);  // reserved
    out.U32(SecondStamp);
    block.resize(std::max(block.size(), head.size()));
    block.replace(0, head.size(), head);
    block.resize(head.size() + 1);
    library.Data = block;
    if (!alsoExecutable) return;
    TResRCDataItem& executable = SettingsItem(rcdata, ExeSettingsName, isNew);
    executable.Data = block.replace(0, 4, ExecutableSignature);
}

void TLangFile::TranslateStrings(TResProcessor& set, bool nativeIsEnglish, const TLocStorage& storage) {
    TResString* strings = set.Strings();
    if (!strings) return;
    const auto column = static_cast<size_t>(Column);
    for (const auto& unit : storage.Units) {
        for (const auto& constant : unit->Constants) {
            TResStringItem* item = strings->FindString(constant->ResourceId);
            if (!item || constant->Values.size() <= column) continue;
            const std::u16string& native = constant->Values[0].Text;
            if (nativeIsEnglish && item->Value != native) {
                NativeChanged = true;
                NativeChange = Utf16ToUtf8(item->Value) + "\r\n" + Utf16ToUtf8(native);
            }
            const std::u16string& translated = constant->Values[column].Text;
            const bool usable = !translated.empty() && (constant->IsCurrent(column) || HasOption(LangOptionUseOutdated));
            item->Value = usable ? translated : native;
        }
    }
}

void TLangFile::CreateLanguageDLL(std::string_view moduleImage, const std::string& destination, bool nativeIsEnglish,
                                  TLocStorage& storage, const std::string& nativeLibraryFile) {
    TResProcessor set;
    if (!moduleImage.empty()) set.LoadResourcesFromModule(moduleImage);
    else set.LoadResourcesFromFile(nativeLibraryFile);
    const TResRCDataItem* settings = set.RCData() ? set.RCData()->FindItem(std::string(LibSettingsName)) : nullptr;
    if (!settings) InvalidNativeDll();
    const uint16_t blockVersion = SettingsBlockVersionOf(settings->Data);

    TranslateStrings(set, nativeIsEnglish, storage);
    TLocFormProcessor forms(storage);
    forms.SetCharset = !HasOption(LangOptionFormCharset);
    forms.UseBiDiMode = HasOption(LangOptionBiDiMode);
    forms.UseOutdatedTranslations = HasOption(LangOptionUseOutdated);
    forms.Column = Column;
    forms.LanguageId = LanguageId;
    for (const auto& form : storage.Forms) forms.FormNames.push_back(form->Name);
    forms.ProcessResources(set);

    set.RCData()->RemoveItem(std::string(ExeSettingsName));
    set.RCData()->RemoveItem(std::string(LanguagePackName));
    WriteSettingsBlock(set, blockVersion, false, false);
    TBytes library;
    set.WriteResourceDLL(library);
    WriteFileAtomically(destination, library);
}

}  // namespace kestrune
