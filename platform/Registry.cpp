#include "platform/Registry.h"

#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"
#include "platform/SystemErrors.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <unordered_map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrune {

namespace {

constexpr char RootName[] = "HKEY_CURRENT_USER";
constexpr char FileHeader[] = "Windows Registry Editor Version 5.00";

struct TStoredValue {
    std::string name;
    std::string data;  // the text after "=", e.g. "text" or dword:0000000a
    // No value but a line kept as it stands (a comment, or a line the program
    // cannot read, with the lines it continues onto); "" for a value.
    std::string kept;
    size_t line = 0;  // of the text it was read from (0: set by the program)

    bool IsValue() const { return kept.empty(); }
};

// The element of items that is one (member function) and whose member field
// equals name without case, or nullptr.
template <typename Items, typename Field, typename Is>
auto FindByName(Items& items, Field field, const std::string& name, Is is) -> decltype(&*items.begin()) {
    const auto at = std::find_if(items.begin(), items.end(),
                                 [&](const auto& item) { return (item.*is)() && SameText(item.*field, name); });
    return at == items.end() ? nullptr : &*at;
}

struct TStoredKey {
    std::string path;  // below the root, without leading "\"
    std::vector<TStoredValue> values;
    // A section that is not ours (another root, a key deletion), kept as it
    // stands with its header line and every line of it; "" for ours.
    std::string foreignHeader;

    bool Ours() const { return foreignHeader.empty(); }
    TStoredValue* Find(const std::string& name) { return FindByName(values, &TStoredValue::name, name, &TStoredValue::IsValue); }
    const TStoredValue* Find(const std::string& name) const {
        return FindByName(values, &TStoredValue::name, name, &TStoredValue::IsValue);
    }
};

// "\Software\\Morvane\" becomes "Software\Morvane".
std::string NormalisedKey(const std::string& key) {
    std::string result;
    for (const std::string& part : SplitString(key, '\\')) {
        if (part.empty()) continue;
        if (!result.empty()) result += '\\';
        result += part;
    }
    return result;
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out + '"';
}

// Reads a quoted text starting at text[pos] == '"'; pos ends after the closing quote.
bool ParseQuoted(std::string_view text, size_t& pos, std::string& out) {
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\' && pos + 1 < text.size()) {
            c = text[++pos];
            if (c == 'n') c = '\n';
            if (c == 'r') c = '\r';
        }
        out += c;
    }
    return false;
}

bool ParseString(const std::string& data, std::string& value) {
    size_t pos = 0;
    return !data.empty() && data[0] == '"' && ParseQuoted(data, pos, value) && pos == data.size();
}

bool ParseDword(const std::string& data, uint32_t& value) {
    if (!StartsText("dword:", data)) return false;
    const std::string_view digits = std::string_view(data).substr(6);
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    return !digits.empty() && digits.size() <= 8 && result.ec == std::errc() &&
           result.ptr == digits.data() + digits.size();
}

TRegDataType DataTypeOf(const std::string& data) {
    std::string text;
    uint32_t number = 0;
    if (ParseString(data, text)) return TRegDataType::rdString;
    if (ParseDword(data, number)) return TRegDataType::rdInteger;
    return TRegDataType::rdBinary;
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The other platform's registry editor exports UTF-16 with a byte-order
// mark; such text becomes UTF-8 (a lone surrogate becomes U+FFFD), other
// text stays as it is.
std::string FromUtf16(const std::string& text) {
    const bool little = StartsText("\xFF\xFE", text);
    if (!little && !StartsText("\xFE\xFF", text)) return text;
    const auto unit = [&](size_t at) {
        const auto first = static_cast<uint8_t>(text[at]);
        const auto second = static_cast<uint8_t>(text[at + 1]);
        return static_cast<uint32_t>(little ? first | second << 8 : first << 8 | second);
    };
    constexpr uint32_t Replacement = 0xFFFD;
    std::string out;
    for (size_t at = 2; at + 1 < text.size(); at += 2) {
        uint32_t code = unit(at);
        if (code >= 0xD800 && code < 0xDC00 && at + 3 < text.size() && unit(at + 2) >= 0xDC00 &&
            unit(at + 2) < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit(at + 2) - 0xDC00);
            at += 2;
        } else if (code >= 0xD800 && code < 0xE000) {
            code = Replacement;
        }
        AppendUtf8(out, code);
    }
    return out;
}

