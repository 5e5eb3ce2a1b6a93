#include "platform/ResFormStream.h"

#include <bit>
#include <cmath>
#include <limits>

namespace kestrune {

namespace {

// Objects, lists and collections nested deeper than this are refused.
constexpr int MaxDepth = 64;
constexpr uint8_t PrefixMark = 0xF0;
constexpr TValueType LastValueType = TValueType::Double;
constexpr double CurrencyScale = 10000.0;

bool IsIntegerType(TValueType type) {
    return type == TValueType::Int8 || type == TValueType::Int16 || type == TValueType::Int32 || type == TValueType::Int64;
}

// Leaves the nesting level it entered when it goes out of scope.
class TDepthGuard {
public:
    explicit TDepthGuard(int& depth) : depth_(depth) {
        if (++depth_ > MaxDepth) TFormReader::Fail();
    }
    ~TDepthGuard() { --depth_; }
    TDepthGuard(const TDepthGuard&) = delete;
    TDepthGuard& operator=(const TDepthGuard&) = delete;

private:
    int& depth_;
};

}  // namespace

void DoubleToExtended(double value, uint8_t extended[10]) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    const bool negative = bits >> 63;
    int exponent = static_cast<int>(bits >> 52 & 0x7FF);
    uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
    uint64_t mantissa = 0;
    int biased = 0;
    if (exponent == 0x7FF) {
        biased = 0x7FFF;
        mantissa = uint64_t{1} << 63 | fraction << 11;
    } else if (exponent != 0 || fraction != 0) {
        if (exponent == 0) {  // subnormal: normalise
            exponent = 1;
            while (!(fraction & (uint64_t{1} << 52))) {
                fraction <<= 1;
                --exponent;
            }
        } else {
            fraction |= uint64_t{1} << 52;
        }
        mantissa = fraction << 11;
        biased = exponent - 1023 + 16383;
    }
    for (int i = 0; i < 8; ++i) extended[i] = static_cast<uint8_t>(mantissa >> (8 * i));
    const auto top = static_cast<uint16_t>(biased | (negative ? 0x8000 : 0));
    extended[8] = static_cast<uint8_t>(top);
    extended[9] = static_cast<uint8_t>(top >> 8);
}

double ExtendedToDouble(const uint8_t extended[10]) {
    uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i) mantissa = mantissa << 8 | extended[i];
    const int top = extended[8] | extended[9] << 8;
    const bool negative = top & 0x8000;
    const int biased = top & 0x7FFF;
    double value = 0;
    if (biased == 0x7FFF) {
        value = (mantissa << 1) ? std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::infinity();
    } else if (mantissa != 0) {
        value = std::ldexp(static_cast<double>(mantissa), biased - 16383 - 63);
    }
    return negative ? -value : value;
}

void TFormReader::Fail() { throw EFormStreamError("Invalid stream format"); }

void TFormReader::ReadSignature() {
    if (in_.Bytes(FormSignature.size()) != FormSignature) Fail();
}

// Only the byte is looked at: an object header may begin with its flags byte.
bool TFormReader::EndOfList() {
    const size_t at = in_.Pos();
    const bool end = in_.U8() == 0;
    in_.Seek(at);
    return end;
}

void TFormReader::ReadListEnd() {
    if (ReadValueType() != TValueType::Null) Fail();
}

std::string TFormReader::ReadShortString() { return std::string(in_.Bytes(in_.U8())); }

TValueType TFormReader::PeekValueType() {
    const size_t at = in_.Pos();
    const TValueType type = ReadValueType();
    in_.Seek(at);
    return type;
}

void TFormReader::ReadValueTypeOf(TValueType expected) {
    if (ReadValueType() != expected) Fail();
}

TValueType TFormReader::ReadValueType() {
    const uint8_t type = in_.U8();
    if (type > static_cast<uint8_t>(LastValueType)) Fail();
    return static_cast<TValueType>(type);
}

int64_t TFormReader::ReadIntegerOf(TValueType type) {
    switch (type) {
    case TValueType::Int8: return static_cast<int8_t>(in_.U8());
    case TValueType::Int16: return static_cast<int16_t>(in_.U16());
    case TValueType::Int32: return in_.I32();
    case TValueType::Int64: return static_cast<int64_t>(in_.U64());
    default: Fail();
    }
}

TFormObject TFormReader::ReadObjectHeader() {
    TFormObject header;
    const size_t at = in_.Pos();
    const uint8_t prefix = in_.U8();
    if ((prefix & PrefixMark) == PrefixMark) {
        header.Flags = prefix & 0x0F;
        if (header.Flags & FilerChildPos) header.Position = ReadIntegerOf(ReadValueType());
    } else {
        in_.Seek(at);
    }
    header.ClassName = ReadShortString();
    header.Name = ReadShortString();
    return header;
}

