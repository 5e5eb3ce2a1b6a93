// Reader of Windows PE files (programs and libraries, PE32 and PE32+, plain
// or "LZQ00"-compressed) down to their resource tree: types, then names with
// their data. Every address, count and name is checked against the image.
#pragma once

#include "platform/ResBytes.h"
#include "platform/SysUtils.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

class EExeError : public Exception {
public:
    using Exception::Exception;
};

constexpr uint32_t RT_STRING = 6;
constexpr uint32_t RT_RCDATA = 10;

// Name of a standard resource type 0..16 ("String" for 6, "RCData" for 10).
std::string ResourceTypeName(uint32_t type);

class TPEResourceList;

class TPEResourceItem {
public:
    // The standard type name for a type id below 17, the item's own name
    // when it has one, else its id in decimal.
    const std::string& Name() const { return name_; }
    bool HasId() const { return hasId_; }
    uint32_t Id() const { return id_; }
    // True for a type item (a list of names); a name item is a leaf.
    bool IsList() const { return isList_; }
    // Raises "ResourceItem is not a list" for a leaf.
    const TPEResourceList& List() const;
    // A leaf's bytes: the data of its first language; empty for a list.
    std::string_view Data() const { return data_; }

private:
    friend class TResourceTreeBuilder;
    std::string name_;
    bool hasId_ = true;
    uint32_t id_ = 0;
    bool isList_ = false;
    std::unique_ptr<TPEResourceList> subList_;
    std::string_view data_;
};

class TPEResourceList {
public:
    size_t Count() const { return items_.size(); }
    const TPEResourceItem& Items(size_t index) const { return items_.at(index); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    // The resource type this list belongs to (0 for the root).
    uint32_t TypeId() const { return typeId_; }

private:
    friend class TResourceTreeBuilder;
    std::vector<TPEResourceItem> items_;
    uint32_t typeId_ = 0;
};

class TPEReader {
public:
    // Reads the file (expanding it when compressed) and checks its headers;
    // raises EExeError, or Exception when the file cannot be read.
    explicit TPEReader(const std::string& fileName);
    // The same over an image already in memory.
    static std::unique_ptr<TPEReader> FromImage(TBytes image);

    TPEReader(const TPEReader&) = delete;
    TPEReader& operator=(const TPEReader&) = delete;

    const std::string& FileName() const { return fileName_; }
    bool Is64() const { return is64_; }
    // The type level of the resource tree, built on first use; raises
    // "No resources in this file." when there is no ".rsrc" section.
    const TPEResourceList& ResourceList();

private:
    TPEReader(std::string fileName, TBytes image);
    void CheckHeaders();

    std::string fileName_;
    TBytes image_;
    uint32_t ntHeaders_ = 0;
    bool is64_ = false;
    std::unique_ptr<TPEResourceList> resourceList_;
};

}  // namespace kestrune
