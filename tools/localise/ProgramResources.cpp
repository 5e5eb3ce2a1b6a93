#include "tools/localise/ProgramResources.h"

#include "localise/WinResProc.h"

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

}  // namespace kestrune