bool TFormReader::NextCollectionItem() {
    const TValueType type = ReadValueType();
    if (type == TValueType::Null) return false;
    const TValueType listType = IsIntegerType(type) ? (ReadIntegerOf(type), ReadValueType()) : type;
    if (listType != TValueType::List) Fail();
    return true;
}

void TFormReader::SkipValue() { ReadValue(); }

TFormValue TFormReader::ReadValue() {
    TDepthGuard guard(depth_);
    TFormValue value;
    value.Type = ReadValueType();
    switch (value.Type) {
    case TValueType::Null: Fail();
    case TValueType::List:
        while (!EndOfList()) value.Items.push_back(ReadValue());
        ReadListEnd();
        break;
    case TValueType::Int8:
    case TValueType::Int16:
    case TValueType::Int32:
    case TValueType::Int64: value.Integer = ReadIntegerOf(value.Type); break;
    case TValueType::Extended: {
        const std::string_view bytes = in_.Bytes(10);
        value.Number = ExtendedToDouble(reinterpret_cast<const uint8_t*>(bytes.data()));
        break;
    }
    case TValueType::Single: value.Number = std::bit_cast<float>(in_.U32()); break;
    case TValueType::Double:
    case TValueType::Date: value.Number = in_.F64(); break;
    case TValueType::Currency: value.Number = static_cast<double>(static_cast<int64_t>(in_.U64())) / CurrencyScale; break;
    case TValueType::String:
    case TValueType::Ident: value.Text = ReadShortString(); break;
    case TValueType::LString:
    case TValueType::UTF8String: value.Text = std::string(in_.Bytes(in_.U32())); break;
    case TValueType::WString: value.Wide = in_.Wide(in_.U32()); break;
    case TValueType::Binary: value.Binary = TBytes(in_.Bytes(in_.U32())); break;
    case TValueType::Set:
        for (std::string member = ReadShortString(); !member.empty(); member = ReadShortString()) value.Members.push_back(member);
        break;
    case TValueType::Collection:
        while (NextCollectionItem()) {
            std::vector<TFormProperty>& item = value.CollectionItems.emplace_back();
            while (!EndOfList()) {
                std::string name = ReadShortString();
                item.push_back(TFormProperty{std::move(name), ReadValue()});
            }
            ReadListEnd();
        }
        break;
    case TValueType::False:
    case TValueType::True:
    case TValueType::Nil: break;
    }
    return value;
}

void TFormWriter::WriteShortString(std::string_view text) {
    if (text.size() > 255) throw EFormStreamError("Name too long for the form stream: " + std::string(text.substr(0, 40)));
    out_.U8(static_cast<uint8_t>(text.size()));
    out_.Bytes(text);
}

void TFormWriter::WriteObjectHeader(const TFormObject& header) {
    if (header.Flags != 0) {
        out_.U8(static_cast<uint8_t>(PrefixMark | header.Flags));
        if (header.Flags & FilerChildPos) WriteInteger(header.Position);
    }
    WriteShortString(header.ClassName);
    WriteShortString(header.Name);
}

void TFormWriter::WriteInteger(int64_t value) {
    if (value >= INT8_MIN && value <= INT8_MAX) WriteIntegerAs(TValueType::Int8, value);
    else if (value >= INT16_MIN && value <= INT16_MAX) WriteIntegerAs(TValueType::Int16, value);
    else if (value >= INT32_MIN && value <= INT32_MAX) WriteIntegerAs(TValueType::Int32, value);
    else WriteIntegerAs(TValueType::Int64, value);
}

void TFormWriter::WriteIntegerAs(TValueType type, int64_t value) {
    out_.U8(static_cast<uint8_t>(type));
    switch (type) {
    case TValueType::Int8: out_.U8(static_cast<uint8_t>(value)); break;
    case TValueType::Int16: out_.U16(static_cast<uint16_t>(value)); break;
    case TValueType::Int32: out_.U32(static_cast<uint32_t>(value)); break;
    default: out_.U64(static_cast<uint64_t>(value)); break;
    }
}

void TFormWriter::WriteFloatAs(TValueType type, double value) {
    out_.U8(static_cast<uint8_t>(type));
    switch (type) {
    case TValueType::Extended: {
        uint8_t extended[10];
        DoubleToExtended(value, extended);
        out_.Bytes(std::string_view(reinterpret_cast<const char*>(extended), 10));
        break;
    }
    case TValueType::Single: out_.U32(std::bit_cast<uint32_t>(static_cast<float>(value))); break;
    case TValueType::Currency: out_.U64(static_cast<uint64_t>(static_cast<int64_t>(std::llround(value * CurrencyScale)))); break;
    default: out_.F64(value); break;
    }
}

