#include "localise/LocLangPack.h"

#include "localise/LocCommon.h"
#include "localise/LocOnFly.h"
#include "localise/LocResources.h"
#include "localise/QLocales.h"
#include "localise/qcompress.h"
#include "platform/ResBytes.h"
#include "platform/ResCodePages.h"

namespace kestrune {

namespace {

constexpr std::string_view PackSignature = "QLL";

[[noreturn]] void InvalidPack() { throw ELocOnFlyError(LibraryText(res::SInvalidQLangs)); }

// The name the system gives a language, for packs too old to carry one.
std::string SystemName(uint16_t languageId, uint32_t item) {
    try {
        return item == LOCALE_SENGLANGUAGE ? GetLocaleEnglishName(languageId) : GetLocaleText(languageId, item);
    } catch (const ELocalesError&) {
        return {};
    }
}

TPackEntry ReadDirectoryEntry(TByteReader& in, uint16_t version) {
    TPackEntry entry;
    entry.LanguageId = in.U16();
    entry.EnglishName = version > 2 ? ReadAnsiString(in, TLengthPrefix::Variable) : SystemName(entry.LanguageId, LOCALE_SENGLANGUAGE);
    entry.NativeName = version >= 4 ? ReadWideString(in, TLengthPrefix::Variable)
                                    : Utf8ToUtf16(SystemName(entry.LanguageId, LOCALE_SLANGUAGE));
    if (version > 4) {
        entry.Stamp = in.U32();
        entry.SecondStamp = in.U32();
    }
    return entry;
}

}  // namespace

TLanguagePack::TLanguagePack(std::string_view resource) {
    if (resource.substr(0, PackSignature.size()) != PackSignature) return;
    TByteReader in(resource, InvalidPack);
    in.Skip(PackSignature.size());
    const uint16_t version = in.U16();
    in.Skip(version > 4 ? 8 : 4);  // reserved
    const uint16_t count = in.U16();
    for (uint16_t i = 0; i < count; ++i) entries_.push_back(ReadDirectoryEntry(in, version));
    for (TPackEntry& entry : entries_) entry.Block = in.Bytes(version > 1 ? in.U32() : in.U16());
}

int TLanguagePack::IndexOf(uint16_t languageId) const {
    if (languageId == 0) return entries_.empty() ? -1 : 0;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].LanguageId == languageId) return static_cast<int>(i);
    return -1;
}

std::string TLanguagePack::LanguageFile(size_t index) const {
    const std::string_view block = entries_.at(index).Block;
    if (!IsLZQCompressed(block)) return std::string(block);
    try {
        return LZQDecompressStream(block);
    } catch (const EQCompressError&) {
        InvalidPack();
    }
}

}  // namespace kestrune
