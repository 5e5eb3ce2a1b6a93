#include "localise/LocLangFile.h"

#include "localise/LocResources.h"
#include "localise/QLocales.h"
#include "localise/qcompress.h"
#include "platform/FileIO.h"

#include <set>

namespace kestrune {

namespace {

constexpr std::string_view LangSignature = "LF";

// A header's language id names a language the locale table knows: any other
// is damage. 0 is no language (the table reads it as the user's own).
bool KnownLanguage(uint16_t id) {
    if (id == 0) return false;
    try {
        GetLocaleAbbrevName(id);
        return true;
    } catch (const ELocalesError&) {
        return false;
    }
}
// Language files are read whole: a full translation is some 100 KB.
constexpr int64_t MostLangFileBytes = int64_t{16} << 20;

// What is no file (a named pipe, a device) or far too large is told, not read.
void ReadLangFileBytes(const std::string& fileName, std::string& bytes) {
    const TKeptFile kept = ReadKeptFile(fileName, MostLangFileBytes, bytes);
    if (kept.Kind == TKeptFile::TKind::Read) return;
    throw ELangFileError(kept.Kind == TKeptFile::TKind::Missing ? "Can not read \"" + fileName + "\"" : LeftAloneNote(kept));
}

[[noreturn]] void InvalidLocStorage() { throw ELangFileError(LibraryText(res::SInvalidLocStorage)); }

// The expanded bytes of a compressed stream, else the stream itself.
std::string_view Expanded(std::string_view stream, std::string& holder, bool& compressed) {
    compressed = IsLZQCompressed(stream);
    if (!compressed) return stream;
    try {
        holder = LZQDecompressStream(stream);
    } catch (const EQCompressError&) {
        RaiseInvalidFileFormat();
    }
    return holder;
}

// A value as the file holds it.
struct TFileValue {
    std::u16string text;
    int32_t stamp = -1;
    TDateTime date = 0;
    uint16_t flags = 0;
};

// Reads the body's three sections, entry by entry, into one dictionary column.
class TBodyReader {
public:
    TBodyReader(TByteReader& in, TLangFile& file, TLocStorage& storage, uint16_t mode, int column)
        : in_(in), file_(file), storage_(storage), mode_(mode), native_(column < 0), column_(column < 0 ? 0 : column),
          prefix_(BodyPrefix(file.Version)) {
        if (native_) return;
        properties_ = storage.LinearProperties();
        constants_ = storage.LinearConstants();
        externals_ = storage.LinearExternals();
        properties_.SortById();
        constants_.SortById();
        externals_.SortById();
    }

    void Read() {
        ReadUnits();
        ReadForms();
        if (file_.Version >= 7) ReadExtGroups();
    }

private:
    std::string Name() { return ReadAnsiString(in_, prefix_); }
    uint16_t Flags() { return file_.Version >= 2 ? in_.U16() : 0; }

    std::u16string Value(uint8_t kind) {
        if (IsTextKind(kind)) return ReadWideString(in_, prefix_);
        if (file_.Version < 4) return u"";
        if (kind == LocKindFloat) return Utf8ToUtf16Ascii(Format("%.15g", in_.F64()));
        if (kind == LocKindInteger) return Utf8ToUtf16Ascii(std::to_string(in_.I32()));
        return u"";
    }

    static std::u16string Utf8ToUtf16Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

    TFileValue StampAndDate(std::u16string text, uint16_t flags) {
        TFileValue value{std::move(text), in_.I32(), in_.F64(), flags};
        if (native_ && value.stamp < 0) value.stamp = static_cast<int32_t>(file_.Stamp);
        return value;
    }

    void Store(TLocItem& item, TFileValue value) {
        storage_.SetText(item, column_, std::move(value.text));
        TLocValue& stored = item.Values[column_];
        stored.Date = value.date;
        stored.Stamp = value.stamp;
        stored.Flags = value.flags;
        stored.LanguageId = file_.LanguageId;
        if (item.Values[0].Stamp > stored.Stamp && (stored.Flags & LocFlagUseWhenOutdated))
            stored.Flags &= static_cast<uint16_t>(~LocFlagUseWhenOutdated);
    }

    // The ids of one section: with the renumbering mode a native id met twice
    // becomes 0, and every 0 gets a fresh id after the section.
    struct TSection {
        explicit TSection(int32_t& storageLastId) : lastId(storageLastId) {}
        int32_t& lastId;  // the dictionary's highest id of the section's kind
        std::set<int32_t> used;
        std::vector<TLocItem*> read;
        int32_t highest = 0;
    };

