// PE images over any bytes, plain or compressed: the reader walks the whole
// resource tree and the resource set takes in its string tables and RCDATA.
#include "fuzz/FuzzTarget.h"
#include "localise/WinResProc.h"
#include "tests/support/LocSamples.h"
#include "tests/support/LzqWriter.h"
#include "tools/localise/ProgramResources.h"

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        const auto reader = TPEReader::FromImage(bytes);
        for (const TPEResourceItem& type : reader->ResourceList())
            if (type.IsList())
                for (const TPEResourceItem& item : type.List()) (void)item.Data().size();
    } catch (const Exception&) {
    }
    try {
        TResProcessor set;
        set.LoadResourcesFromModule(bytes);
        TBytes written;
        set.WriteResourceDLL(written);
    } catch (const Exception&) {
    }
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    TLocStorage storage;
    testing::FillNativeSample(storage);
    const TBytes image = WriteProgramResources(storage, {{"TFORMMAIN", WriteFormStream(testing::SampleMainForm())}}, ProgramNativeHeader(storage));
    TResProcessor set;
    set.LoadResourcesFromModule(image);
    set.Is64 = true;
    TBytes image64;
    set.WriteResourceDLL(image64);
    return {image, image64, testing::LZQCompress(image)};
}
