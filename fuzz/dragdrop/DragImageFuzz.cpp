// A drag image over any bytes, as another program may put it among a drag's
// data: read or refused, never read outside the block.
#include "fuzz/FuzzTarget.h"
#include "platform/OleDragDrop_qt.h"

using namespace kestrune::ole;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryDataObject source;
    source.SetBytes(RegisterClipboardFormat("DragImageBits"), std::span<const uint8_t>(data, size));
    TDragImage image;
    if (GetDragImage(source, image)) (void)image.Picture.pixel(0, 0);
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    QImage picture(8, 6, QImage::Format_ARGB32);
    picture.fill(Qt::blue);
    TMemoryDataObject object;
    SetDragImage(object, {picture, QPoint(2, 3)});
    STGMEDIUM medium;
    object.GetData({RegisterClipboardFormat("DragImageBits"), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, medium);
    return {std::string(medium.hGlobal->Bytes.begin(), medium.hGlobal->Bytes.end())};
}