// A line of the text that the program cannot read, as it was met.
struct TUnreadLine {
    size_t number = 0;  // from 1
    std::string text;
};

// Text kept as it stands, as written back: one that ends in a continuing
// "\" (the file ended there) is ended by an empty line.
std::string KeptText(const std::string& kept) { return kept + (kept.back() == '\\' ? "\n\n" : "\n"); }

class TStoreDocument {
public:
    // The keys of a store's text; nothing when it holds lines besides
    // headers and comments but no key of ours.
    static std::optional<TStoreDocument> Parsed(const std::string& text) {
        TStoreDocument document;
        if (!document.Parse(FromUtf16(text))) return std::nullopt;
        return document;
    }

    std::string Text() const {
        std::string text = std::string(FileHeader) + "\n";
        for (const std::string& kept : preamble_) text += KeptText(kept);
        for (const TStoredKey& key : keys_) {
            if (key.Ours()) text += "\n[" + std::string(RootName) + (key.path.empty() ? "" : "\\") + key.path + "]\n";
            else text += "\n" + KeptText(key.foreignHeader);
            for (const TStoredValue& value : key.values) text += value.IsValue() ? ValueText(value) : KeptText(value.kept);
        }
        return text;
    }

    const std::vector<TStoredKey>& Keys() const { return keys_; }
    // The lines of the text read that are kept without being read, in order.
    const std::vector<TUnreadLine>& Unread() const { return unread_; }
    TStoredKey* Find(const std::string& path) { return FindByName(keys_, &TStoredKey::path, path, &TStoredKey::Ours); }
    const TStoredKey* Find(const std::string& path) const {
        return FindByName(keys_, &TStoredKey::path, path, &TStoredKey::Ours);
    }

    TStoredKey& FindOrAdd(const std::string& path) {
        if (TStoredKey* key = Find(path)) return *key;
        return keys_.emplace_back(TStoredKey{path, {}, {}});
    }

    bool HasKeyOrBelow(const std::string& path) const {
        return path.empty() || std::any_of(keys_.begin(), keys_.end(), [&](const TStoredKey& key) {
                   return key.Ours() && (SameText(key.path, path) || StartsText(path + "\\", key.path));
               });
    }

private:
    static std::string ValueText(const TStoredValue& value) {
        std::string line = (value.name.empty() ? std::string("@") : Quoted(value.name)) + "=" + value.data;
        // Data of its own ending in "\\" would join the next line to it:
        // a continuation onto an empty line ends it as it stands.
        if (!value.data.empty() && value.data.back() == '\\') line += "\\\n";
        return line + "\n";
    }

    // Where each name (lower-cased) stands while the text is read.
    struct TParseIndex {
        std::unordered_map<std::string, size_t> keys;
        std::unordered_map<size_t, std::unordered_map<std::string, size_t>> values;  // by key
    };

    // One line of the text, continued lines joined, with the lines it was made of.
    struct TLogicalLine {
        std::string text;   // trimmed, continuations joined
        std::string kept;   // the lines as they stand
        size_t number = 0;  // of its first line
    };

    // False when the text holds lines besides headers and comments but no key of ours.
    // Keys and values are found by name through indexes: a store of a
    // million names reads in one pass, not in a million.
    bool Parse(const std::string& text) {
        TParseIndex index;
        TStoredKey* current = nullptr;
        bool ours = false;
        bool foreign = false;
        TLogicalLine line;
        std::string pending;
        size_t number = 0;
        const auto read = [&] {
            line.text = Trim(pending + line.text);
            pending.clear();
            if (StartsText("\xEF\xBB\xBF", line.text)) line.text.erase(0, 3);
            ReadLine(line, current, index, ours, foreign);
            line = {};
        };
        for (const std::string& next : SplitLines(text)) {
            if (line.number == 0) line.number = number + 1;
            else line.kept += '\n';
            line.kept += next;
            ++number;
            // Long binary data continues on the next line after a trailing "\".
            if (!next.empty() && next.back() == '\\') {
                pending += Trim(next.substr(0, next.size() - 1));
                continue;
            }
            line.text = Trim(next);
            read();
        }
        if (line.number != 0) read();  // the text ends inside a continued line
        // (A name's earlier line is found unread only at its later one.)
        std::stable_sort(unread_.begin(), unread_.end(), [](const TUnreadLine& a, const TUnreadLine& b) { return a.number < b.number; });
        return ours || !foreign;
    }

