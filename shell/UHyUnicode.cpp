#include "shell/UHyUnicode.h"

#include "platform/ResCodePages.h"

#include <QPainter>
#include <QString>
#include <QWidget>

#include <array>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrune::shell {

namespace {

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Utf8(std::u16string_view text) { return Utf16ToUtf8(text); }

}  // namespace

void THyStringsW::Assign(const THyStringsW& source) {
    if (&source == this) return;
    Clear();
    for (int i = 0; i < source.GetCount(); ++i) Add(source.Get(i), source.GetObject(i));
}

void THyStringsW::Assign(const std::vector<std::string>& source) {
    Clear();
    for (const std::string& text : source) Add(Utf8ToUtf16(text));
}

void THyStringsW::Assign(const std::vector<WideString>& source) {
    Clear();
    for (const WideString& text : source) Add(text);
}

void THyStringsW::AssignTo(std::vector<std::string>& target) const {
    target.clear();
    for (int i = 0; i < GetCount(); ++i) target.push_back(Utf8(Get(i)));
}

void THyStringsW::AssignTo(std::vector<WideString>& target) const {
    target.clear();
    for (int i = 0; i < GetCount(); ++i) target.push_back(Get(i));
}

const THyStringListW::TEntry& THyStringListW::At(int index) const {
    if (index < 0 || index >= count_) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return entries_[static_cast<size_t>(index)];
}

WideString THyStringListW::Get(int index) const { return At(index).Text; }
uint32_t THyStringListW::GetObject(int index) const { return At(index).Object; }

void THyStringListW::Put(int index, const WideString& text) {
    At(index);
    entries_[static_cast<size_t>(index)].Text = text;
}

void THyStringListW::PutObject(int index, uint32_t object) {
    At(index);
    entries_[static_cast<size_t>(index)].Object = object;
}

void THyStringListW::SetCapacity(int capacity) {
    if (capacity < count_) throw EListError("List capacity out of bounds (" + std::to_string(capacity) + ")");
    entries_.resize(static_cast<size_t>(capacity));
}

void THyStringListW::SetCount(int count) {
    if (count < 0) throw EListError("List count out of bounds (" + std::to_string(count) + ")");
    if (count > GetCapacity()) SetCapacity(count);
    for (int i = count; i < count_; ++i) entries_[static_cast<size_t>(i)] = {};
    count_ = count;
}

void THyStringListW::Grow() {
    const int capacity = GetCapacity();
    SetCapacity(capacity + std::max(1, std::min(capacity, 256)));
}

int THyStringListW::Add(const WideString& text, uint32_t object) {
    if (count_ == GetCapacity()) Grow();
    entries_[static_cast<size_t>(count_)] = {text, object};
    return count_++;
}

void THyStringListW::Clear() {
    for (int i = 0; i < count_; ++i) entries_[static_cast<size_t>(i)] = {};
    count_ = 0;
}

WideString WStrLCopy(std::u16string_view text, size_t n) {
    const std::u16string_view upToZero = text.substr(0, text.find(u'\0'));
    return WideString(upToZero.substr(0, n));
}

std::string NarrowText(std::u16string_view text) {
    std::string narrow;
    for (const char16_t c : text) narrow += static_cast<char>(c & 0xFF);
    return narrow;
}

WideString GetCurrentDirectoryW() {
    std::array<char, 4096> buffer{};
    return getcwd(buffer.data(), buffer.size()) ? WideFromFileName(buffer.data()) : WideString();
}

bool CreateDirectoryW(std::u16string_view path) { return mkdir(FileNameFromWide(path).c_str(), 0777) == 0; }

WideString DrivePart(std::u16string_view path) {
    if (path.size() >= 2 && path[1] == u':') return WideString(path.substr(0, 2));
    if (path.substr(0, 2) != u"//") return {};
    const size_t share = path.find(u'/', 2);
    if (share == std::u16string_view::npos) return WideString(path);
    return WideString(path.substr(0, path.find(u'/', share + 1)));
}

