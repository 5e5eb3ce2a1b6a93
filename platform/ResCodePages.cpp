#include "platform/ResCodePages.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <utility>

namespace kestrune {

namespace {

constexpr char16_t Replacement = u'\uFFFD';

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 | c >> 10));
        out.push_back(static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
    }
}

// Length of a UTF-8 sequence from its lead byte, 0 for a byte that cannot lead.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead < 0xE0) return 2;
    if (lead >= 0xE0 && lead < 0xF0) return 3;
    if (lead >= 0xF0 && lead < 0xF5) return 4;
    return 0;
}

// The code point of the well-formed UTF-8 sequence at text[at] and its
// length; length 0 for a byte that starts none (a stray continuation, a
// sequence cut short, an overlong form, an encoded surrogate).
struct TUtf8Sequence {
    char32_t point = 0;
    size_t length = 0;
};

TUtf8Sequence NextUtf8(std::string_view text, size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const int length = SequenceLength(lead);
    if (length == 0 || at + length > text.size()) return {};
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) return {};
        point = point << 6 | (next & 0x3F);
    }
    static constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < least[length] || point > 0x10FFFF || (point >= 0xD800 && point < 0xE000)) return {};
    return {point, static_cast<size_t>(length)};
}

// A byte of a name that is no character of the locale's codec travels among
// characters as U+DC80..U+DCFF, half a surrogate pair that no text holds
// alone, and goes back to disk as the same byte. In the program's texts
// (UTF-8) it is written in UTF-8's three-byte form, ED B2 80..ED B3 BF.
constexpr char16_t EscapedBytes = 0xDC00;
constexpr size_t EscapedByteTextLength = 3;

void AppendEscapedByteText(std::string& text, char byte) {
    AppendUtf8(text, static_cast<char32_t>(EscapedBytes + static_cast<unsigned char>(byte)));
}

std::optional<char> EscapedByteTextAt(std::string_view text, size_t at) {
    if (at + EscapedByteTextLength > text.size() || text[at] != '\xED') return std::nullopt;
    const auto middle = static_cast<unsigned char>(text[at + 1]);
    const auto last = static_cast<unsigned char>(text[at + 2]);
    if ((middle != 0xB2 && middle != 0xB3) || (last & 0xC0) != 0x80) return std::nullopt;
    return static_cast<char>(0x80 | (middle & 1) << 6 | (last & 0x3F));
}

std::string IconvName(uint16_t codePage) {
    switch (codePage) {
    case 932: return "CP932";
    case 936: return "GBK";
    case 949: return "UHC";
    case 950: return "BIG5";
    default: return "CP" + std::to_string(codePage);
    }
}

// One iconv conversion descriptor, closed with the object.
class TIconv {
public:
    TIconv(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~TIconv() {
        if (Valid()) iconv_close(cd_);
    }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;
    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts one unit (inCount bytes); false when it cannot be converted.
    bool Convert(const char* in, size_t inCount, std::string& out) {
        std::array<char, 16> buffer{};
        char* source = const_cast<char*>(in);
        char* target = buffer.data();
        size_t targetLeft = buffer.size();
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &source, &inCount, &target, &targetLeft) == static_cast<size_t>(-1)) return false;
        out.append(buffer.data(), buffer.size() - targetLeft);
        return true;
    }

private:
    iconv_t cd_;
};

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (EscapedByteTextAt(text, i)) {
            out.push_back(Replacement);
            i += EscapedByteTextLength;
            continue;
        }
        const TUtf8Sequence sequence = NextUtf8(text, i);
        if (sequence.length == 0) {
            out.push_back(Replacement);
            ++i;
            continue;
        }
        AppendUtf16(out, sequence.point);
        i += sequence.length;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c < 0xE000) {
            c = Replacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

namespace {

// The length of the character at bytes[at], its UTF-16LE bytes left in
// utf16; 0 when the codec cannot read one there.
size_t DecodeCharacter(TIconv& iconv, std::string_view bytes, size_t at, std::string& utf16) {
    utf16.clear();
    for (size_t length = 1; length <= 4 && at + length <= bytes.size(); ++length)
        if (iconv.Convert(bytes.data() + at, length, utf16)) return length;
    return 0;
}

std::u16string FromUtf16Bytes(const std::string& utf16) {
    std::u16string out;
    for (size_t k = 0; k + 1 < utf16.size(); k += 2)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(utf16[k]) | static_cast<unsigned char>(utf16[k + 1]) << 8));
    return out;
}