    // Entries without an id take the next after the highest: a file that
    // leaves none to take is refused, whichever way it gets there.
    int32_t NativeId(int32_t id, TSection& section) const {
        if (!HasIdAfter(id) || (id < 0 && native_ && !HasIdAfter(section.lastId))) RaiseInvalidFileFormat();
        section.highest = std::max(section.highest, id);
        if (native_ && (mode_ & LangModeRenumber) && !section.used.insert(id).second) return 0;
        return id;
    }

    void Keep(TLocItem* item, TFileValue value, TSection& section) {
        if (!item) return;
        Store(*item, std::move(value));
        section.read.push_back(item);
    }

    void FinishSection(const TSection& section, int32_t& fileLastId) const {
        if (native_ && (mode_ & LangModeRenumber))
            for (TLocItem* item : section.read)
                if (item->Id == 0) {
                    if (!HasIdAfter(section.lastId)) RaiseInvalidFileFormat();
                    item->Id = ++section.lastId;
                }
        fileLastId = std::max(fileLastId, section.highest);
    }

    TLocItem* Translation(const TLinearList& list, std::string_view node, std::string_view component,
                          std::string_view name, int32_t id) const {
        return (mode_ & LangModeMatchNames) ? list.FindByNames(node, component, name) : list.FindById(id);
    }

    void ReadUnits() {
        TSection section(storage_.LastConstantId);
        for (uint16_t units = in_.U16(); units > 0; --units) {
            const std::string unitName = Name();
            const uint16_t unitFlags = Flags();
            TLocUnit* unit = native_ ? &storage_.Units.FindOrAdd(unitName) : nullptr;
            if (unit) unit->Flags = unitFlags;
            for (uint16_t constants = in_.U16(); constants > 0; --constants) {
                const std::string name = Name();
                const uint16_t flags = Flags();
                const uint16_t resourceId = in_.U16();
                const int32_t id = NativeId(in_.I32(), section);
                TFileValue value = StampAndDate(ReadWideString(in_, prefix_), flags);
                Keep(unit ? &storage_.AddConstant(*unit, name, id, resourceId) : Translation(constants_, unitName, "", name, id),
                     std::move(value), section);
            }
        }
        FinishSection(section, file_.LastConstantId);
    }

    void ReadForms() {
        TSection section(storage_.LastPropertyId);
        for (uint16_t forms = in_.U16(); forms > 0; --forms) {
            const std::string formName = Name();
            const uint16_t formFlags = Flags();
            TLocForm* form = native_ ? &storage_.Forms.FindOrAdd(formName) : nullptr;
            if (form) form->Flags = formFlags;
            ReadProperties(formName, "", form ? &form->Properties : nullptr, section);
            for (uint16_t components = in_.U16(); components > 0; --components) {
                const std::string componentName = Name();
                const uint16_t componentFlags = Flags();
                TLocComponent* component = form ? &form->Components.FindOrAdd(componentName) : nullptr;
                if (component) component->Flags = componentFlags;
                ReadProperties(formName, componentName, component ? &component->Properties : nullptr, section);
            }
        }
        FinishSection(section, file_.LastPropertyId);
    }

    // A translated entry whose kind differs from the dictionary's is read with
    // the file's kind and dropped, so that the rest of the file stays in step.
    void ReadProperties(std::string_view formName, std::string_view componentName, TNamedList<TLocItem>* owner, TSection& section) {
        for (uint16_t properties = in_.U16(); properties > 0; --properties) {
            const std::string name = Name();
            const uint16_t flags = Flags();
            const int32_t id = NativeId(in_.I32(), section);
            const auto kind = static_cast<uint8_t>(in_.U32() & 0xFF);
            TFileValue value = StampAndDate(Value(kind), flags);
            TLocItem* item = owner ? &storage_.AddProperty(*owner, name, id, kind) : Translation(properties_, formName, componentName, name, id);
            Keep(item && item->Kind == kind ? item : nullptr, std::move(value), section);
        }
    }

    void ReadExtGroups() {
        TSection section(storage_.LastExternalId);
        for (uint16_t groups = in_.U16(); groups > 0; --groups) {
            const std::string groupName = Name();
            const uint16_t groupFlags = in_.U16();
            TLocExtGroup* group = native_ ? &storage_.ExtGroups.FindOrAdd(groupName) : nullptr;
            if (group) group->Flags = groupFlags;
            for (uint16_t items = in_.U16(); items > 0; --items) {
                const std::string name = Name();
                const uint16_t flags = in_.U16();
                const int32_t id = NativeId(in_.I32(), section);
                TFileValue value = StampAndDate(ReadWideString(in_, prefix_), flags);
                Keep(group ? &storage_.AddExtItem(*group, name, id) : Translation(externals_, groupName, "", name, id),
                     std::move(value), section);
            }
        }
        FinishSection(section, file_.LastExternalId);
    }