    void ReadLine(const TLogicalLine& line, TStoredKey*& current, TParseIndex& index, bool& ours, bool& foreign) {
        if (line.text.empty()) return;
        const bool comment = line.text[0] == ';';
        if (line.text.front() == '[' && line.text.back() == ']') {
            current = StartKey(line, index);
            ours = ours || current->Ours();
            if (!current->Ours()) unread_.push_back({line.number, line.text});
            return;
        }
        if (current && current->Ours() && !comment && AddValueLine(*current, line, index.values[KeyIndex(current)])) return;
        if (IsHeader(line.text)) return;  // one more header, as two exports joined hold
        if (current) current->values.push_back({{}, {}, line.kept});
        else preamble_.push_back(line.kept);
        if (!comment && (!current || current->Ours())) unread_.push_back({line.number, line.text});
        foreign = foreign || (!comment && (!current || !current->Ours()));
    }

    static bool IsHeader(const std::string& line) { return line == FileHeader || line == "REGEDIT4"; }

    size_t KeyIndex(const TStoredKey* key) const { return static_cast<size_t>(key - keys_.data()); }

    TStoredKey* StartKey(const TLogicalLine& line, TParseIndex& index) {
        const std::string fullPath = line.text.substr(1, line.text.size() - 2);
        // Other roots and key deletions ("[-...]") are not ours.
        const size_t rootLength = sizeof RootName - 1;
        if (!StartsText(RootName, fullPath) || (fullPath.size() > rootLength && fullPath[rootLength] != '\\'))
            return &keys_.emplace_back(TStoredKey{{}, {}, line.kept});
        const std::string path = NormalisedKey(fullPath.substr(rootLength));
        const auto [at, added] = index.keys.try_emplace(LowerCase(path), keys_.size());
        if (added) keys_.push_back(TStoredKey{path, {}, {}});
        return &keys_[at->second];
    }

    // False when the line is no value. A name given twice in a key (two
    // exports joined, a hand edit) is read from its last line, as the
    // registry editor reads it; an earlier line is kept as it stands, and told.
    bool AddValueLine(TStoredKey& key, const TLogicalLine& logical, std::unordered_map<std::string, size_t>& valueIndex) {
        const std::string& line = logical.text;
        std::string name;
        size_t pos = 0;
        if (line[0] == '@') pos = 1;
        else if (line[0] != '"' || !ParseQuoted(line, pos, name)) return false;
        // A hand edit may set "=" between blanks.
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') return false;
        std::string data = Trim(line.substr(pos + 1));
        const auto [at, added] = valueIndex.try_emplace(LowerCase(name), key.values.size());
        if (!added) {
            TStoredValue& earlier = key.values[at->second];
            earlier.kept = ValueText(earlier);
            earlier.kept.pop_back();  // its line end, which the kept line gets when written
            unread_.push_back({earlier.line, earlier.kept});
            at->second = key.values.size();
        }
        key.values.push_back({std::move(name), std::move(data), {}, logical.number});
        return true;
    }

    std::vector<std::string> preamble_;  // lines before the first key, kept as they stand
    std::vector<TStoredKey> keys_;
    std::vector<TUnreadLine> unread_;
};

// Far more than the program's settings ever take (a few hundred values in
// a few kilobytes): a larger file is no store of ours and is not read.
constexpr int64_t MostStoreBytes = int64_t{8} << 20;

// What stands at the store's place.
struct TStoreFile {
    enum class TKind {
        Missing,   // nothing yet: every setting has its default
        Store,     // Document holds its keys
        Damaged,   // unreadable or no store: kept aside when next written
        TooLarge,  // kept aside at once
        Unusable,  // not a file the program may read or replace: left alone
    };
    TKind Kind = TKind::Missing;
    std::shared_ptr<const TStoreDocument> Document;
    std::string Why;  // for Damaged, TooLarge and Unusable
};