WideString NamePart(std::u16string_view path) {
    const size_t slash = path.rfind(u'/');
    return WideString(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

WideString ExtensionPart(std::u16string_view path) {
    const WideString name = NamePart(path);
    const size_t dot = name.rfind(u'.');
    return dot == WideString::npos ? WideString() : name.substr(dot);
}

WideString IncludeTrailingDelimiterW(std::u16string_view path) {
    WideString result(path);
    if (result.empty() || result.back() != u'/') result += u'/';
    return result;
}

namespace {

constexpr int8_t NotBase64 = -1;

// The table is built on first use; characters above 0xFF never decode.
const std::array<int8_t, 65536>& Base64Table() {
    static const auto table = [] {
        auto built = std::make_unique<std::array<int8_t, 65536>>();
        built->fill(NotBase64);
        const std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (size_t i = 0; i < alphabet.size(); ++i) (*built)[static_cast<uint8_t>(alphabet[i])] = static_cast<int8_t>(i);
        return built;
    }();
    return *table;
}

// At most 31 bits, taken from the top.
class TBitBuffer {
public:
    void Put(uint32_t value, int bits) {
        buffer_ = (buffer_ << bits) | value;
        count_ += bits;
    }
    int Count() const { return count_; }
    uint32_t Take(int bits) {
        if (bits > count_) throw EHyUnicodeError("Buffer too small");
        count_ -= bits;
        const uint32_t value = (buffer_ >> count_) & ((1u << bits) - 1);
        buffer_ &= (1u << count_) - 1;
        return value;
    }

private:
    uint32_t buffer_ = 0;
    int count_ = 0;
};

}  // namespace

WideString DecodeUtf7(std::string_view text) {
    const auto& table = Base64Table();
    WideString result;
    size_t at = 0;
    while (at < text.size()) {
        const char c = text[at++];
        if (c != '+') {
            result += static_cast<char16_t>(static_cast<uint8_t>(c));
            continue;
        }
        if (at < text.size() && text[at] == '-') {
            result += u'+';
            ++at;
            continue;
        }
        TBitBuffer bits;
        while (at < text.size() && table[static_cast<uint8_t>(text[at])] != NotBase64) {
            bits.Put(static_cast<uint32_t>(table[static_cast<uint8_t>(text[at++])]), 6);
            if (bits.Count() >= 16) result += static_cast<char16_t>(bits.Take(16));
        }
        // A "-" ends the section and is dropped; any other character is kept.
        if (at < text.size() && text[at] == '-') ++at;
    }
    return result;
}

WideString DisplayText(std::u16string_view text) { return DecodeUtf7(NarrowText(text)); }

int ChrCmpIW(char16_t a, char16_t b) {
    const char16_t foldedA = QChar(a).toCaseFolded().unicode();
    const char16_t foldedB = QChar(b).toCaseFolded().unicode();
    return foldedA == foldedB ? 0 : (foldedA < foldedB ? -1 : 1);
}

void SetWindowTextW(QWidget* window, std::u16string_view text) {
    if (window) window->setWindowTitle(ToQString(text));
}

int TextWidthW(const QPainter& canvas, std::u16string_view text) {
    return canvas.fontMetrics().horizontalAdvance(ToQString(text));
}

void TextOutW(QPainter& canvas, int x, int y, std::u16string_view text) {
    const QFontMetrics metrics = canvas.fontMetrics();
    // The canvas's origin is the text's top left; Qt's is its base line.
    const QRect box(x, y, metrics.horizontalAdvance(ToQString(text)), metrics.height());
    canvas.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, ToQString(text));
}

void DrawTextW(QPainter& canvas, const QRect& rect, int flags, std::u16string_view text) {
    canvas.drawText(rect, flags, ToQString(text));
}

TModalResult MessageBoxW(std::u16string_view text, std::u16string_view caption, TMsgDlgType type, unsigned buttons) {
    TDialogRequest request;
    request.text = Utf8(text);
    request.caption = Utf8(caption);
    request.type = type;
    request.buttons = buttons;
    request.defaultAnswer = (buttons & mbOK) ? mrOk : ((buttons & mbYes) ? mrYes : mrCancel);
    return TDialogService::Instance().Ask(request);
}

}  // namespace kestrune::shell
