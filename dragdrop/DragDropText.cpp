#include "dragdrop/DragDropText.h"

#include "platform/ResCodePages.h"
#include "platform/UserLanguage.h"

#include <algorithm>

namespace kestrune::dragdrop {

bool TCustomUnicodeTextClipboardFormat::ReadData(TByteSpan block) {
    Text = ReadWideText(block);
    return true;
}

bool TCustomUnicodeTextClipboardFormat::WriteData(std::span<uint8_t> block) {
    const TBytes bytes = WriteWideText(Text);
    if (block.size() > bytes.size()) return false;
    std::copy_n(bytes.begin(), block.size(), block.begin());
    return true;
}

const TDataFormatClass TTextDataFormat::Class{"TTextDataFormat", nullptr};

void TTextDataFormat::RegisterCompatibleFormats() {
    TDataFormatMap& map = TDataFormatMap::Instance();
    map.Add(Class, ClipboardClass<TAnsiTextClipboardFormat>(), ddReadWrite, 0);
    map.Add(Class, ClipboardClass<TLocaleClipboardFormat>(), ddReadWrite, 0);
    map.Add(Class, ClipboardClass<TUnicodeTextClipboardFormat>(), ddReadWrite, -1);
    map.Add(Class, ClipboardClass<TOEMTextClipboardFormat>(), ddReadWrite, 0);
}

std::string TTextDataFormat::AnsiText() const { return unicodeIsMaster_ ? WideToLanguageBytes(unicode_, Locale) : ansi_; }

std::u16string TTextDataFormat::UnicodeText() const { return unicodeIsMaster_ ? unicode_ : LanguageBytesToWide(ansi_, Locale); }

void TTextDataFormat::SetAnsiText(std::string text) {
    Changing();
    ansi_ = std::move(text);
    unicode_.clear();
    unicodeIsMaster_ = false;
}

void TTextDataFormat::SetUnicodeText(std::u16string text) {
    Changing();
    unicode_ = std::move(text);
    ansi_.clear();
    unicodeIsMaster_ = true;
}

void TTextDataFormat::Clear() {
    Changing();
    ansi_.clear();
    unicode_.clear();
    unicodeIsMaster_ = false;
    Locale = 0;
}

bool TTextDataFormat::Assign(TClipboardFormat& format) {
    if (auto* unicode = dynamic_cast<TCustomUnicodeTextClipboardFormat*>(&format)) {
        SetUnicodeText(unicode->Text);
        return true;
    }
    if (auto* locale = dynamic_cast<TLocaleClipboardFormat*>(&format)) {
        Clear();
        Locale = locale->Value;
        return true;
    }
    // Console text is read in its own codec, not taken for the 8-bit text it is not.
    if (auto* oem = dynamic_cast<TOEMTextClipboardFormat*>(&format)) {
        SetUnicodeText(LocaleToWide(oem->Data));
        return true;
    }
    if (auto* ansi = dynamic_cast<TCustomAnsiTextClipboardFormat*>(&format)) {
        SetAnsiText(ansi->Data);
        return true;
    }
    return TCustomDataFormat::Assign(format);
}

std::string RichText(const std::string& text) {
    return text.starts_with("{\\rtf") ? text : "{\\rtf1\\ansi " + text + "}";
}

bool TTextDataFormat::AssignTo(TClipboardFormat& format) {
    if (auto* unicode = dynamic_cast<TCustomUnicodeTextClipboardFormat*>(&format)) {
        unicode->Text = UnicodeText();
        return true;
    }
    // The locale in use: the text's own, else the user's.
    if (auto* locale = dynamic_cast<TLocaleClipboardFormat*>(&format)) {
        locale->Value = Locale != 0 ? Locale : UserLanguageId();
        return true;
    }
    if (auto* rich = dynamic_cast<TRichTextClipboardFormat*>(&format)) {
        rich->Data = RichText(AnsiText());
        return true;
    }
    // The console's codec is the locale's.
    if (auto* oem = dynamic_cast<TOEMTextClipboardFormat*>(&format)) {
        oem->Data = WideToLocale(UnicodeText());
        return true;
    }
    if (auto* ansi = dynamic_cast<TCustomAnsiTextClipboardFormat*>(&format)) {
        ansi->Data = AnsiText();
        return true;
    }
    return TCustomDataFormat::AssignTo(format);
}

void RegisterTextFormats() { TTextDataFormat::RegisterCompatibleFormats(); }

}  // namespace kestrune::dragdrop
