// Item ID lists of any bytes through the namespace's walks: the path of a list
// is absolute and free of "." and ".." parts, and its parent and last item
// split and join back to the list.
#include "fuzz/FuzzTarget.h"
#include "platform/ShellNamespace.h"

#include <cstdlib>

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<TItemIdList> list = TItemIdList::fromBytes(std::span<const uint8_t>(data, size));
    if (!list) return 0;
    if (const std::optional<std::string> path = PathFromIdList(*list)) {
        if (path->empty() || (*path)[0] != '/' || path->find("/../") != std::string::npos) std::abort();
    }
    if (list->itemCount() > 0 && !(list->parent().combine(list->last()) == *list)) std::abort();
    DesktopFolder()->CompareIDs(0, *list, list->last());
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    std::vector<std::string> seeds;
    TItemIdList computer;
    SpecialFolderLocation(CSIDL_DRIVES, computer);
    for (const TItemIdList& list : {*IdListFromPath("/data/2024/n19.hpt"), computer, TItemIdList()})
        seeds.emplace_back(list.bytes().begin(), list.bytes().end());
    return seeds;
}
