// Filling a resource set from the resource tree of a PE file or of a
// module's resource image.
#include "localise/WinResProc.h"

#include "localise/LocResources.h"

namespace kestrune {

namespace {

[[noreturn]] void Unrecognized() { throw EExeError(LibraryText(res::SUnrecognizedFormat)); }

template <class Block>
std::unique_ptr<Block> BlockFromList(const TPEResourceItem& type) {
    auto block = std::make_unique<Block>();
    if (type.IsList()) block->LoadFromPEList(type.List());
    return block;
}

}  // namespace

// A damaged string table ends where its bytes do.
void TResString::AddSlots(uint32_t groupId, std::string_view data) {
    TByteReader reader(data, Unrecognized);
    for (int32_t slot = 0; slot < 16 && reader.Left() >= 2; ++slot) {
        const size_t length = reader.U16();
        if (reader.Left() < 2 * length) break;
        std::u16string text = reader.Wide(length);
        if (!text.empty()) AddString(static_cast<int32_t>((groupId - 1) * 16) + slot, std::move(text));
    }
}

void TResString::LoadFromPEList(const TPEResourceList& list) {
    Clear();
    for (const TPEResourceItem& item : list)
        if (item.HasId() && item.Id() > 0) AddSlots(item.Id(), item.Data());
}

void TResRCData::LoadFromPEList(const TPEResourceList& list) {
    Clear();
    for (const TPEResourceItem& item : list) AddItem(item.Name(), item.HasId()).Data.assign(item.Data());
}

void TResProcessor::LoadResourcesFromFile(const std::string& fileName) {
    TPEReader reader(fileName);
    Clear();
    Is64 = reader.Is64();
    for (const TPEResourceItem& type : reader.ResourceList()) {
        if (type.Name() == "String") AddBlock(BlockFromList<TResString>(type));
        else if (type.Name() == "RCData") AddBlock(BlockFromList<TResRCData>(type));
    }
}

void TResProcessor::LoadResourcesFromModule(std::string_view resourceImage) {
    const auto reader = TPEReader::FromImage(TBytes(resourceImage));
    Clear();
    Is64 = false;
    auto strings = std::make_unique<TResString>();
    auto rcdata = std::make_unique<TResRCData>();
    for (const TPEResourceItem& type : reader->ResourceList()) {
        if (!type.HasId() || !type.IsList()) continue;
        for (const TPEResourceItem& item : type.List()) {
            if (type.Id() == RT_STRING && item.HasId() && item.Id() > 0) strings->AddSlots(item.Id(), item.Data());
            if (type.Id() == RT_RCDATA) rcdata->AddItem(item.Name(), false).Data.assign(item.Data());
        }
    }
    if (strings->StringCount() > 0) AddBlock(std::move(strings));
    if (rcdata->ItemCount() > 0) AddBlock(std::move(rcdata));
}

}  // namespace kestrune
