// Virtual-file descriptors and file names offered by a data object holding
// any bytes: the file and virtual-file data formats read them from every
// format they know, and nothing is read outside the block.
#include "dragdrop/DragDropFile.h"
#include "fuzz/FuzzTarget.h"

using namespace kestrune::dragdrop;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RegisterDragDropFormats();
    const TByteSpan block(data, size);
    TMemoryDataObject source;
    for (uint16_t format : {uint16_t{CF_HDROP}, TPIDLClipboardFormat::Id(), TUnicodeFilenameClipboardFormat::Id(),
                            TAnsiFileGroupDescriptorClipboardFormat::Id(),
                            TUnicodeFileGroupDescriptorClipboardFormat::Id(), TUnicodeFilenameMapClipboardFormat::Id()})
        source.SetBytes(format, block);
    TFileDataFormat files(nullptr);
    files.FillFormats(ddRead);
    files.GetData(source);
    TFileMapDataFormat maps(nullptr);
    maps.FillFormats(ddRead);
    maps.GetData(source);
    TVirtualFileStreamDataFormat virtualFiles(nullptr);
    virtualFiles.FillFormats(ddRead);
    virtualFiles.GetData(source);
    virtualFiles.FileNames();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    RegisterDragDropFormats();
    TVirtualFileStreamDataFormat virtualFiles(nullptr);
    virtualFiles.FillFormats(ddWrite);
    virtualFiles.AddFileName("attachment.hpt");
    virtualFiles.AddFileName("second.l1b");
    TUnicodeFileGroupDescriptorClipboardFormat descriptors;
    virtualFiles.AssignTo(descriptors);
    const TBytes drop = WriteDropFiles({"/data/a.hpt"});
    return {std::string(descriptors.Block.begin(), descriptors.Block.end()), std::string(drop.begin(), drop.end())};
}