// A file is known again by where it lies and when it was last written.
struct TFileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modifiedNs = 0;

    explicit TFileIdentity(const struct stat& info)
        : device(info.st_dev), inode(info.st_ino), size(info.st_size),
          modifiedNs(int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec) {}
    bool operator==(const TFileIdentity&) const = default;
};

// A start reads the store a few hundred times: the keys of the file read
// last are kept, and the same file is not read or parsed again.
class TStoreCache {
public:
    static std::optional<TStoreFile> Find(const std::string& file, const TFileIdentity& identity) {
        const std::lock_guard lock(Mutex());
        const auto& last = Last();
        if (!last || last->file != file || !(last->identity == identity)) return std::nullopt;
        return last->store;
    }

    static void Keep(const std::string& file, const TFileIdentity& identity, const TStoreFile& store) {
        const std::lock_guard lock(Mutex());
        Last() = TEntry{file, identity, store};
    }

private:
    struct TEntry {
        std::string file;
        TFileIdentity identity;
        TStoreFile store;
    };
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }
    static std::optional<TEntry>& Last() {
        static std::optional<TEntry> last;
        return last;
    }
};

// The nearest folder above file that is something else.
std::string FileInPlaceOfFolder(const std::string& file) {
    namespace fs = std::filesystem;
    std::error_code error;
    for (fs::path folder = fs::path(file).parent_path(); folder.has_relative_path(); folder = folder.parent_path())
        if (fs::exists(folder, error) && !fs::is_directory(folder, error)) return folder.string();
    return fs::path(file).parent_path().string();
}