// Character by character, each of one to four bytes: a byte the codec does
// not define cannot swallow the rest. Each character goes to character() as
// UTF-16 with the bytes it was read from, each byte the codec cannot read to
// undecodable().
template <typename TCharacter, typename TByte>
void DecodeEach(std::string_view bytes, const std::string& codec, TCharacter character, TByte undecodable) {
    TIconv iconv("UTF-16LE", codec);
    std::string utf16;
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = iconv.Valid() ? DecodeCharacter(iconv, bytes, i, utf16) : 0;
        if (length == 0) {
            undecodable(bytes[i++]);
            continue;
        }
        character(FromUtf16Bytes(utf16), bytes.substr(i, length));
        i += length;
    }
}

// Bytes the codec cannot read become U+FFFD.
std::u16string Decode(std::string_view bytes, const std::string& codec) {
    std::u16string out;
    DecodeEach(
        bytes, codec, [&](const std::u16string& character, std::string_view) { out += character; },
        [&](char b) { out.push_back(static_cast<unsigned char>(b) < 0x80 ? static_cast<char16_t>(b) : Replacement); });
    return out;
}

std::string Encode(std::u16string_view text, TIconv& iconv) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t units = text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size() ? 2 : 1;
        const auto* unit = reinterpret_cast<const char*>(text.data() + i);
        if (text[i] < 0x80) {
            out.push_back(static_cast<char>(text[i]));
        } else if (!iconv.Valid() || !iconv.Convert(unit, units * 2, out)) {
            out.push_back('?');
        }
        i += units - 1;
    }
    return out;
}

std::string Encode(std::u16string_view text, const std::string& codec) {
    TIconv iconv(codec, "UTF-16LE");
    return Encode(text, iconv);
}

bool IsUtf8(const std::string& codec) { return codec == "UTF-8" || codec == "utf8" || codec == "UTF8" || codec == "utf-8"; }

uint16_t (*&CodePageLookup())(uint32_t) {
    static uint16_t (*lookup)(uint32_t) = nullptr;
    return lookup;
}

}  // namespace

std::u16string AnsiToWide(std::string_view bytes, uint16_t codePage) { return Decode(bytes, IconvName(codePage)); }

std::string WideToAnsi(std::u16string_view text, uint16_t codePage) { return Encode(text, IconvName(codePage)); }

namespace {

// The codeset the C library gives a locale named without one ("de_DE" is
// ISO-8859-1, "ja_JP" EUC-JP), asked without touching the program's own
// locale; "" when the locale is not installed or is the plain C one.
std::string InstalledCodeset(const char* name) {
    const locale_t locale = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) return {};
    std::string codeset = nl_langinfo_l(CODESET, locale);
    freelocale(locale);
    return codeset == "ANSI_X3.4-1968" ? std::string() : codeset;
}

}  // namespace

std::string LocaleCodeset() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0') continue;
        const std::string_view locale(value);
        const size_t dot = locale.find('.');
        if (dot == std::string_view::npos) {
            const std::string codeset = InstalledCodeset(value);
            if (!codeset.empty()) return codeset;
            break;
        }
        const std::string codeset(locale.substr(dot + 1, locale.find('@', dot) - dot - 1));
        if (!codeset.empty()) return codeset;
        break;
    }
    return "UTF-8";
}

std::u16string LocaleToWide(std::string_view bytes) {
    const std::string codec = LocaleCodeset();
    return IsUtf8(codec) ? Utf8ToUtf16(bytes) : Decode(bytes, codec);
}

std::string WideToLocale(std::u16string_view text) {
    const std::string codec = LocaleCodeset();
    return IsUtf8(codec) ? Utf16ToUtf8(text) : Encode(text, codec);
}

