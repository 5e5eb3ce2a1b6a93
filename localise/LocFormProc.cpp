#include "localise/LocFormProc.h"

#include "localise/LocResources.h"
#include "localise/QLocales.h"
#include "localise/QStrings.h"
#include "localise/WinResProc.h"
#include "platform/ResCodePages.h"
#include "platform/ResFormStream.h"

#include <optional>
#include <span>

namespace kestrune {

namespace {

// Objects and collections nested deeper than this are refused.
constexpr int MaxNesting = 64;

// Kinds of added properties.
constexpr uint8_t AddedStringList = 3;
constexpr uint8_t AddedIdent = 4;
constexpr uint8_t AddedInt64 = 5;

struct TFormRules {
    size_t column;
    uint16_t languageId;
    bool setCharset;
    bool useBiDiMode;
    bool useOutdated;
    bool rightToLeft;
    uint8_t charset;
    std::string charsetIdent;
};

bool PathHas(std::string_view path, std::string_view part) { return ("." + std::string(path)).find(part) != std::string::npos; }

std::vector<std::u16string> Lines(const std::u16string& text) {
    std::vector<std::u16string> lines;
    size_t at = 0;
    for (size_t next; (next = text.find(u"\r\n", at)) != std::u16string::npos; at = next + 2) lines.push_back(text.substr(at, next - at));
    lines.push_back(text.substr(at));
    return lines;
}

std::vector<std::string> SetMembers(const std::string& text) {
    std::vector<std::string> members;
    for (const std::string& part : SplitString(ReplaceAll(ReplaceAll(text, "[", ""), "]", ""), ',')) {
        const std::string member = TrimAnsi(part);
        if (!member.empty()) members.push_back(member);
    }
    return members;
}

bool IsNumberText(const std::string& text) { return IsDigits(text) || (text.size() > 1 && text[0] == '-' && IsDigits(text.substr(1))); }

bool Fits(TValueType type, int64_t value) {
    switch (type) {
    case TValueType::Int8: return value >= INT8_MIN && value <= INT8_MAX;
    case TValueType::Int16: return value >= INT16_MIN && value <= INT16_MAX;
    case TValueType::Int32: return value >= INT32_MIN && value <= INT32_MAX;
    default: return true;
    }
}

// A value of the stream's own type holding the dictionary text; none when
// the type takes no text (binary data) or the text is no number of a number type.
std::optional<TBytes> EncodeAs(TValueType type, const std::u16string& wide, uint16_t languageId) {
    TBytes bytes;
    TFormWriter writer(bytes);
    const std::string text = Utf16ToUtf8(wide);
    try {
        switch (type) {
        case TValueType::Int8:
        case TValueType::Int16:
        case TValueType::Int32:
        case TValueType::Int64: {
            const int64_t value = TextToInt(text);
            if (Fits(type, value)) writer.WriteIntegerAs(type, value); else writer.WriteInteger(value);
            break;
        }
        case TValueType::Extended:
        case TValueType::Single:
        case TValueType::Double:
        case TValueType::Date:
        case TValueType::Currency: writer.WriteFloatAs(type, TextToFloat(text)); break;
        case TValueType::Ident:
        case TValueType::False:
        case TValueType::True:
        case TValueType::Nil:
            if (IsNumberText(text)) writer.WriteInteger(TextToInt(text)); else writer.WriteIdent(text);
            break;
        case TValueType::Set: writer.WriteSet(SetMembers(text)); break;
        case TValueType::String:
        case TValueType::LString: writer.WriteAnsiString(WideToAnsiOf(wide, languageId)); break;
        case TValueType::WString:
        case TValueType::UTF8String: writer.WriteWideString(wide); break;
        case TValueType::List: {
            TFormValue list;
            list.Type = TValueType::List;
            for (std::u16string& line : Lines(wide)) {
                TFormValue& item = list.Items.emplace_back();
                item.Type = TValueType::WString;
                item.Wide = std::move(line);
            }
            writer.WriteValue(list);
            break;
        }
        default: return std::nullopt;
        }
    } catch (const EConvertError&) {
        return std::nullopt;
    }
    return bytes;
}

// Copies the input to the output up to each value it replaces.
class TStreamRewriter {
public:
    TStreamRewriter(std::string_view input, const TLocStorage& storage, const TFormRules& rules, const std::string& nameTemplate)
        : input_(input), reader_(input), storage_(storage), rules_(rules), nameTemplate_(nameTemplate) {}