// A line as a message shows it: control bytes as "?", a long one cut.
std::string ShownLine(const std::string& text) {
    constexpr size_t MostShown = 60;
    std::string shown = text.size() > MostShown ? text.substr(0, MostShown) + "..." : text;
    std::replace_if(shown.begin(), shown.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
    return shown;
}

// The first few lines kept unread, by number; "" when there are none.
std::string UnreadNote(const std::string& file, const std::vector<TUnreadLine>& unread) {
    constexpr size_t MostListed = 5;
    std::string lines;
    for (size_t at = 0; at < unread.size() && at < MostListed; ++at)
        lines += (at == 0 ? "" : "; ") + FormatResStr(res::SStoreLineAt, {std::to_string(unread[at].number), ShownLine(unread[at].text)});
    if (unread.size() > MostListed) lines += "; " + FormatResStr(res::SStoreMoreLines, {std::to_string(unread.size() - MostListed)});
    return lines.empty() ? lines : FormatResStr(res::SStoreLinesKept, {file, lines});
}

TStoreFile Unusable(std::string why) { return {TStoreFile::TKind::Unusable, nullptr, std::move(why)}; }

// Never waits on what stands there (a named pipe opens at once), never reads
// more than a store can hold, and reads a file it has read before only when
// it has changed.
TStoreFile LoadStore(const std::string& file) {
    const TExaminedFile examined = OpenExamined(file);
    const TFileHandle& handle = examined.Handle;
    if (!handle.Valid()) {
        const int error = examined.Error;
        if (error == ENOENT) return {};
        if (error == ENOTDIR) return Unusable(FormatResStr(res::SStoreFolderIsFile, {FileInPlaceOfFolder(file)}));
        if (error == EACCES) return {TStoreFile::TKind::Damaged, nullptr, FormatResStr(res::SStoreCannotOpen, {ShownFileNameText(file), ErrnoText(error)})};
        return Unusable(FormatResStr(res::SStoreCannotOpen, {ShownFileNameText(file), ErrnoText(error)}));
    }
    const struct stat& info = examined.Info;
    if (!examined.Regular()) return Unusable(FormatResStr(res::SStoreIsKind, {file, KindOfFile(info.st_mode)}));
    const auto tooLarge = [&](int64_t bytes) {
        return TStoreFile{TStoreFile::TKind::TooLarge, nullptr,
                          FormatResStr(res::SStoreTooLarge, {file, std::to_string(bytes), std::to_string(MostStoreBytes)})};
    };
    if (info.st_size > MostStoreBytes) return tooLarge(info.st_size);
    const TFileIdentity identity(info);
    if (std::optional<TStoreFile> known = TStoreCache::Find(file, identity)) return *known;
    std::string text(static_cast<size_t>(MostStoreBytes) + 1, '\0');
    const int64_t got = ReadAt(handle.Get(), text.data(), MostStoreBytes + 1, 0);
    if (got < 0) return {TStoreFile::TKind::Damaged, nullptr, FormatResStr(res::SStoreCannotOpen, {ShownFileNameText(file), ErrnoText(errno)})};
    if (got > MostStoreBytes) return tooLarge(got);
    text.resize(static_cast<size_t>(got));
    std::optional<TStoreDocument> document = TStoreDocument::Parsed(text);
    TStoreFile store;
    store.Kind = document ? TStoreFile::TKind::Store : TStoreFile::TKind::Damaged;
    if (!document) store.Why = FormatResStr(res::SStoreNoSettings, {file});
    if (document) store.Document = std::make_shared<const TStoreDocument>(std::move(*document));
    TStoreCache::Keep(file, identity, store);
    return store;
}

// The keys just written are those of the file now in place: no need to read it back.
void RememberWritten(const std::string& file, TStoreDocument document) {
    struct stat info {};
    if (stat(file.c_str(), &info) != 0) return;
    TStoreCache::Keep(file, TFileIdentity(info),
                      {TStoreFile::TKind::Store, std::make_shared<const TStoreDocument>(std::move(document)), {}});
}

std::mutex& ProblemsMutex() {
    static std::mutex mutex;
    return mutex;
}

// Problems met before anybody could be told (settings are read before the window is there).
// Each is made when told, in the language then in effect.
std::vector<std::function<std::string()>>& HeldProblems() {
    static std::vector<std::function<std::string()>> held;
    return held;
}

// Every problem of the store is told once a run (once for each key: a text
// made again in another language is the same problem), with its cause, and
// never while the store is locked: a box must not hold up another copy's settings.
void TellStoreProblem(const std::string& key, const std::function<std::string()>& text) {
    static std::set<std::string> told;
    {
        const std::lock_guard lock(ProblemsMutex());
        if (!told.insert(key).second) return;
        if (!TDialogService::Instance().ReachesSomebody()) {
            HeldProblems().push_back(text);
            return;
        }
    }
    TDialogService::Instance().ShowMessage(text(), {}, TMsgDlgType::mtWarning);
}

void TellStoreProblem(const std::string& text) {
    TellStoreProblem(text, [text] { return text; });
}

// The lines of a store read that the program cannot read, told once a run for each store.
void TellUnreadLines(const std::string& file, const std::vector<TUnreadLine>& unread) {
    if (unread.empty()) return;
    TellStoreProblem("unread lines of " + file, [file, unread] { return UnreadNote(file, unread); });
}

void TellUnreadLines(const std::string& file, const TStoreDocument& document) { TellUnreadLines(file, document.Unread()); }

// A store that cannot be read is kept beside itself as
// "<name>.damaged-<date>"; returns that name, "" when it could not be moved.
std::string SetAside(const std::string& file) { return KeepAside(file, ".damaged-"); }

std::string SetAsideNote(const std::string& why, const std::string& file, const std::string& keptAs) {
    return FormatResStr(res::SStoreKeptAside, {why.empty() ? FormatResStr(res::SStoreUnreadable, {file}) : why, keptAs});
}

// A store far too large is kept aside as soon as it is met, so that no
// later read looks at it again.
void SetAsideAtOnce(const std::string& file, const std::string& why) {
    std::string keptAs;
    std::string failure;
    try {
        const TFileWriteLock lock(file);
        if (LoadStore(file).Kind == TStoreFile::TKind::TooLarge) keptAs = SetAside(file);
        if (keptAs.empty()) failure = resStr(res::SStoreNotKeptAside);
    } catch (const Exception& error) {
        failure = error.what();
    }
    TellStoreProblem(keptAs.empty() ? FormatResStr(res::SStoreDefaults, {why, failure}) : SetAsideNote(why, file, keptAs));
}

std::string LeftAloneNote(const std::string& why) {
    return FormatResStr(res::SStoreLeftAlone, {why});
}

// The stored keys as a reader sees them: a store that cannot be used holds none, and says why.
std::shared_ptr<const TStoreDocument> ReadStore(const std::string& file) {
    const TStoreFile store = LoadStore(file);
    if (store.Kind == TStoreFile::TKind::TooLarge) SetAsideAtOnce(file, store.Why);
    if (store.Kind == TStoreFile::TKind::Unusable) TellStoreProblem(LeftAloneNote(store.Why));
    if (store.Document) TellUnreadLines(file, *store.Document);
    static const auto none = std::make_shared<const TStoreDocument>();
    return store.Document ? store.Document : none;
}

// Locks the store, re-reads it, applies change and replaces the file when change reports a change.
void UpdateStore(const std::string& file, const std::string& valueName,
                 const std::function<bool(TStoreDocument&)>& change) {
    std::string told;
    std::vector<TUnreadLine> unread;
    std::string failure;
    bool leftAlone = false;
    try {
        // What the store's place holds says more than a lock beside it that cannot be made.
        const auto leaveAlone = [&](const TStoreFile& store) {
            if (store.Kind != TStoreFile::TKind::Unusable) return;
            told = LeftAloneNote(store.Why);
            leftAlone = true;
            throw Exception(store.Why);
        };
        leaveAlone(LoadStore(file));
        const TFileWriteLock lock(file);
        const TStoreFile store = LoadStore(file);
        leaveAlone(store);
        if (store.Document) unread = store.Document->Unread();
        TStoreDocument document = store.Document ? *store.Document : TStoreDocument();
        // A store that cannot be read must not be replaced by one holding
        // only this value: it is kept, and the settings start afresh.
        if (store.Kind == TStoreFile::TKind::Damaged || store.Kind == TStoreFile::TKind::TooLarge) {
            const std::string keptAs = SetAside(file);
            if (keptAs.empty()) throw Exception(FormatResStr(res::SStoreUnreadableNotKept, {file}));
            told = SetAsideNote(store.Why, file, keptAs);
        }
        if (change(document)) {
            WriteFileAtomically(file, document.Text());
            RememberWritten(file, std::move(document));
        }
    } catch (const Exception& error) {
        failure = error.what();
    }
    if (!told.empty()) TellStoreProblem(told);
    TellUnreadLines(file, unread);
    if (failure.empty()) return;
    if (!leftAlone) TellStoreProblem(FormatResStr(res::SStoreNotSaved, {failure}));
    throw EStoreNotSaved(FormatResStr(res::SSettingNotSetBecause, {valueName, failure}));
}

// A copy of the stored data of one value, read afresh from the file.
std::optional<std::string> StoredData(const std::string& file, const std::string& path, const std::string& name) {
    const auto document = ReadStore(file);
    const TStoredKey* key = document->Find(path);
    const TStoredValue* value = key ? key->Find(name) : nullptr;
    return value ? std::optional<std::string>(value->data) : std::nullopt;
}

}  // namespace

