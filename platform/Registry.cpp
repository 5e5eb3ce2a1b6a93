#include "platform/Registry.h"

#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <mutex>
#include <optional>

#include <cstdio>

#include <unistd.h>

namespace kestrune {

namespace {

constexpr char RootName[] = "HKEY_CURRENT_USER";
constexpr char FileHeader[] = "Windows Registry Editor Version 5.00";

struct TStoredValue {
    std::string name;
    std::string data;  // the text after "=", e.g. "text" or dword:0000000a
};

// The element of items whose member field equals name without case, or nullptr.
template <typename Items, typename Field>
auto FindByName(Items& items, Field field, const std::string& name) -> decltype(&*items.begin()) {
    const auto at = std::find_if(items.begin(), items.end(), [&](const auto& item) { return SameText(item.*field, name); });
    return at == items.end() ? nullptr : &*at;
}

struct TStoredKey {
    std::string path;  // below the root, without leading "\"
    std::vector<TStoredValue> values;

    TStoredValue* Find(const std::string& name) { return FindByName(values, &TStoredValue::name, name); }
    const TStoredValue* Find(const std::string& name) const { return FindByName(values, &TStoredValue::name, name); }
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

class TStoreDocument {
public:
    // The stored keys; nothing when the file exists but cannot be read, or
    // holds text of which no key of ours can be made.
    static std::optional<TStoreDocument> Load(const std::string& file) {
        std::string text;
        if (!ReadFileText(file, text)) {
            if (access(file.c_str(), F_OK) == 0) return std::nullopt;
            return TStoreDocument();
        }
        return Parsed(text);
    }

    // The stored keys as a reader sees them: an unreadable store holds none.
    static TStoreDocument Read(const std::string& file) { return Load(file).value_or(TStoreDocument()); }

    std::string Text() const {
        std::string text = std::string(FileHeader) + "\n";
        for (const TStoredKey& key : keys_) {
            text += "\n[" + std::string(RootName) + (key.path.empty() ? "" : "\\") + key.path + "]\n";
            for (const TStoredValue& value : key.values) {
                std::string line = (value.name.empty() ? std::string("@") : Quoted(value.name)) + "=" + value.data;
                // Data of its own ending in "\\" would join the next line to it:
                // a continuation onto an empty line ends it as it stands.
                if (!value.data.empty() && value.data.back() == '\\') line += "\\\n";
                text += line + "\n";
            }
        }
        return text;
    }

    const std::vector<TStoredKey>& Keys() const { return keys_; }
    TStoredKey* Find(const std::string& path) { return FindByName(keys_, &TStoredKey::path, path); }
    const TStoredKey* Find(const std::string& path) const { return FindByName(keys_, &TStoredKey::path, path); }

    TStoredKey& FindOrAdd(const std::string& path) {
        if (TStoredKey* key = Find(path)) return *key;
        return keys_.emplace_back(TStoredKey{path, {}});
    }

    bool HasKeyOrBelow(const std::string& path) const {
        return path.empty() || std::any_of(keys_.begin(), keys_.end(), [&](const TStoredKey& key) {
                   return SameText(key.path, path) || StartsText(path + "\\", key.path);
               });
    }

private:
    // A start reads the store a few hundred times: the text read last is kept
    // with its keys, and the same text again is not parsed again.
    static std::optional<TStoreDocument> Parsed(const std::string& text) {
        static std::mutex mutex;
        static std::string lastText;
        static std::optional<TStoreDocument> lastDocument;
        const std::lock_guard<std::mutex> lock(mutex);
        if (!lastDocument || text != lastText) {
            TStoreDocument document;
            lastDocument = document.Parse(FromUtf16(text)) ? std::optional(std::move(document)) : std::nullopt;
            lastText = text;
        }
        return lastDocument;
    }

    // False when the text holds lines besides headers and comments but no key of ours.
    bool Parse(const std::string& text) {
        TStoredKey* current = nullptr;
        std::string pending;
        bool foreign = false;
        for (std::string line : SplitLines(text)) {
            // Long binary data continues on the next line after a trailing "\".
            if (!line.empty() && line.back() == '\\') {
                pending += Trim(line.substr(0, line.size() - 1));
                continue;
            }
            line = Trim(pending + Trim(line));
            pending.clear();
            if (StartsText("\xEF\xBB\xBF", line)) line.erase(0, 3);
            if (line.empty() || line[0] == ';') continue;
            if (line.front() == '[' && line.back() == ']') current = StartKey(line.substr(1, line.size() - 2));
            else if (current) AddValueLine(*current, line);
            else foreign = foreign || !IsHeader(line);
        }
        return !keys_.empty() || !foreign;
    }

