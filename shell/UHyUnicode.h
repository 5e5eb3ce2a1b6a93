// The lowest layer of the shell controls: a wide string list, wide path and
// text routines, the UTF-7 decoder of display texts and the platform flags
// the rest of the controls read.
#pragma once

#include "platform/DialogService.h"
#include "platform/SysUtils.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QPainter;
class QRect;
class QWidget;

namespace kestrune::shell {

using WideString = std::u16string;

// Wide system calls exist; the system is XP or later (version 6.1 here).
constexpr bool WideCallsAvailable = true;
constexpr bool XpOrLater = true;
constexpr int WindowsMajorVersion = 6;

// Raised when the UTF-7 bit buffer is asked for more bits than it holds.
class EHyUnicodeError : public Exception {
public:
    using Exception::Exception;
};

// An index or count outside a list.
class EListError : public Exception {
public:
    using Exception::Exception;
};

// An abstract list of wide strings, each with a 32-bit object value.
class THyStringsW {
public:
    virtual ~THyStringsW() = default;
    virtual int GetCapacity() const = 0;
    virtual int GetCount() const = 0;
    virtual WideString Get(int index) const = 0;
    virtual uint32_t GetObject(int index) const = 0;
    virtual void SetCapacity(int capacity) = 0;
    virtual void SetCount(int count) = 0;
    virtual void Put(int index, const WideString& text) = 0;
    virtual void PutObject(int index, uint32_t object) = 0;
    virtual int Add(const WideString& text, uint32_t object = 0) = 0;
    virtual void Clear() = 0;

    void Assign(const THyStringsW& source);
    // A narrow (UTF-8) list or a wide one.
    void Assign(const std::vector<std::string>& source);
    void Assign(const std::vector<WideString>& source);
    void AssignTo(std::vector<std::string>& target) const;
    void AssignTo(std::vector<WideString>& target) const;
};

class THyStringListW : public THyStringsW {
public:
    int GetCapacity() const override { return static_cast<int>(entries_.size()); }
    int GetCount() const override { return count_; }
    WideString Get(int index) const override;
    uint32_t GetObject(int index) const override;
    void SetCapacity(int capacity) override;
    void SetCount(int count) override;
    void Put(int index, const WideString& text) override;
    void PutObject(int index, uint32_t object) override;
    int Add(const WideString& text, uint32_t object = 0) override;
    void Clear() override;

private:
    struct TEntry {
        WideString Text;
        uint32_t Object = 0;
    };
    const TEntry& At(int index) const;
    void Grow();
    std::vector<TEntry> entries_ = std::vector<TEntry>(16);  // size() is the capacity
    int count_ = 0;
};

// At most n characters of text (up to its first zero); nothing for n = 0.
WideString WStrLCopy(std::u16string_view text, size_t n);
// Each 16-bit character becomes its low byte.
std::string NarrowText(std::u16string_view text);
WideString GetCurrentDirectoryW();
bool CreateDirectoryW(std::u16string_view path);
// "//server/share" of a network path; "C:" of a text with a colon second; else empty.
WideString DrivePart(std::u16string_view path);
// The text after the last "/"; from the last "." of the name (empty without one).
WideString NamePart(std::u16string_view path);
WideString ExtensionPart(std::u16string_view path);
WideString IncludeTrailingDelimiterW(std::u16string_view path);

// UTF-7 (RFC 2152) of 8-bit text; raises EHyUnicodeError only on a broken buffer.
WideString DecodeUtf7(std::string_view text);
// The display text: narrowed, then read as UTF-7.
WideString DisplayText(std::u16string_view text);

// Case-insensitive character comparison (0 when equal, as the system's).
int ChrCmpIW(char16_t a, char16_t b);

// Text on widgets and canvases.
void SetWindowTextW(QWidget* window, std::u16string_view text);
int TextWidthW(const QPainter& canvas, std::u16string_view text);
// Honours the canvas's clipping and its right-to-left layout.
void TextOutW(QPainter& canvas, int x, int y, std::u16string_view text);
void DrawTextW(QPainter& canvas, const QRect& rect, int flags, std::u16string_view text);
// A box through the dialog service; the modal result.
TModalResult MessageBoxW(std::u16string_view text, std::u16string_view caption, TMsgDlgType type, unsigned buttons);

}  // namespace kestrune::shell