void TellHeldStoreProblems() {
    std::vector<std::function<std::string()>> held;
    {
        const std::lock_guard lock(ProblemsMutex());
        held.swap(HeldProblems());
    }
    for (const auto& text : held) TDialogService::Instance().ShowMessage(text(), {}, TMsgDlgType::mtWarning);
}

void TellUnusableValue(const std::string& name, const std::string& data) {
    TellStoreProblem(FormatResStr(res::SStoredValueIgnored, {name, ShownLine(data)}));
}

TRegistry::TRegistry() : TRegistry(DefaultStoreFile()) {}

TRegistry::TRegistry(std::string storeFile) : storeFile_(std::move(storeFile)) {}

std::string TRegistry::DefaultStoreFile() { return UserConfigFolder() + "Morvane/HKCU.reg"; }

std::string TRegistry::Resolve(const std::string& key) const {
    if (currentPath_.empty() || (!key.empty() && key[0] == '\\')) return NormalisedKey(key);
    return NormalisedKey(currentPath_ + "\\" + key);
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    const std::string path = Resolve(key);
    if (!KeyExists("\\" + path)) {
        if (!canCreate) return false;
        try {
            UpdateStore(storeFile_, "", [&](TStoreDocument& document) {
                if (document.Find(path)) return false;
                document.FindOrAdd(path);
                return true;
            });
        } catch (const ERegistryException&) {
            return false;
        }
    }
    currentPath_ = path;
    readOnly_ = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    if (!OpenKey(key, false)) return false;
    readOnly_ = true;
    return true;
}