    TBytes Run() {
        reader_.ReadSignature();
        const TFormObject root = reader_.ReadObjectHeader();
        const std::string name = root.ClassName.size() > 1 ? root.ClassName.substr(1) : root.ClassName;
        form_ = storage_.Forms.Find(nameTemplate_.empty() ? name : ReplaceAll(nameTemplate_, "${FormName}", name));
        ProcessObject("", form_ ? &form_->Properties : nullptr, form_ ? form_->Flags : 0, 0);
        CopyUpTo(input_.size());
        return std::move(output_);
    }

private:
    void CopyUpTo(size_t pos) {
        output_.append(input_.substr(copied_, pos - copied_));
        copied_ = pos;
    }

    const TNamedList<TLocItem>* ComponentProperties(const std::string& path, uint16_t& flags) const {
        const TLocComponent* component = form_ ? form_->Components.Find(path) : nullptr;
        flags = component ? component->Flags : 0;
        return component ? &component->Properties : nullptr;
    }

    bool Applies(const TLocItem* item) const {
        return item && item->Values.size() > rules_.column && !(item->Values[rules_.column].Flags & LocFlagNeverApply);
    }

    // The text of an entry that applies: the column's when current (or outdated
    // ones are used), else the native one; none for an empty translation, which
    // keeps the value the stream holds.
    std::optional<std::u16string> DictionaryText(const TLocItem& item) const {
        const TLocValue& value = item.Values[rules_.column];
        if (value.Text.empty()) return std::nullopt;
        return rules_.useOutdated || item.IsCurrent(rules_.column) ? value.Text : item.Values[0].Text;
    }

    std::optional<TBytes> Replacement(const TLocItem* item, TValueType type, const std::string& path, uint16_t flags) const {
        if (Applies(item)) {
            const std::optional<std::u16string> text = DictionaryText(*item);
            return text ? EncodeAs(type, *text, rules_.languageId) : std::nullopt;
        }
        if (rules_.useBiDiMode && PathHas(path, ".BiDiMode"))
            return rules_.rightToLeft ? EncodeAs(type, u"bdRightToLeft", rules_.languageId) : std::nullopt;
        if (rules_.setCharset && PathHas(path, ".Charset") && !(flags & LocFlagKeepCharset)) {
            const bool numeric = type == TValueType::Int8 || type == TValueType::Int16 || type == TValueType::Int32;
            return EncodeAs(type, Utf8ToUtf16(numeric ? std::to_string(rules_.charset) : rules_.charsetIdent), rules_.languageId);
        }
        return std::nullopt;
    }

    // Properties the stream lacks: dictionary entries marked to be added, and
    // (for components, not collection items) the reading order of right-to-left languages.
    TBytes Additions(const TNamedList<TLocItem>* properties, const std::vector<std::string>& seen, bool component) const {
        TBytes bytes;
        TFormWriter writer(bytes);
        const auto present = [&](std::string_view name) { return IndexOfText(seen, name) >= 0; };
        for (const auto& item : properties ? std::span(properties->begin(), properties->end()) : std::span<const std::unique_ptr<TLocItem>>()) {
            if (present(item->Name) || !Applies(item.get()) || !(item->Values[rules_.column].Flags & LocFlagAddProperty)) continue;
            const std::optional<std::u16string> text = DictionaryText(*item);
            if (!text) continue;
            const std::optional<TBytes> value = EncodeAs(AddedType(item->Kind), *text, rules_.languageId);
            if (!value) continue;
            writer.WriteShortString(item->Name);
            bytes += *value;
        }
        if (component && rules_.useBiDiMode && rules_.rightToLeft && !present("BiDiMode")) {
            writer.WriteShortString("BiDiMode");
            writer.WriteIdent("bdRightToLeft");
        }
        return bytes;
    }

    static TValueType AddedType(uint8_t kind) {
        switch (kind) {
        case LocKindFloat: return TValueType::Extended;
        case LocKindInteger: return TValueType::Int32;
        case AddedStringList: return TValueType::List;
        case AddedIdent: return TValueType::Ident;
        case AddedInt64: return TValueType::Int64;
        default: return TValueType::WString;
        }
    }