namespace {

// A run of bytes of 0x80 and above, written in the locale's codec: its
// characters converted together, a name's escaped bytes as themselves; a
// run that is no UTF-8 throughout holds bytes already in the locale.
std::string LocaleRunFromUtf8(std::string_view run) {
    std::string out;
    std::u16string characters;  // converted at once, as a codec's shifts need
    const auto flush = [&] {
        out += WideToLocale(characters);
        characters.clear();
    };
    for (size_t at = 0; at < run.size();) {
        if (const std::optional<char> escaped = EscapedByteTextAt(run, at)) {
            flush();
            out.push_back(*escaped);
            at += EscapedByteTextLength;
            continue;
        }
        const TUtf8Sequence sequence = NextUtf8(run, at);
        if (sequence.length == 0) return std::string(run);
        AppendUtf16(characters, sequence.point);
        at += sequence.length;
    }
    flush();
    return out;
}

}  // namespace

std::string LocaleTextFromUtf8(std::string_view text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        size_t end = at;
        const bool ascii = static_cast<unsigned char>(text[at]) < 0x80;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) < 0x80) == ascii) ++end;
        const std::string_view run = text.substr(at, end - at);
        if (ascii) out += run;
        else out += LocaleRunFromUtf8(run);
        at = end;
    }
    return out;
}

namespace {

// The text with each name's kept byte replaced by what replacement() gives.
template <typename TReplacement>
std::string WithEscapedBytesReplaced(std::string_view text, TReplacement replacement) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        if (const std::optional<char> escaped = EscapedByteTextAt(text, at)) {
            out += replacement(*escaped);
            at += EscapedByteTextLength;
            continue;
        }
        out.push_back(text[at++]);
    }
    return out;
}

}  // namespace

std::string ShownText(std::string_view text) {
    return WithEscapedBytesReplaced(text, [](char) { return std::string("\xEF\xBF\xBD"); });
}

std::string StoredText(std::string_view text) {
    return WithEscapedBytesReplaced(text, [](char byte) { return std::string(1, byte); });
}

namespace {

bool IsEscapedByte(char16_t c) { return c >= EscapedBytes + 0x80 && c <= EscapedBytes + 0xFF; }

// The byte kept at name[at], if any: a low surrogate after a high one is the
// second half of a character beyond the first 65,536.
std::optional<char> EscapedByteAt(std::u16string_view name, size_t at) {
    const bool paired = at > 0 && name[at - 1] >= 0xD800 && name[at - 1] < 0xDC00;
    if (paired || !IsEscapedByte(name[at])) return std::nullopt;
    return static_cast<char>(name[at] - EscapedBytes);
}

bool HoldsEscapedBytes(std::u16string_view name) {
    for (size_t at = 0; at < name.size(); ++at)
        if (EscapedByteAt(name, at)) return true;
    return false;
}

void AppendEscaped(std::u16string& name, std::string_view bytes) {
    for (const char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        name.push_back(static_cast<char16_t>(byte < 0x80 ? byte : EscapedBytes + byte));
    }
}

}  // namespace

std::u16string WideFromFileName(std::string_view bytes) {
    const std::string codec = LocaleCodeset();
    std::u16string name;
    if (IsUtf8(codec)) {
        for (size_t i = 0; i < bytes.size();) {
            const TUtf8Sequence sequence = NextUtf8(bytes, i);
            if (sequence.length == 0) {
                AppendEscaped(name, bytes.substr(i++, 1));
                continue;
            }
            AppendUtf16(name, sequence.point);
            i += sequence.length;
        }
        return name;
    }
    // A character that several byte sequences decode to (as in CP932) is kept
    // as the bytes it was read from, or the name would go back as others.
    TIconv encoder(codec, "UTF-16LE");
    DecodeEach(
        bytes, codec,
        [&](const std::u16string& character, std::string_view read) {
            const bool kept = !HoldsEscapedBytes(character) && Encode(character, encoder) == read;
            if (kept)
                name += character;
            else
                AppendEscaped(name, read);
        },
        [&](char b) { AppendEscaped(name, std::string_view(&b, 1)); });
    return name;
}

