// Writers of element sets and archive folders for the orbit tests.
#pragma once

#include "platform/DialogService.h"
#include "platform/SysUtils.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/PassFileWriter.h"

#include <string>

namespace kestrune::testing {

struct TleElements {
    int catalog = 25338;
    int epochYear = 20;        // two digits
    double epochDay = 100.5;   // day of year with fraction
    std::string ndot = " .00000123";
    std::string nddot = " 00000-0";
    std::string bstar = " 12345-4";
    int elementSet = 999;
    double inclination = 98.7;
    double rightAscension = 100.0;
    double eccentricity = 0.001;
    double argOfPerigee = 90.0;
    double meanAnomaly = 270.0;
    double meanMotion = 14.26;
    int revolution = 12345;
};

inline std::string TleLine1(const TleElements& e) {
    const std::string line = Format("1 %05dU 98030A   %02d%012.8f %s %s %s 0 %4d", e.catalog, e.epochYear, e.epochDay,
                                    e.ndot.c_str(), e.nddot.c_str(), e.bstar.c_str(), e.elementSet);
    return line + test::ElementLineChecksum(line);
}

inline std::string TleLine2(const TleElements& e) {
    const std::string line = Format("2 %05d %8.4f %8.4f %07d %8.4f %8.4f %11.8f%5d", e.catalog, e.inclination,
                                    e.rightAscension, static_cast<int>(e.eccentricity * 1e7 + 0.5), e.argOfPerigee,
                                    e.meanAnomaly, e.meanMotion, e.revolution);
    return line + test::ElementLineChecksum(line);
}

// A temporary folder holding the program folder and the per-user folders;
// message boxes are recorded instead of shown.
class TempFolder : public TTempFolder {
public:
    TempFolder() {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
    }
};

}  // namespace kestrune::testing

namespace kestrune::testing {

// An element set of NOAA 15 dated at a date-time.
inline TleElements SetAt(TDateTime date, int revolution, int catalog = 25338) {
    TleElements e;
    e.catalog = catalog;
    const DateParts parts = DecodeDateTime(date);
    e.epochYear = parts.year % 100;
    e.epochDay = date - EncodeDate(parts.year, 1, 1) + 1.0;
    e.revolution = revolution;
    return e;
}

// count sets one every spacing days from start, revolutions from firstRevolution
// on by revolutionsPerSet, wrapping after 99999 as the element sets do.
inline std::string ArchiveText(TDateTime start, int count, double spacing = 1.0, int firstRevolution = 1000,
                               int revolutionsPerSet = 14, const char* eol = "\n") {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const TleElements e = SetAt(start + i * spacing, (firstRevolution + i * revolutionsPerSet) % 100000);
        text += TleLine1(e) + eol + TleLine2(e) + eol;
    }
    return text;
}

}  // namespace kestrune::testing
