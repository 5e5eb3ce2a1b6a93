#include "tools/localise/LangFileWriter.h"

#include "localise/QStrings.h"
#include "platform/ResCodePages.h"

namespace kestrune {

namespace {

class TBodyWriter {
public:
    TBodyWriter(TByteWriter& out, const TLangFile& header, const TLocStorage& storage, int column)
        : out_(out), version_(header.Version), storage_(storage), column_(static_cast<size_t>(column)), prefix_(BodyPrefix(header.Version)) {}

    void Write() {
        WriteUnits();
        WriteForms();
        if (version_ >= 7) WriteExtGroups();
    }

private:
    void Name(std::string_view name) { WriteAnsiString(out_, name, prefix_); }
    void Flags(uint16_t flags) {
        if (version_ >= 2) out_.U16(flags);
    }
    void Count(size_t count) { out_.U16(static_cast<uint16_t>(count)); }
    const TLocValue& Value(const TLocItem& item) const { return item.Values.at(column_); }
    void StampAndDate(const TLocValue& value) {
        out_.I32(value.Stamp);
        out_.F64(value.Date);
    }

    void PropertyValue(const TLocItem& item) {
        const std::u16string& text = Value(item).Text;
        if (IsTextKind(item.Kind)) WriteWideString(out_, text, prefix_);
        else if (version_ < 4) return;
        else if (item.Kind == LocKindFloat) out_.F64(TextToFloat(Utf16ToUtf8(text)));
        else if (item.Kind == LocKindInteger) out_.I32(static_cast<int32_t>(TextToInt(Utf16ToUtf8(text))));
    }

    void WriteUnits() {
        Count(storage_.Units.Count());
        for (const auto& unit : storage_.Units) {
            Name(unit->Name);
            Flags(unit->Flags);
            Count(unit->Constants.Count());
            for (const auto& constant : unit->Constants) {
                Name(constant->Name);
                Flags(Value(*constant).Flags);
                out_.U16(constant->ResourceId);
                out_.I32(constant->Id);
                WriteWideString(out_, Value(*constant).Text, prefix_);
                StampAndDate(Value(*constant));
            }
        }
    }

    void WriteProperties(const TNamedList<TLocItem>& properties) {
        Count(properties.Count());
        for (const auto& property : properties) {
            Name(property->Name);
            Flags(Value(*property).Flags);
            out_.I32(property->Id);
            out_.U32(property->Kind);
            PropertyValue(*property);
            StampAndDate(Value(*property));
        }
    }

    void WriteForms() {
        Count(storage_.Forms.Count());
        for (const auto& form : storage_.Forms) {
            Name(form->Name);
            Flags(form->Flags);
            WriteProperties(form->Properties);
            Count(form->Components.Count());
            for (const auto& component : form->Components) {
                Name(component->Name);
                Flags(component->Flags);
                WriteProperties(component->Properties);
            }
        }
    }

    void WriteExtGroups() {
        Count(storage_.ExtGroups.Count());
        for (const auto& group : storage_.ExtGroups) {
            Name(group->Name);
            out_.U16(group->Flags);
            Count(group->Items.Count());
            for (const auto& item : group->Items) {
                Name(item->Name);
                out_.U16(Value(*item).Flags);
                out_.I32(item->Id);
                WriteWideString(out_, Value(*item).Text, prefix_);
                StampAndDate(Value(*item));
            }
        }
    }

    TByteWriter& out_;
    uint16_t version_;
    const TLocStorage& storage_;
    size_t column_;
    TLengthPrefix prefix_;
};

void WriteHeader(TByteWriter& out, const TLangFile& header) {
    out.Bytes("LF");
    out.U16(header.Version);
    out.U32(header.Stamp);
    if (header.Version >= 5) out.U32(header.SecondStamp);
    out.U16(header.LanguageId);
    if (header.Version >= 3) out.U16(header.ExtraWord);
    WriteAnsiString(out, header.EnglishName, TLengthPrefix::Word);
    WriteWideString(out, header.NativeName, TLengthPrefix::Word);
    out.U16(header.IsNative ? 1 : 0);
    if (header.Version >= 2) out.U16(header.Options);
    out.I32(header.LastConstantId);
    out.I32(header.LastPropertyId);
    if (header.Version >= 7) out.I32(header.LastExternalId);
}

}  // namespace

TBytes WriteLangFile(const TLangFile& header, const TLocStorage& storage, int column) {
    TBytes bytes;
    TByteWriter out(bytes);
    WriteHeader(out, header);
    TBodyWriter(out, header, storage, column).Write();
    return bytes;
}

}  // namespace kestrune
