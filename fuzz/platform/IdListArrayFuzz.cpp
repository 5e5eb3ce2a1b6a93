// The item ID list array reader over any bytes: what it reads must write
// back to a block that reads the same (unless its lists are so short that the
// block is under 8 bytes an item, which the reader refuses), and every list
// must answer its path.
#include "fuzz/FuzzTarget.h"
#include "platform/OleBlocks.h"

#include <cstdlib>

using namespace kestrune;
using namespace kestrune::ole;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto lists = ReadIdListArray(TByteSpan(data, size));
    if (!lists) return 0;
    for (const TItemIdList& list : *lists) PathFromIdList((*lists)[0].combine(list));
    const TBytes block = WriteIdListArray(*lists);
    if (block.size() >= 8 * (lists->size() - 1) + 4 && ReadIdListArray(block) != lists) std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    std::vector<std::string> seeds;
    for (const std::vector<std::string>& paths : std::vector<std::vector<std::string>>{
             {"/data", "/a.hpt"}, {"/", "/home/user/b.l1b", "/tmp/c.raw"}}) {
        std::vector<TItemIdList> lists;
        for (const std::string& path : paths) lists.push_back(*IdListFromPath(path));
        const TBytes block = WriteIdListArray(lists);
        seeds.emplace_back(block.begin(), block.end());
    }
    return seeds;
}