void TFormWriter::WriteIdent(std::string_view ident) {
    if (SameText(ident, "False")) return out_.U8(static_cast<uint8_t>(TValueType::False));
    if (SameText(ident, "True")) return out_.U8(static_cast<uint8_t>(TValueType::True));
    if (SameText(ident, "nil")) return out_.U8(static_cast<uint8_t>(TValueType::Nil));
    out_.U8(static_cast<uint8_t>(TValueType::Ident));
    WriteShortString(ident);
}

void TFormWriter::WriteAnsiString(std::string_view bytes) {
    if (bytes.size() <= 255) {
        out_.U8(static_cast<uint8_t>(TValueType::String));
        WriteShortString(bytes);
        return;
    }
    out_.U8(static_cast<uint8_t>(TValueType::LString));
    out_.U32(static_cast<uint32_t>(bytes.size()));
    out_.Bytes(bytes);
}

void TFormWriter::WriteWideString(std::u16string_view text) {
    out_.U8(static_cast<uint8_t>(TValueType::WString));
    out_.U32(static_cast<uint32_t>(text.size()));
    out_.Wide(text);
}

void TFormWriter::WriteSet(const std::vector<std::string>& members) {
    out_.U8(static_cast<uint8_t>(TValueType::Set));
    for (const std::string& member : members) WriteShortString(member);
    WriteShortString("");
}

void TFormWriter::WriteProperty(const TFormProperty& property) {
    WriteShortString(property.Name);
    WriteValue(property.Value);
}

void TFormWriter::WriteValue(const TFormValue& value) {
    switch (value.Type) {
    case TValueType::Null: throw EFormStreamError("A property value cannot be empty");
    case TValueType::List:
        out_.U8(static_cast<uint8_t>(TValueType::List));
        for (const TFormValue& item : value.Items) WriteValue(item);
        WriteListEnd();
        break;
    case TValueType::Int8:
    case TValueType::Int16:
    case TValueType::Int32:
    case TValueType::Int64: WriteIntegerAs(value.Type, value.Integer); break;
    case TValueType::Extended:
    case TValueType::Single:
    case TValueType::Double:
    case TValueType::Date:
    case TValueType::Currency: WriteFloatAs(value.Type, value.Number); break;
    case TValueType::String:
        out_.U8(static_cast<uint8_t>(value.Type));
        WriteShortString(value.Text);
        break;
    case TValueType::Ident: WriteIdent(value.Text); break;
    case TValueType::LString:
    case TValueType::UTF8String:
        out_.U8(static_cast<uint8_t>(value.Type));
        out_.U32(static_cast<uint32_t>(value.Text.size()));
        out_.Bytes(value.Text);
        break;
    case TValueType::WString: WriteWideString(value.Wide); break;
    case TValueType::Binary:
        out_.U8(static_cast<uint8_t>(value.Type));
        out_.U32(static_cast<uint32_t>(value.Binary.size()));
        out_.Bytes(value.Binary);
        break;
    case TValueType::Set: WriteSet(value.Members); break;
    case TValueType::Collection:
        out_.U8(static_cast<uint8_t>(value.Type));
        for (const auto& item : value.CollectionItems) {
            out_.U8(static_cast<uint8_t>(TValueType::List));
            for (const TFormProperty& property : item) WriteProperty(property);
            WriteListEnd();
        }
        WriteListEnd();
        break;
    case TValueType::False:
    case TValueType::True:
    case TValueType::Nil: out_.U8(static_cast<uint8_t>(value.Type)); break;
    }
}

namespace {

void WriteObject(TFormWriter& writer, const TFormObject& object) {
    writer.WriteObjectHeader(object);
    for (const TFormProperty& property : object.Properties) writer.WriteProperty(property);
    writer.WriteListEnd();
    for (const TFormObject& child : object.Children) WriteObject(writer, child);
    writer.WriteListEnd();
}

class TObjectReader {
public:
    explicit TObjectReader(std::string_view bytes) : reader_(bytes) {}

    TFormObject ReadRoot() {
        reader_.ReadSignature();
        return ReadObject();
    }

private:
    TFormObject ReadObject() {
        if (++depth_ > MaxDepth) TFormReader::Fail();
        TFormObject object = reader_.ReadObjectHeader();
        while (!reader_.EndOfList()) {
            std::string name = reader_.ReadShortString();
            object.Properties.push_back(TFormProperty{std::move(name), reader_.ReadValue()});
        }
        reader_.ReadListEnd();
        while (!reader_.EndOfList()) object.Children.push_back(ReadObject());
        reader_.ReadListEnd();
        --depth_;
        return object;
    }

    TFormReader reader_;
    int depth_ = 0;
};

}  // namespace

TBytes WriteFormStream(const TFormObject& root) {
    TBytes bytes;
    TFormWriter writer(bytes);
    writer.WriteSignature();
    WriteObject(writer, root);
    return bytes;
}

TFormObject ReadFormStream(std::string_view bytes) { return TObjectReader(bytes).ReadRoot(); }

}  // namespace kestrune
