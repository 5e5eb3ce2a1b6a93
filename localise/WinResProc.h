// An editable set of the two resource types a language library carries
// (string tables and RCDATA items), filled from a PE file or a module's
// resource image and written out as a minimal resource-only PE library.
#pragma once

#include "localise/PEReader.h"
#include "platform/ResBytes.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrune {

// One resource of a block as it goes into a directory: an id or a name, and its bytes.
struct TResEntry {
    bool named = false;
    uint32_t id = 0;
    std::u16string name;
    TBytes data;
};

class TResBlock {
public:
    virtual ~TResBlock() = default;

    size_t Count() const { return Entries().size(); }
    // Bytes of the block's directories, name strings and data in the section.
    uint32_t GetSize() const;
    uint32_t DirectorySize() const { return static_cast<uint32_t>(16 + 48 * Count()); }
    virtual uint16_t ResourceType() const = 0;
    // Writes the block's part of the section, the block starting at section offset.
    void WriteTo(TByteWriter& out, uint32_t offset, uint32_t timeStamp) const;
    // Writes the block's resources as entries of a 32-bit .res file.
    void WriteResFile(TBytes& out) const;
    // Fills the block (cleared first) from a type list of the PE reader.
    virtual void LoadFromPEList(const TPEResourceList& list) = 0;
    virtual void Clear() = 0;

protected:
    // The block's resources, in directory order.
    virtual std::vector<TResEntry> Entries() const = 0;
};

struct TResStringItem {
    int32_t Id = 0;
    std::u16string Value;
};

// One string-table resource: 16 slots holding string ids (-1 for an empty slot).
struct TResStringGroup {
    uint32_t GroupId = 0;
    std::array<int32_t, 16> Ids;
};

class TResString : public TResBlock {
public:
    uint16_t ResourceType() const override { return RT_STRING; }
    size_t StringCount() const { return strings_.size(); }
    TResStringItem& Strings(size_t index) { return strings_.at(index); }
    const TResStringItem& Strings(size_t index) const { return strings_.at(index); }
    int IndexOfId(int32_t id) const;
    TResStringItem* FindString(int32_t id);
    const TResStringItem* FindString(int32_t id) const;
    // Inserts the string in id order and returns its index; -1 (and nothing changes) when the id exists.
    int AddString(int32_t id, std::u16string value);
    const std::vector<TResStringGroup>& Groups() const { return groups_; }

    void LoadFromPEList(const TPEResourceList& list) override;
    // Adds the non-empty slots of one string-table resource, stopping at its end.
    void AddSlots(uint32_t groupId, std::string_view data);
    void Clear() override;

protected:
    std::vector<TResEntry> Entries() const override;

private:
    std::vector<TResStringItem> strings_;  // ascending Id
    std::vector<TResStringGroup> groups_;  // ascending GroupId
};

struct TResRCDataItem {
    std::string Name;
    bool IsId = false;
    TBytes Data;
};

class TResRCData : public TResBlock {
public:
    uint16_t ResourceType() const override { return RT_RCDATA; }
    size_t ItemCount() const { return items_.size(); }
    TResRCDataItem& Items(size_t index) { return items_.at(index); }
    const TResRCDataItem& Items(size_t index) const { return items_.at(index); }
    // Appended, with no bytes.
    TResRCDataItem& AddItem(const std::string& name, bool isId);
    // Names compare without case; -1 / nullptr when absent.
    int IndexOfName(const std::string& name) const;
    TResRCDataItem* FindItem(const std::string& name);
    void RemoveItem(const std::string& name);
    void Delete(size_t index);

    void LoadFromPEList(const TPEResourceList& list) override;
    void Clear() override;

protected:
    std::vector<TResEntry> Entries() const override;

private:
    std::vector<TResRCDataItem> items_;  // insertion order
};

class TResProcessor {
public:
    void Clear() { blocks_.clear(); }
    void AddBlock(std::unique_ptr<TResBlock> block) { blocks_.push_back(std::move(block)); }
    // The first block of the type, or nullptr.
    TResBlock* FindBlock(uint16_t resourceType) const;
    TResString* Strings() const { return dynamic_cast<TResString*>(FindBlock(RT_STRING)); }
    TResRCData* RCData() const { return dynamic_cast<TResRCData*>(FindBlock(RT_RCDATA)); }
    size_t BlockCount() const { return blocks_.size(); }

    bool Is64 = false;  // write PE32+ headers

    // String tables and RCDATA of a PE file (other types are dropped); raises EExeError.
    void LoadResourcesFromFile(const std::string& fileName);
    // The same from a module's resource image; blocks without resources are left out.
    void LoadResourcesFromModule(std::string_view resourceImage);
    // Writes the set as a resource-only library.
    void WriteResourceDLL(TBytes& out) const;

    // The time stamp of the headers and directories; the clock's when not set.
    void SetTimeStamp(uint32_t stamp) { timeStamp_ = stamp; }
    uint32_t TimeStamp() const;

private:
    uint32_t SectionSize() const;
    void WriteHeaders(TByteWriter& out, uint32_t sectionSize, uint32_t stamp) const;
    void WriteSection(TByteWriter& out, uint32_t stamp) const;

    std::vector<std::unique_ptr<TResBlock>> blocks_;
    std::optional<uint32_t> timeStamp_;
};

// Seconds from 1969-12-31 16:00:00 to the current local date and time.
uint32_t ResourceTimeStampNow();

}  // namespace kestrune