namespace {

// A name held as characters, each run of characters converted at once by
// characters(), each escaped byte appended by escaped().
template <typename TCharacters, typename TEscaped>
std::string Unescaped(std::u16string_view name, TCharacters characters, TEscaped escaped) {
    std::string out;
    std::u16string run;
    const auto flush = [&] {
        out += characters(run);
        run.clear();
    };
    for (size_t at = 0; at < name.size(); ++at) {
        const std::optional<char> byte = EscapedByteAt(name, at);
        if (!byte) {
            run.push_back(name[at]);
            continue;
        }
        flush();
        escaped(out, *byte);
    }
    flush();
    return out;
}

}  // namespace

std::string FileNameFromWide(std::u16string_view name) {
    const std::string codec = LocaleCodeset();
    return Unescaped(
        name, [&](const std::u16string& run) { return IsUtf8(codec) ? Utf16ToUtf8(run) : Encode(run, codec); },
        [](std::string& bytes, char byte) { bytes.push_back(byte); });
}

bool IsTextFileName(std::string_view bytes) { return !HoldsEscapedBytes(WideFromFileName(bytes)); }

std::u16string CharactersNoFileNameHolds(std::u16string_view name) {
    const std::string codec = LocaleCodeset();
    TIconv encoder(IsUtf8(codec) ? "UTF-8" : codec, "UTF-16LE");
    std::u16string refused;
    for (size_t at = 0; at < name.size(); ++at) {
        const bool pair = name[at] >= 0xD800 && name[at] < 0xDC00 && at + 1 < name.size() && name[at + 1] >= 0xDC00 &&
                          name[at + 1] < 0xE000;
        const size_t units = pair ? 2 : 1;
        std::string written;
        const bool held = name[at] < 0x80 || EscapedByteAt(name, at) ||
                          (encoder.Valid() && encoder.Convert(reinterpret_cast<const char*>(name.data() + at), units * 2, written));
        if (!held && refused.find(name.substr(at, units)) == std::u16string::npos) refused += name.substr(at, units);
        at += units - 1;
    }
    return refused;
}

std::u16string ShownFileName(std::u16string_view name) {
    std::u16string shown(name);
    for (size_t at = 0; at < shown.size(); ++at)
        if (EscapedByteAt(name, at)) shown[at] = Replacement;
    return shown;
}

std::u16string ShownFileName(std::string_view bytes) { return ShownFileName(WideFromFileName(bytes)); }

std::string ShownFileNameText(std::string_view bytes) {
    return Unescaped(WideFromFileName(bytes), [](const std::u16string& run) { return Utf16ToUtf8(run); }, AppendEscapedByteText);
}

uint16_t LanguageCodePage(uint32_t languageId) { return CodePageLookup() ? CodePageLookup()(languageId) : 0; }

void SetLanguageCodePageLookup(uint16_t (*lookup)(uint32_t)) { CodePageLookup() = lookup; }

std::u16string LanguageBytesToWide(std::string_view bytes, uint32_t languageId) {
    const uint16_t codePage = languageId == 0 ? 0 : LanguageCodePage(languageId);
    return codePage == 0 ? LocaleToWide(bytes) : AnsiToWide(bytes, codePage);
}

std::string WideToLanguageBytes(std::u16string_view text, uint32_t languageId) {
    const uint16_t codePage = languageId == 0 ? 0 : LanguageCodePage(languageId);
    return codePage == 0 ? WideToLocale(text) : WideToAnsi(text, codePage);
}

uint8_t CodePageCharset(uint16_t codePage) {
    static constexpr std::pair<uint16_t, uint8_t> charsets[] = {
        {1252, 0},   {932, 128},  {949, 129},  {936, 134},  {950, 136},  {1253, 161}, {1254, 162},
        {1258, 163}, {1255, 177}, {1256, 178}, {1257, 186}, {1251, 204}, {874, 222},  {1250, 238},
    };
    for (const auto& [page, charset] : charsets)
        if (page == codePage) return charset;
    return 1;
}

bool IsRightToLeftChar(char32_t c) {
    return (c >= 0x0590 && c < 0x0900) || (c >= 0xFB1D && c < 0xFE00) || (c >= 0xFE70 && c < 0xFF00) ||
           c == 0x200F;
}

}  // namespace kestrune