    void ProcessProperties(const std::string& path, const TNamedList<TLocItem>* properties, uint16_t flags, int depth, bool component) {
        if (depth > MaxNesting) TFormReader::Fail();
        std::vector<std::string> seen;
        while (!reader_.EndOfList()) {
            const std::string name = reader_.ReadShortString();
            seen.push_back(name);
            const TValueType type = reader_.PeekValueType();
            if (type == TValueType::Collection) {
                ProcessCollection(JoinDotted(path, name), depth + 1);
                continue;
            }
            const size_t valueStart = reader_.Pos();
            reader_.SkipValue();
            const std::optional<TBytes> replacement = Replacement(properties ? properties->Find(name) : nullptr, type, JoinDotted(path, name), flags);
            if (!replacement) continue;
            CopyUpTo(valueStart);
            output_ += *replacement;
            copied_ = reader_.Pos();
        }
        CopyUpTo(reader_.Pos());
        output_ += Additions(properties, seen, component);
        reader_.ReadListEnd();
    }

    void ProcessCollection(const std::string& path, int depth) {
        reader_.ReadValueTypeOf(TValueType::Collection);
        for (int index = 0; reader_.NextCollectionItem(); ++index) {
            const std::string itemPath = path + "[" + std::to_string(index) + "]";
            uint16_t flags = 0;
            ProcessProperties(itemPath, ComponentProperties(itemPath, flags), flags, depth, false);
        }
    }

    void ProcessObject(const std::string& path, const TNamedList<TLocItem>* properties, uint16_t flags, int depth) {
        ProcessProperties(path, properties, flags, depth, true);
        for (int position = 1; !reader_.EndOfList(); ++position) {
            const TFormObject child = reader_.ReadObjectHeader();
            const std::string childPath = JoinDotted(path, child.Name.empty() ? child.ClassName + std::to_string(position) : child.Name);
            uint16_t childFlags = 0;
            const TNamedList<TLocItem>* childProperties = ComponentProperties(childPath, childFlags);
            ProcessObject(childPath, childProperties, childFlags, depth + 1);
        }
        reader_.ReadListEnd();
    }

    std::string_view input_;
    TFormReader reader_;
    const TLocStorage& storage_;
    const TFormRules& rules_;
    const std::string& nameTemplate_;
    const TLocForm* form_ = nullptr;
    TBytes output_;
    size_t copied_ = 0;
};

}  // namespace

std::string TLocFormProcessor::CharsetIdent(uint8_t charset) {
    static constexpr std::pair<uint8_t, const char*> names[] = {
        {0, "ANSI_CHARSET"},       {1, "DEFAULT_CHARSET"},     {2, "SYMBOL_CHARSET"},     {77, "MAC_CHARSET"},
        {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},   {130, "JOHAB_CHARSET"},    {134, "GB2312_CHARSET"},
        {136, "CHINESEBIG5_CHARSET"}, {161, "GREEK_CHARSET"},  {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
        {177, "HEBREW_CHARSET"},   {178, "ARABIC_CHARSET"},    {186, "BALTIC_CHARSET"},   {204, "RUSSIAN_CHARSET"},
        {222, "THAI_CHARSET"},     {238, "EASTEUROPE_CHARSET"}, {255, "OEM_CHARSET"},
    };
    for (const auto& [number, name] : names)
        if (number == charset) return name;
    return std::to_string(charset);
}

void TLocFormProcessor::ProcessResources(TResProcessor& set) {
    charset_ = LocaleToCharset(LanguageId);
    charsetIdent_ = CharsetIdent(charset_);
    rightToLeft_ = IsRightToLeftLocale(LanguageId);
    for (const std::string& name : FormNames) ProcessForm(set, name);
}

void TLocFormProcessor::ProcessForm(TResProcessor& set, const std::string& name) {
    TResRCData* rcdata = set.RCData();
    if (!rcdata) throw ELocFormProcessorError(LibraryText(res::SNoRCDataBlock));
    TResRCDataItem* item = rcdata->FindItem("T" + UpperCase(name));
    if (!item) item = rcdata->FindItem("TME" + UpperCase(name));
    if (!item) return;
    item->Data = ProcessStream(item->Data);
}

TBytes TLocFormProcessor::ProcessStream(std::string_view input) {
    const TFormRules rules{static_cast<size_t>(std::max(Column, 0)), LanguageId, SetCharset, UseBiDiMode, UseOutdatedTranslations,
                           rightToLeft_, charset_, charsetIdent_};
    return TStreamRewriter(input, storage_, rules, NameTemplate).Run();
}

}  // namespace kestrune