    static bool IsHeader(const std::string& line) { return line == FileHeader || line == "REGEDIT4"; }

    TStoredKey* StartKey(const std::string& fullPath) {
        // Other roots and key deletions ("[-...]") are not ours.
        const size_t rootLength = sizeof RootName - 1;
        if (!StartsText(RootName, fullPath) || (fullPath.size() > rootLength && fullPath[rootLength] != '\\'))
            return nullptr;
        return &FindOrAdd(NormalisedKey(fullPath.substr(rootLength)));
    }

    static void AddValueLine(TStoredKey& key, const std::string& line) {
        std::string name;
        size_t pos = 0;
        if (line[0] == '@') pos = 1;
        else if (line[0] != '"' || !ParseQuoted(line, pos, name)) return;
        if (pos >= line.size() || line[pos] != '=') return;
        const std::string data = Trim(line.substr(pos + 1));
        if (TStoredValue* existing = key.Find(name)) existing->data = data;
        else key.values.push_back({name, data});
    }

    std::vector<TStoredKey> keys_;
};

// A store that cannot be read is kept beside itself as
// "<name>.damaged-<date>"; returns that name, "" when it could not be moved.
std::string SetAside(const std::string& file) {
    const std::string stem = file + ".damaged-" + FormatDateTime("yyyy-mm-dd-hhnnss", NowUtc());
    std::string kept = stem;
    for (int k = 1; access(kept.c_str(), F_OK) == 0; ++k) kept = stem + "-" + std::to_string(k);
    return std::rename(file.c_str(), kept.c_str()) == 0 ? kept : std::string();
}

// Told once the lock is free: a box must not hold up another copy's settings.
void TellSetAside(const std::string& file, const std::string& keptAs) {
    if (keptAs.empty()) return;
    TDialogService::Instance().ShowMessage("The settings file " + file + " could not be read. It was kept as " +
                                               keptAs + "; the settings start again from their defaults.",
                                           {}, TMsgDlgType::mtWarning);
}

// Locks the store, re-reads it, applies change and replaces the file when change reports a change.
void UpdateStore(const std::string& file, const std::string& valueName,
                 const std::function<bool(TStoreDocument&)>& change) {
    std::string keptAs;
    try {
        TLockFile lockFile(file + ".lock");
        TLockGuard lock(lockFile);
        std::optional<TStoreDocument> document = TStoreDocument::Load(file);
        // A store that cannot be read must not be replaced by one holding
        // only this value: it is kept, and the settings start afresh.
        if (!document) {
            keptAs = SetAside(file);
            if (keptAs.empty()) throw Exception("unreadable store");
            document.emplace();
        }
        if (change(*document)) WriteFileAtomically(file, document->Text());
    } catch (const Exception&) {
        TellSetAside(file, keptAs);
        throw ERegistryException(Format("Failed to set data for '%s'", valueName.c_str()));
    }
    TellSetAside(file, keptAs);
}

// A copy of the stored data of one value, read afresh from the file.
std::optional<std::string> StoredData(const std::string& file, const std::string& path, const std::string& name) {
    const TStoreDocument document = TStoreDocument::Read(file);
    const TStoredKey* key = document.Find(path);
    const TStoredValue* value = key ? key->Find(name) : nullptr;
    return value ? std::optional<std::string>(value->data) : std::nullopt;
}

}  // namespace

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
    return TStoreDocument::Read(storeFile_).HasKeyOrBelow(Resolve(key));
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
    const TStoreDocument document = TStoreDocument::Read(storeFile_);
    if (const TStoredKey* key = document.Find(currentPath_))
        for (const TStoredValue& value : key->values) names.push_back(value.name);
    return names;
}

std::vector<std::string> TRegistry::GetKeyNames() const {
    std::vector<std::string> names;
    const std::string prefix = currentPath_.empty() ? std::string() : currentPath_ + "\\";
    const TStoreDocument document = TStoreDocument::Read(storeFile_);
    for (const TStoredKey& key : document.Keys()) {
        if (key.path.size() <= prefix.size() || !StartsText(prefix, key.path)) continue;
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
    if (readOnly_) throw ERegistryException(Format("Failed to set data for '%s'", name.c_str()));
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
        if (!existing) key.values.push_back({name, data});
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