bool TRegistry::KeyExists(const std::string& key) const {
    return ReadStore(storeFile_)->HasKeyOrBelow(Resolve(key));
}

bool TRegistry::ValueExists(const std::string& name) const {
    return StoredData(storeFile_, currentPath_, name).has_value();
}

TRegDataType TRegistry::GetDataType(const std::string& name) const {
    const auto data = StoredData(storeFile_, currentPath_, name);
    return data ? DataTypeOf(*data) : TRegDataType::rdUnknown;
}

std::vector<std::string> TRegistry::GetValueNames() const {
    std::vector<std::string> names;
    const auto document = ReadStore(storeFile_);
    if (const TStoredKey* key = document->Find(currentPath_))
        for (const TStoredValue& value : key->values)
            if (value.IsValue()) names.push_back(value.name);
    return names;
}

std::vector<std::string> TRegistry::GetKeyNames() const {
    std::vector<std::string> names;
    const std::string prefix = currentPath_.empty() ? std::string() : currentPath_ + "\\";
    const auto document = ReadStore(storeFile_);
    for (const TStoredKey& key : document->Keys()) {
        if (!key.Ours() || key.path.size() <= prefix.size() || !StartsText(prefix, key.path)) continue;
        const std::string rest = key.path.substr(prefix.size());
        const std::string name = rest.substr(0, rest.find('\\'));
        if (std::none_of(names.begin(), names.end(), [&](const std::string& known) { return SameText(known, name); }))
            names.push_back(name);
    }
    return names;
}

std::string TRegistry::ReadData(const std::string& name) const {
    return StoredData(storeFile_, currentPath_, name).value_or(std::string());
}

int32_t TRegistry::ReadInteger(const std::string& name) const {
    const auto data = StoredData(storeFile_, currentPath_, name);
    if (!data) throw ERegistryException(Format("Failed to get data for '%s'", name.c_str()));
    uint32_t number = 0;
    if (!ParseDword(*data, number)) throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
    return static_cast<int32_t>(number);
}

std::string TRegistry::ReadString(const std::string& name) const {
    const auto data = StoredData(storeFile_, currentPath_, name);
    std::string text;
    if (data && !ParseString(*data, text))
        throw ERegistryException(Format("Invalid data type for '%s'", name.c_str()));
    return text;
}

void TRegistry::CheckWritable(const std::string& name) const {
    if (readOnly_) throw ERegistryException(FormatResStr(res::SSettingNotSet, {name}));
}

namespace {

std::string DwordData(int32_t value) { return Format("dword:%08x", static_cast<uint32_t>(value)); }

}  // namespace

void TRegistry::WriteInteger(const std::string& name, int32_t value) { WriteData(name, DwordData(value), false); }

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    WriteData(name, Quoted(value), false);
}

void TRegistry::WriteIntegerIfUnset(const std::string& name, int32_t value) {
    WriteData(name, DwordData(value), true);
}

void TRegistry::WriteStringIfUnset(const std::string& name, const std::string& value) {
    WriteData(name, Quoted(value), true);
}

void TRegistry::WriteData(const std::string& name, const std::string& data, bool onlyWhenUnset) {
    CheckWritable(name);
    UpdateStore(storeFile_, name, [&](TStoreDocument& document) {
        TStoredKey& key = document.FindOrAdd(currentPath_);
        TStoredValue* existing = key.Find(name);
        if (!existing) key.values.push_back({name, data, {}});
        else if (existing->data == data) return false;
        else if (onlyWhenUnset && DataTypeOf(existing->data) == DataTypeOf(data)) return false;
        else existing->data = data;
        return true;
    });
}

bool TRegistry::DeleteValue(const std::string& name) {
    CheckWritable(name);
    bool existed = false;
    UpdateStore(storeFile_, name, [&](TStoreDocument& document) {
        TStoredKey* key = document.Find(currentPath_);
        const TStoredValue* value = key ? key->Find(name) : nullptr;
        existed = value != nullptr;
        if (existed) key->values.erase(key->values.begin() + (value - key->values.data()));
        return existed;
    });
    return existed;
}

}  // namespace kestrune
