// The folder value behind every folder property of the shell controls
// (empty means the desktop), the details face that the list's columns use,
// and the shell controls' shared start-up values.
#pragma once

#include "platform/ShellNamespace.h"
#include "shell/UHyUnicode.h"

#include <functional>
#include <memory>
#include <optional>

namespace kestrune::shell {

// What the list's columns ask of a folder: a column's heading (no item) or an item's cell.
class IShellDetails {
public:
    virtual ~IShellDetails() = default;
    virtual HRESULT GetDetailsOf(const TItemIdList* item, int column, TShellDetails& details) = 0;
    virtual HRESULT ColumnClick(int column) = 0;
};

// Gives a folder's detail columns the details face, showing the folder's
// default-on columns only.
class TShellFolder2ToShellDetailsAdapter : public IShellDetails {
public:
    explicit TShellFolder2ToShellDetailsAdapter(std::shared_ptr<IShellFolder> folder) : folder_(std::move(folder)) {}
    HRESULT GetDetailsOf(const TItemIdList* item, int column, TShellDetails& details) override;
    HRESULT ColumnClick(int) override { return ole::E_NOTIMPL; }

private:
    std::shared_ptr<IShellFolder> folder_;
};

// The folder's details provider, or none.
std::shared_ptr<IShellDetails> GetShellDetails(const std::shared_ptr<IShellFolder>& folder);

class THyShellLocator {
public:
    enum TKind : uint8_t { lkIdList = 0, lkSpecialFolder = 1 };

    // The list (none = the desktop); a special folder's is resolved on first use.
    const TItemIdList* GetPidl();
    void SetPidl(const TItemIdList* list);
    void SetPath(std::u16string_view path);
    WideString GetPath();
    void Clear() { SetPidl(nullptr); }
    void SetSpecialFolder(uint8_t index);
    void Assign(const THyShellLocator* source);
    bool SameAs(const THyShellLocator& other) const;
    TKind Kind() const { return kind_; }
    uint8_t SpecialFolder() const { return specialFolder_; }

    // The stored form: kind, then a 32-bit length and the list, or the index.
    // Writing is only asked for when the locator holds something.
    std::vector<uint8_t> WriteStored() const;
    // False (the locator unchanged) for a damaged form.
    bool ReadStored(std::span<const uint8_t> bytes);

    std::function<void()> OnChange;

private:
    void DoChange() {
        if (OnChange) OnChange();
    }
    TKind kind_ = lkIdList;
    std::optional<TItemIdList> list_;
    uint8_t specialFolder_ = 0;
};

// Values the controls share, read at start-up.
struct THoverMetrics {
    int TimeMs = 400;
    int Width = 2;
    int Height = 2;
};
THoverMetrics HoverMetrics();
// The registered formats "Shell IDList Array" and "FileContents".
uint16_t CF_IDLIST();
uint16_t CF_FILECONTENTS();

}  // namespace kestrune::shell
