// The text clipboard formats (8-bit, console, rich text, UTF-16, CSV lines,
// the text's locale) and the text data format, which keeps the text as it
// came and derives the other representation when asked. 8-bit text is in the
// code page of the text's locale when one came with it, else in the user's
// locale's codec, as console text always is.
#pragma once

#include "dragdrop/DragDropFormats.h"

namespace kestrune::dragdrop {

// 8-bit text, cut at its first zero; written with its terminating zero.
class TCustomAnsiTextClipboardFormat : public TCustomAnsiStringClipboardFormat {
public:
    explicit TCustomAnsiTextClipboardFormat(uint16_t clipboardFormat)
        : TCustomAnsiStringClipboardFormat(clipboardFormat) {
        TrimZeroes = true;
    }

protected:
    size_t GetSize() const override { return WriteAnsiText(Data).size(); }
};

// UTF-16 text, cut at its first zero character; written with its terminator.
class TCustomUnicodeTextClipboardFormat : public TCustomSimpleClipboardFormat {
public:
    using TCustomSimpleClipboardFormat::TCustomSimpleClipboardFormat;
    std::u16string Text;
    void Clear() override { Text.clear(); }
    bool HasData() const override { return !Text.empty(); }

protected:
    bool ReadData(TByteSpan block) override;
    bool WriteData(std::span<uint8_t> block) override;
    size_t GetSize() const override { return WriteWideText(Text).size(); }
};

// A text format of a predefined id (FormatName is also the class's name).
template <typename TBase, const char* FormatName, uint16_t FormatId>
class TPredefinedTextFormat : public TBase {
public:
    static constexpr const char* ClassName = FormatName;
    static constexpr TDataDirections DataDirections = ddRead;
    TPredefinedTextFormat() : TBase(FormatId) {}
    const char* Name() const override { return ClassName; }
};

// A text format of a registered name.
template <typename TBase, const char* FormatName>
class TRegisteredTextFormat : public TBase {
public:
    static constexpr const char* ClassName = FormatName;
    static constexpr TDataDirections DataDirections = ddRead;
    KESTRUNE_REGISTERED_FORMAT(FormatName)
    TRegisteredTextFormat() : TBase(Id()) {}
    const char* Name() const override { return ClassName; }
};

inline constexpr char AnsiTextName[] = "TAnsiTextClipboardFormat";
inline constexpr char OEMTextName[] = "TOEMTextClipboardFormat";
inline constexpr char UnicodeTextName[] = "TUnicodeTextClipboardFormat";
inline constexpr char RichTextName[] = "Rich Text Format";
inline constexpr char CSVName[] = "CSV";

using TAnsiTextClipboardFormat = TPredefinedTextFormat<TCustomAnsiTextClipboardFormat, AnsiTextName, CF_TEXT>;
using TOEMTextClipboardFormat = TPredefinedTextFormat<TCustomAnsiTextClipboardFormat, OEMTextName, CF_OEMTEXT>;
using TUnicodeTextClipboardFormat =
    TPredefinedTextFormat<TCustomUnicodeTextClipboardFormat, UnicodeTextName, CF_UNICODETEXT>;
using TRichTextClipboardFormat = TRegisteredTextFormat<TCustomAnsiTextClipboardFormat, RichTextName>;
using TCSVClipboardFormat = TRegisteredTextFormat<TCustomStringListClipboardFormat, CSVName>;

class TLocaleClipboardFormat : public TCustomDWORDClipboardFormat {
public:
    static constexpr const char* ClassName = "TLocaleClipboardFormat";
    TLocaleClipboardFormat() : TCustomDWORDClipboardFormat(CF_LOCALE) {}
    const char* Name() const override { return ClassName; }
    bool HasData() const override { return Value != 0; }
};

// Text set either as 8-bit or as UTF-16; the other form is derived on reading.
class TTextDataFormat : public TCustomDataFormat {
public:
    static const TDataFormatClass Class;
    using TCustomDataFormat::TCustomDataFormat;
    const TDataFormatClass& ClassType() const override { return Class; }
    static void RegisterCompatibleFormats();

    std::string AnsiText() const;
    std::u16string UnicodeText() const;
    void SetAnsiText(std::string text);
    void SetUnicodeText(std::u16string text);
    // The text's locale id; 0 when not set.
    uint32_t Locale = 0;

    void Clear() override;
    bool HasData() const override { return !ansi_.empty() || !unicode_.empty(); }
    bool Assign(TClipboardFormat& format) override;
    bool AssignTo(TClipboardFormat& format) override;

private:
    std::string ansi_;
    std::u16string unicode_;
    bool unicodeIsMaster_ = false;
};

// Text in rich-text form: "{\rtf1\ansi " + text + "}" unless it already is rich text.
std::string RichText(const std::string& text);

void RegisterTextFormats();

}  // namespace kestrune::dragdrop
