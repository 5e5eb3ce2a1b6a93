#include "tests/support/LocSamples.h"

#include "localise/LocCommon.h"
#include "platform/ResBytes.h"
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

    TLocComponent& column = form.Components.FindOrAdd("ListViewFiles.Columns[1]");
    SetNative(storage, storage.AddProperty(column.Properties, "Caption", 7, LocKindText), u"Size");
    TLocComponent& label = form.Components.FindOrAdd("TLabel4");
    SetNative(storage, storage.AddProperty(label.Properties, "Caption", 8, LocKindText), u"unnamed");
    TLocComponent& panel = form.Components.FindOrAdd("PanelTop");
    TLocItem& added = storage.AddProperty(panel.Properties, "Hint", 9, LocKindText);
    SetNative(storage, added, u"Tools");
    added.Values[0].Flags = LocFlagAddProperty;

    TLocExtGroup& group = storage.ExtGroups.FindOrAdd("FRFORM:FormMain:Report");
    SetNative(storage, storage.AddExtItem(group, "Memo1.Memo.UTF8W", 1), u"Pass report");
}

int AddGermanSample(TLocStorage& storage) {
    const int column = storage.AddLanguage(0, German);
    const auto translate = [&](TLocItem& item, const std::u16string& text) {
        storage.SetText(item, static_cast<size_t>(column), text);
        item.Values[column].Stamp = static_cast<int32_t>(NativeStamp);
        item.Values[column].Flags = item.Values[0].Flags;
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

TFormValue TextValue(std::string_view text) {
    TFormValue value;
    value.Type = TValueType::String;
    value.Text = std::string(text);
    return value;
}

TFormValue IntValue(int64_t value) {
    TFormValue result;
    result.Type = value >= -128 && value < 128 ? TValueType::Int8 : TValueType::Int16;
    result.Integer = value;
    return result;
}

namespace {

TFormValue Typed(TValueType type) {
    TFormValue value;
    value.Type = type;
    return value;
}

TFormObject Object(std::string className, std::string name, std::vector<TFormProperty> properties) {
    TFormObject object;
    object.ClassName = std::move(className);
    object.Name = std::move(name);
    object.Properties = std::move(properties);
    return object;
}

}  // namespace

TFormObject SampleMainForm() {
    TFormValue hint = Typed(TValueType::WString);
    hint.Wide = u"Open a pass";
    TFormValue frequency = Typed(TValueType::Extended);
    frequency.Number = 0.25;
    TFormValue charset = Typed(TValueType::Ident);
    charset.Text = "DEFAULT_CHARSET";
    TFormValue anchors = Typed(TValueType::Set);
    anchors.Members = {"akLeft", "akTop"};
    TFormValue columns = Typed(TValueType::Collection);
    columns.CollectionItems = {{{"Caption", TextValue("Name")}, {"Width", IntValue(120)}}, {{"Caption", TextValue("Size")}}};
    TFormValue icon = Typed(TValueType::Binary);
    icon.Binary = std::string("\0\1\2\3", 4);

    TFormObject form = Object("TFormMain", "FormMain", {{"Caption", TextValue("Morvane's Talvessa")},
                                                        {"Font.Charset", charset},
                                                        {"Icon.Data", icon},
                                                        {"Visible", Typed(TValueType::False)}});
    TFormObject panel = Object("TPanel", "PanelTop", {{"Anchors", anchors}, {"Caption", TextValue("")}});
    panel.Children.push_back(Object("TButton", "ButtonOpen", {{"Caption", TextValue("&Open")}, {"Hint", hint}, {"Width", IntValue(75)}}));
    form.Children.push_back(std::move(panel));
    form.Children.push_back(Object("TTrackBar", "TrackBarGamma", {{"Frequency", frequency}, {"Font.Name", TextValue("MS Sans Serif")}}));
    form.Children.push_back(Object("TListView", "ListViewFiles", {{"Columns", columns}}));
    form.Children.push_back(Object("TLabel", "", {{"Caption", TextValue("unnamed")}}));
    return form;
}

void FillProgramOfStrings(TLocStorage& storage, int count) {
    storage.SetNativeLanguage(English);
    for (int i = 0; i < count; ++i) {
        TLocUnit& unit = storage.Units.FindOrAdd("Unit" + std::to_string(i % 20));
        TLocItem& item = storage.AddConstant(unit, "SString" + std::to_string(i), i + 1, static_cast<uint16_t>(1000 + i));
        SetNative(storage, item, Utf8ToUtf16("Resource string number " + std::to_string(i) + " of the program"));
    }
}

std::string WriteLanguagePack(uint16_t version, const std::vector<TPackLanguage>& languages) {
    std::string pack = "QLL";
    TByteWriter out(pack);
    out.U16(version);
    out.U32(0);
    if (version > 4) out.U32(0);
    out.U16(static_cast<uint16_t>(languages.size()));
    for (const TPackLanguage& language : languages) {
        out.U16(language.LanguageId);
        if (version > 2) WriteAnsiString(out, language.EnglishName, TLengthPrefix::Variable);
        if (version >= 4) WriteWideString(out, language.NativeName, TLengthPrefix::Variable);
        if (version > 4) {
            out.U32(language.Stamp);
            out.U32(language.SecondStamp);
        }
    }
    for (const TPackLanguage& language : languages) {
        if (version > 1) out.U32(static_cast<uint32_t>(language.Block.size()));
        else out.U16(static_cast<uint16_t>(language.Block.size()));
        out.Bytes(language.Block);
    }
    return pack;
}

}  // namespace kestrune::testing
