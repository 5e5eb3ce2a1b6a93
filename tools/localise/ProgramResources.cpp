#include "tools/localise/ProgramResources.h"

#include "localise/LocResources.h"
#include "localise/WinResProc.h"
#include "platform/ResCodePages.h"

namespace kestrune {

TBytes WriteProgramResources(const TLocStorage& native, const std::vector<TFormResource>& forms, const TLangFile& nativeHeader) {
    TResProcessor set;
    auto strings = std::make_unique<TResString>();
    for (const auto& unit : native.Units)
        for (const auto& constant : unit->Constants) strings->AddString(constant->ResourceId, constant->Values.at(0).Text);
    set.AddBlock(std::move(strings));
    auto rcdata = std::make_unique<TResRCData>();
    for (const auto& [name, stream] : forms) rcdata->AddItem(name, false).Data = stream;
    set.AddBlock(std::move(rcdata));
    nativeHeader.WriteSettingsBlock(set, SettingsBlockVersion, true, true);
    TBytes image;
    set.WriteResourceDLL(image);
    return image;
}

TLocStorage ProgramNativeDictionary() {
    TLocStorage storage;
    storage.SetNativeLanguage(ProgramNativeLanguage);
    for (const TResourceString& string : ProgramResourceStrings()) {
        TLocItem& constant = storage.AddConstant(storage.Units.FindOrAdd(string.unit), string.name, -1, string.id);
        storage.SetText(constant, 0, Utf8ToUtf16(string.text));
        constant.Values[0].Stamp = static_cast<int32_t>(ProgramStamp);
    }
    return storage;
}

TLangFile ProgramNativeHeader(const TLocStorage& native) {
    TLangFile header;
    header.LanguageId = ProgramNativeLanguage;
    header.Stamp = ProgramStamp;
    header.EnglishName = "English";
    header.NativeName = u"English";
    header.IsNative = true;
    header.LastConstantId = native.LastConstantId;
    header.LastPropertyId = native.LastPropertyId;
    header.LastExternalId = native.LastExternalId;
    return header;
}

}  // namespace kestrune
