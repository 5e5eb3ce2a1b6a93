#include "tools/localise/ProgramResources.h"

#include "localise/LocResources.h"
#include "localise/WinResProc.h"
#include "tools/localise/LangFileWriter.h"
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

namespace {

bool IsResourceString(const TTranslationRow& row) { return row.Node.starts_with("@"); }

// The leaf a row names; nullptr when it is missing and create is false.
TLocItem* RowItem(TLocStorage& storage, const TTranslationRow& row, bool create) {
    if (IsResourceString(row)) {
        TLocUnit* unit = storage.Units.Find(row.Node.substr(1));
        return unit ? unit->Constants.Find(row.Name) : nullptr;
    }
    // A row whose component is the form itself names a property of the form.
    const bool ofForm = row.Name == row.Node;
    if (!create) {
        TLocForm* form = storage.Forms.Find(row.Node);
        if (form && ofForm) return form->Properties.Find(row.Property);
        TLocComponent* component = form ? form->Components.Find(row.Name) : nullptr;
        return component ? component->Properties.Find(row.Property) : nullptr;
    }
    TLocForm& form = storage.Forms.FindOrAdd(row.Node);
    auto& properties = ofForm ? form.Properties : form.Components.FindOrAdd(row.Name).Properties;
    if (TLocItem* item = properties.Find(row.Property)) return item;
    return &storage.AddProperty(properties, row.Property, -1, LocKindText);
}

void SetStampedText(const TLocStorage& storage, TLocItem& item, size_t column, const std::string& text) {
    storage.SetText(item, column, Utf8ToUtf16(text));
    item.Values[column].Stamp = static_cast<int32_t>(ProgramStamp);
}

// In a text \n separates the items of a list and \r breaks the line of a message.
std::string Unescaped(std::string_view text) {
    std::string result;
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\\' && at + 1 < text.size() && (text[at + 1] == 'n' || text[at + 1] == 'r')) {
            result += text[++at] == 'n' ? "\r\n" : "\r";
            continue;
        }
        result += text[at];
    }
    return result;
}

}  // namespace

std::vector<TTranslationRow> ReadTranslationTable(std::string_view text) {
    std::vector<TTranslationRow> rows;
    size_t lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (line.empty() || line.starts_with("#")) continue;
        std::vector<std::string> fields;
        for (size_t from = 0;;) {
            const size_t tab = line.find('\t', from);
            fields.emplace_back(line.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
            if (tab == std::string_view::npos) break;
            from = tab + 1;
        }
        if (fields.size() != 5 || fields[1].empty() || fields[3].empty())
            throw Exception("translation table: line " + std::to_string(lineNumber) + " needs five tab-separated fields");
        rows.push_back({fields[0], fields[1], fields[2], Unescaped(fields[3]), Unescaped(fields[4])});
    }
    return rows;
}

TBytes WriteTranslation(TLocStorage& storage, const std::vector<TTranslationRow>& table, uint16_t languageId,
                        const std::string& englishName, const std::u16string& nativeName) {
    const int column = storage.AddLanguage(0, languageId);
    uint32_t tableStamp = 2166136261u;  // FNV-1a over the translations
    for (const TTranslationRow& row : table) {
        TLocItem* item = RowItem(storage, row, false);
        if (!item || Utf16ToUtf8(item->Values.at(0).Text) != row.Native)
            throw Exception("translation table: \"" + row.Native + "\" is not a native text of " + row.Node + "." + row.Name);
        SetStampedText(storage, *item, static_cast<size_t>(column), row.Translation);
        for (char c : row.Node + row.Name + row.Property + row.Translation) tableStamp = (tableStamp ^ static_cast<uint8_t>(c)) * 16777619u;
    }
    return WriteLangFile(TranslationHeader(storage, languageId, englishName, nativeName, tableStamp), storage, column);
}

TLangFile TranslationHeader(const TLocStorage& storage, uint16_t languageId, const std::string& englishName,
                            const std::u16string& nativeName, uint32_t secondStamp) {
    TLangFile header = ProgramNativeHeader(storage);
    header.LanguageId = languageId;
    header.EnglishName = englishName;
    header.NativeName = nativeName;
    header.IsNative = false;
    header.SecondStamp = secondStamp;
    return header;
}

TLocStorage ProgramNativeDictionary(const std::vector<TTranslationRow>& table) {
    TLocStorage storage;
    storage.SetNativeLanguage(ProgramNativeLanguage);
    for (const TResourceString& string : ProgramResourceStrings()) {
        TLocItem& constant = storage.AddConstant(storage.Units.FindOrAdd(string.unit), string.name, -1, string.id);
        storage.SetText(constant, 0, Utf8ToUtf16(string.text));
        constant.Values[0].Stamp = static_cast<int32_t>(ProgramStamp);
    }
    for (const TTranslationRow& row : table)
        if (!IsResourceString(row) && !row.Node.starts_with("!")) SetStampedText(storage, *RowItem(storage, row, true), 0, row.Native);
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
