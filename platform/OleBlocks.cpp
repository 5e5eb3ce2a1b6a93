#include "platform/OleBlocks.h"

#include "platform/ResCodePages.h"

#include <algorithm>

namespace kestrune::ole {

namespace {

constexpr char32_t Replacement = 0xFFFD;
constexpr size_t DropFilesHeader = 20;
constexpr size_t WideFlagAt = 16;

// One code point from UTF-8 at text[at], advancing at.
char32_t NextCodePoint(std::string_view text, size_t& at) {
    const auto lead = static_cast<uint8_t>(text[at++]);
    if (lead < 0x80) return lead;
    int extra = 0;
    char32_t point = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, point = lead & 0x1Fu, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, point = lead & 0x0Fu, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, point = lead & 0x07u, least = 0x10000;
    } else {
        return Replacement;
    }
    for (int i = 0; i < extra; ++i) {
        if (at >= text.size() || (static_cast<uint8_t>(text[at]) & 0xC0) != 0x80) return Replacement;
        point = (point << 6) | (static_cast<uint8_t>(text[at++]) & 0x3Fu);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return Replacement;
    return point;
}

void AppendUtf8(std::string& out, char32_t point) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

void AppendWide(TBytes& bytes, std::u16string_view text) {
    for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
}

// UTF-16 characters of a little-endian block, the odd trailing byte dropped.
std::u16string WideCharacters(TByteSpan block) {
    std::u16string text(block.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(Get16(block.data() + 2 * i));
    return text;
}

// The zero-terminated names from the start of block, the list ended by an
// empty name or by the end of the block (where an unterminated name is dropped).
template <typename TChar>
std::vector<std::basic_string<TChar>> TerminatedNames(std::basic_string_view<TChar> list) {
    std::vector<std::basic_string<TChar>> names;
    size_t at = 0;
    while (at < list.size()) {
        const size_t end = list.find(TChar{0}, at);
        if (end == std::basic_string_view<TChar>::npos || end == at) break;
        names.emplace_back(list.substr(at, end - at));
        at = end + 1;
    }
    return names;
}

}  // namespace

std::u16string WideFromUtf8(std::string_view text) {
    std::u16string wide;
    size_t at = 0;
    while (at < text.size()) {
        const char32_t point = NextCodePoint(text, at);
        if (point < 0x10000) {
            wide += static_cast<char16_t>(point);
        } else {
            wide += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
            wide += static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
        }
    }
    return wide;
}

std::string Utf8FromWide(std::u16string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t point = text[i];
        if (point >= 0xD800 && point <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            point = 0x10000 + ((point - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (point >= 0xD800 && point <= 0xDFFF) {
            point = Replacement;
        }
        AppendUtf8(out, point);
    }
    return out;
}

void Put32(TBytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// ---- drop files ---------------------------------------------------------------------

std::vector<std::string> ReadNameList(TByteSpan list, bool wide) {
    std::vector<std::string> names;
    if (wide) {
        const std::u16string text = WideCharacters(list);
        for (const std::u16string& name : TerminatedNames<char16_t>(text)) names.push_back(FileNameFromWide(name));
    } else {
        names = TerminatedNames<char>(std::string_view(reinterpret_cast<const char*>(list.data()), list.size()));
    }
    return names;
}

TBytes WriteNameList(const std::vector<std::string>& names, bool wide) {
    TBytes list;
    for (const std::string& name : names) {
        if (wide) {
            AppendWide(list, WideFromFileName(name));
            list.insert(list.end(), 2, 0);
        } else {
            list.insert(list.end(), name.begin(), name.end());
            list.push_back(0);
        }
    }
    list.insert(list.end(), 2, 0);
    return list;
}

std::vector<std::string> ReadDropFiles(TByteSpan block) {
    if (block.size() <= DropFilesHeader) return {};
    const uint32_t offset = Get32(block.data());
    if (offset >= block.size()) return {};
    return ReadNameList(block.subspan(offset), Get32(block.data() + WideFlagAt) != 0);
}

TBytes WriteDropFiles(const std::vector<std::string>& names, bool wide) {
    TBytes block(DropFilesHeader, 0);
    Put32(block, 0, DropFilesHeader);
    Put32(block, WideFlagAt, wide ? 1 : 0);
    const TBytes list = WriteNameList(names, wide);
    block.insert(block.end(), list.begin(), list.end());
    return block;
}

TBytes WriteDropFiles(const std::vector<std::string>& names) {
    return WriteDropFiles(names, std::all_of(names.begin(), names.end(), [](const std::string& name) { return IsTextFileName(name); }));
}

// ---- item ID list arrays --------------------------------------------------------------

std::optional<std::vector<TItemIdList>> ReadIdListArray(TByteSpan block) {
    if (block.size() < 4) return std::nullopt;
    const uint64_t count = Get32(block.data());
    const uint64_t tableEnd = 4 + 4 * (count + 1);
    if (count * 8 + 4 > block.size() || tableEnd > block.size()) return std::nullopt;
    std::vector<TItemIdList> lists;
    for (uint64_t i = 0; i <= count; ++i) {
        const uint32_t offset = Get32(block.data() + 4 + 4 * i);
        if (offset >= block.size()) return std::nullopt;
        std::optional<TItemIdList> list = TItemIdList::fromBytes(block.subspan(offset));
        if (!list) return std::nullopt;
        lists.push_back(std::move(*list));
    }
    if (lists.size() < 2) return std::nullopt;
    return lists;
}

TBytes WriteIdListArray(const std::vector<TItemIdList>& lists) {
    TBytes block(4 * (lists.size() + 1), 0);
    Put32(block, 0, static_cast<uint32_t>(lists.empty() ? 0 : lists.size() - 1));
    for (size_t i = 0; i < lists.size(); ++i) {
        Put32(block, 4 + 4 * i, static_cast<uint32_t>(block.size()));
        block.insert(block.end(), lists[i].bytes().begin(), lists[i].bytes().end());
    }
    return block;
}

// ---- text and values --------------------------------------------------------------------

std::string ReadAnsiText(TByteSpan block) {
    const auto end = std::find(block.begin(), block.end(), uint8_t{0});
    return std::string(block.begin(), end);
}

TBytes WriteAnsiText(std::string_view text) {
    TBytes block(text.begin(), text.end());
    if (block.empty() || block.back() != 0) block.push_back(0);
    return block;
}

std::u16string ReadWideText(TByteSpan block) {
    std::u16string text = WideCharacters(block);
    const size_t end = text.find(u'\0');
    if (end != std::u16string::npos) text.resize(end);
    return text;
}

TBytes WriteWideText(std::u16string_view text) {
    TBytes block;
    AppendWide(block, text);
    if (text.empty() || text.back() != u'\0') block.insert(block.end(), 2, 0);
    return block;
}

std::optional<uint32_t> ReadDword(TByteSpan block) {
    if (block.size() < 4) return std::nullopt;
    return Get32(block.data());
}

TBytes WriteDword(uint32_t value) {
    TBytes block(4, 0);
    Put32(block, 0, value);
    return block;
}

}  // namespace kestrune::ole