    TByteReader& in_;
    TLangFile& file_;
    TLocStorage& storage_;
    uint16_t mode_;
    bool native_;
    size_t column_;
    TLengthPrefix prefix_;
    TLinearList properties_;
    TLinearList constants_;
    TLinearList externals_;
};

}  // namespace

TLangFile::TLangFile(const std::string& fileName, bool readOnly) : FileName(fileName), ReadOnly(readOnly) {
    std::string bytes;
    // Only a file not there at all is a new one; what stands there otherwise
    // is read, and told as what it is when it is no language file.
    if (!AnythingAt(fileName)) return;
    ReadLangFileBytes(fileName, bytes);
    Compressed = IsLZQCompressed(bytes);
    if (!Compressed) {
        ReadLangFileHeader(bytes);
        return;
    }
    try {
        bytes = LZQDecompressPrefix(std::string_view(bytes).substr(0, CompressedHeaderBytes));
    } catch (const EQCompressError&) {
        RaiseInvalidFileFormat();
    }
    ReadLangFileHeader(bytes);
}

void TLangFile::SetOption(uint16_t mask, bool on) {
    Options = static_cast<uint16_t>(on ? Options | mask : Options & ~mask);
}

size_t TLangFile::ReadLangFileHeader(std::string_view stream, bool skipStore) {
    std::string holder;
    bool compressed = false;
    TByteReader in(Expanded(stream, holder, compressed), RaiseInvalidFileFormat);
    if (in.Bytes(2) != LangSignature) RaiseInvalidFileFormat();
    TLangFile header;
    header.Version = in.U16();
    if (header.Version == 0) RaiseInvalidFileFormat();
    if (header.Version > LangFileVersion)
        throw ELangFileError(LibraryText(res::SNewerVersion));
    header.Stamp = in.U32();
    if (header.Version >= 5) header.SecondStamp = in.U32();
    header.LanguageId = in.U16();
    if (!KnownLanguage(header.LanguageId)) RaiseInvalidFileFormat();
    if (header.Version >= 3) header.ExtraWord = in.U16();
    header.EnglishName = ReadAnsiString(in, TLengthPrefix::Word);
    header.NativeName = ReadWideString(in, TLengthPrefix::Word);
    header.IsNative = in.U16() != 0;
    header.Options = header.Version >= 2 ? in.U16() : 0;
    header.LastConstantId = in.I32();
    header.LastPropertyId = in.I32();
    if (header.Version >= 7) header.LastExternalId = in.I32();
    if (!skipStore) {
        Version = header.Version;
        Stamp = header.Stamp;
        SecondStamp = header.SecondStamp;
        LanguageId = header.LanguageId;
        ExtraWord = header.ExtraWord;
        EnglishName = std::move(header.EnglishName);
        NativeName = std::move(header.NativeName);
        IsNative = header.IsNative;
        Options = header.Options;
        LastConstantId = header.LastConstantId;
        LastPropertyId = header.LastPropertyId;
        LastExternalId = header.LastExternalId;
    }
    return in.Pos();
}

void TLangFile::ReadBody(TLocStorage* storage, int column, uint16_t mode) {
    if (!Contents.empty()) return ReadBody(Contents, storage, mode, column);
    std::string bytes;
    ReadLangFileBytes(FileName, bytes);
    ReadBody(bytes, storage, mode, column);
}

void TLangFile::ReadBody(std::string_view stream, TLocStorage* storage, uint16_t mode, int column) {
    if (!storage) InvalidLocStorage();
    if (column < -1 || column >= static_cast<int>(storage->LanguageCount())) throw ELangFileError(LibraryText(res::SInvalidIndex));
    if (column == -1) storage->ClearTree();
    ReadLangFileBody(stream, *storage, mode, column);
}

void TLangFile::ReadLangFileBody(std::string_view stream, TLocStorage& storage, uint16_t mode, int column) {
    std::string holder;
    const std::string_view bytes = Expanded(stream, holder, Compressed);
    TByteReader in(bytes, RaiseInvalidFileFormat);
    in.Seek(ReadLangFileHeader(bytes));
    if (column < 0) storage.SetNativeLanguage(LanguageId);
    TBodyReader(in, *this, storage, mode, column).Read();
}

}  // namespace kestrune
