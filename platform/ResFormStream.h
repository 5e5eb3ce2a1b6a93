// The binary form stream of form resources ("TPF0"): objects with their
// properties and children, each value led by its type byte. The reader tells
// where every value lies, so that a rewriter can copy what it leaves alone
// byte for byte; damaged streams raise EFormStreamError, never read past the end.
#pragma once

#include "platform/ResBytes.h"
#include "platform/SysUtils.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

class EFormStreamError : public Exception {
public:
    using Exception::Exception;
};

constexpr std::string_view FormSignature = "TPF0";

enum class TValueType : uint8_t {
    Null, List, Int8, Int16, Int32, Extended, String, Ident, False, True, Binary, Set, LString, Nil,
    Collection, Single, Currency, Date, WString, Int64, UTF8String, Double,
};

// Object header flags.
constexpr uint8_t FilerInherited = 1;
constexpr uint8_t FilerChildPos = 2;
constexpr uint8_t FilerInline = 4;

struct TFormProperty;

// A value of any type, for building and inspecting whole streams.
struct TFormValue {
    TValueType Type = TValueType::Null;
    int64_t Integer = 0;      // integer types
    double Number = 0;        // floating-point, currency and date types
    std::string Text;         // String, LString, Ident, UTF8String (as stored)
    std::u16string Wide;      // WString
    std::vector<std::string> Members;  // Set
    std::vector<TFormValue> Items;     // List
    std::vector<std::vector<TFormProperty>> CollectionItems;
    TBytes Binary;
};

struct TFormProperty {
    std::string Name;
    TFormValue Value;
};

struct TFormObject {
    uint8_t Flags = 0;
    int64_t Position = 0;  // with FilerChildPos
    std::string ClassName;
    std::string Name;
    std::vector<TFormProperty> Properties;
    std::vector<TFormObject> Children;
};

class TFormReader {
public:
    explicit TFormReader(std::string_view bytes) : in_(bytes, Fail) {}

    size_t Pos() const { return in_.Pos(); }
    void ReadSignature();
    // True at the vaNull that ends a property, child or item list.
    bool EndOfList();
    void ReadListEnd();
    // Flags, class name and object name; FilerChildPos carries a position.
    TFormObject ReadObjectHeader();
    std::string ReadShortString();
    TValueType PeekValueType();
    // Reads a type byte that must be expected.
    void ReadValueTypeOf(TValueType expected);
    // Steps over a whole value, type byte included.
    void SkipValue();
    TFormValue ReadValue();
    // The items of a collection: an optional index, then properties up to their list end.
    bool NextCollectionItem();

    [[noreturn]] static void Fail();

private:
    TValueType ReadValueType();
    int64_t ReadIntegerOf(TValueType type);

    TByteReader in_;
    int depth_ = 0;
};

class TFormWriter {
public:
    explicit TFormWriter(TBytes& out) : out_(out) {}

    void WriteSignature() { out_.Bytes(FormSignature); }
    void WriteObjectHeader(const TFormObject& header);
    void WriteShortString(std::string_view text);
    void WriteListEnd() { out_.U8(0); }
    // The smallest integer type that holds the value.
    void WriteInteger(int64_t value);
    void WriteIntegerAs(TValueType type, int64_t value);
    void WriteFloatAs(TValueType type, double value);
    // "False", "True" and "nil" as their own types.
    void WriteIdent(std::string_view ident);
    // Short string up to 255 bytes, else long string.
    void WriteAnsiString(std::string_view bytes);
    void WriteWideString(std::u16string_view text);
    void WriteSet(const std::vector<std::string>& members);
    void WriteValue(const TFormValue& value);
    void WriteProperty(const TFormProperty& property);

private:
    TByteWriter out_;
};

TBytes WriteFormStream(const TFormObject& root);
TFormObject ReadFormStream(std::string_view bytes);

// The 80-bit extended number of a double, and back.
void DoubleToExtended(double value, uint8_t extended[10]);
double ExtendedToDouble(const uint8_t extended[10]);

}  // namespace kestrune
