#include "render/GoogleEarth.h"

#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"

namespace kestrune {

// Lines end in CR LF, as in every text file the program writes.
std::string KmlPointText(float latitude, float longitude) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
           "<kml xmlns=\"http://earth.google.com/kml/2.0\">\r\n"
           "<GroundOverlay>\r\n"
           "<description>Location given by the Talvessa</description>\r\n"
           "<name>Talvessa location</name>\r\n"
           "<LookAt>\r\n"
           "<longitude>" + CoordinateText(longitude) + "</longitude>\r\n"
           "<latitude>" + CoordinateText(latitude) + "</latitude>\r\n"
           "<range>60000</range>\r\n"
           "</LookAt>\r\n"
           "<visibility>0</visibility>\r\n"
           "</GroundOverlay>\r\n"
           "</kml>\r\n";
}

std::string WriteKmlPoint(float latitude, float longitude) {
    if (latitude == 0 || longitude == 0) return {};
    const std::string path = WritableProgramFile(KmlPointFileName);
    try {
        WriteFileAtomically(path, KmlPointText(latitude, longitude));
    } catch (const EWriteError& error) {
        TDialogService::Instance().ShowMessage(error.what(), {}, TMsgDlgType::mtError);
        return {};
    }
    return path;
}

}  // namespace kestrune
