#include "tests/support/LocSamples.h"

#include "platform/ResCodePages.h"

#include <string>

namespace kestrune::testing {

namespace {

void SetNative(TLocStorage& storage, TLocItem& item, const std::u16string& text) {
    storage.SetText(item, 0, text);
    item.Values[0].Stamp = static_cast<int32_t>(NativeStamp);
}

}  // namespace

void FillNativeSample(TLocStorage& storage) {
    storage.SetNativeLanguage(English);
    TLocUnit& unit = storage.Units.FindOrAdd("LocOnFly");
    SetNative(storage, storage.AddConstant(unit, "SLangFileNotFound", 1, 65243), u"Language file \"%s\" is not found");
    SetNative(storage, storage.AddConstant(unit, "SNotInitialized", 2, 65245), u"Localizer is not initialized");
    SetNative(storage, storage.AddConstant(unit, "snotinitialized", 3, 65246), u"Language \"%s\" is not found");
    TLocUnit& other = storage.Units.FindOrAdd("MainForm");
    SetNative(storage, storage.AddConstant(other, "SOpen", 4, 100), u"Open…");

    TLocForm& form = storage.Forms.FindOrAdd("FormMain");
    SetNative(storage, storage.AddProperty(form.Properties, "Caption", 1, LocKindText), u"Morvane's Talvessa");
    TLocComponent& button = form.Components.FindOrAdd("PanelTop.ButtonOpen");
    SetNative(storage, storage.AddProperty(button.Properties, "Caption", 2, LocKindText), u"&Open");
    SetNative(storage, storage.AddProperty(button.Properties, "Hint", 3, LocKindText2), u"Open a pass");
    SetNative(storage, storage.AddProperty(button.Properties, "Width", 4, LocKindInteger), u"75");
    TLocComponent& scale = form.Components.FindOrAdd("TrackBarGamma");
    SetNative(storage, storage.AddProperty(scale.Properties, "Frequency", 5, LocKindFloat), u"0.5");
    SetNative(storage, storage.AddProperty(scale.Properties, "Font.Name", 6, LocKindText), u"Tahoma");

    TLocExtGroup& group = storage.ExtGroups.FindOrAdd("FRFORM:FormMain:Report");
    SetNative(storage, storage.AddExtItem(group, "Memo1.Memo.UTF8W", 1), u"Pass report");
}

int AddGermanSample(TLocStorage& storage) {
    const int column = storage.AddLanguage(0, German);
    const auto translate = [&](TLocItem& item, const std::u16string& text) {
        storage.SetText(item, static_cast<size_t>(column), text);
        item.Values[column].Stamp = static_cast<int32_t>(NativeStamp);
    };
    for (const auto& unit : storage.Units)
        for (const auto& constant : unit->Constants) translate(*constant, u"DE: " + constant->Values[0].Text);
    for (const auto& form : storage.Forms) {
        for (const auto& property : form->Properties) translate(*property, u"Morvanes Talvessa");
        for (const auto& component : form->Components)
            for (const auto& property : component->Properties)
                translate(*property, IsTextKind(property->Kind) ? u"DE: " + property->Values[0].Text : property->Values[0].Text);
    }
    for (const auto& group : storage.ExtGroups)
        for (const auto& item : group->Items) translate(*item, u"Überflugbericht");
    return column;
}

void FillProgramOfStrings(TLocStorage& storage, int count) {
    storage.SetNativeLanguage(English);
    for (int i = 0; i < count; ++i) {
        TLocUnit& unit = storage.Units.FindOrAdd("Unit" + std::to_string(i % 20));
        TLocItem& item = storage.AddConstant(unit, "SString" + std::to_string(i), i + 1, static_cast<uint16_t>(1000 + i));
        SetNative(storage, item, Utf8ToUtf16("Resource string number " + std::to_string(i) + " of the program"));
    }
}

}  // namespace kestrune::testing
