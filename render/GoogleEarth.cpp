#include "render/GoogleEarth.h"

#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"

namespace kestrune {

std::string KmlPointText(float latitude, float longitude) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<kml xmlns=\"http://earth.google.com/kml/2.0\">\n"
           "<GroundOverlay>\n"
           "<description>Location given by the Talvessa</description>\n"
           "<name>Talvessa location</name>\n"
           "<LookAt>\n"
           "<longitude>" + CoordinateText(longitude) + "</longitude>\n"
           "<latitude>" + CoordinateText(latitude) + "</latitude>\n"
           "<range>60000</range>\n"
           "</LookAt>\n"
           "<visibility>0</visibility>\n"
           "</GroundOverlay>\n"
           "</kml>\n";
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
