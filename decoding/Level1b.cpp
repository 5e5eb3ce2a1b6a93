#include "decoding/Level1b.h"

#include "orbit/Orbits.h"
#include "platform/SystemUtils.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace kestrune {

namespace {

constexpr double MillisecondsPerDay = 86400000.0;

uint8_t ByteAt(std::span<const uint8_t> block, size_t offset) { return offset < block.size() ? block[offset] : 0; }

int YearOfCentury(int year) { return year < 57 ? 2000 + year : 1900 + year; }

// Plain decimal text: the shortest general form of the value.
std::string PlainDecimal(double value) { return Format("%.15g", value); }

std::string HexBytes(std::span<const uint8_t> block, size_t offset, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += Format("%.2X ", ByteAt(block, offset + i));
    return text;
}

std::string ProcessingSite(char site) {
    switch (site) {
        case 'A': return "SAA";
        case 'D': return "DSRS/Dundee";
        case 'N': return "NCDC/Asheville";
        case 'S': return "NCDC/Suitland";
        default: return "unknown";
    }
}

std::string ProcessingCentre(std::string_view prefix) {
    static constexpr std::pair<const char*, const char*> Centres[] = {
        {"CMS", "Centre de Meteorologie Spatiale, France"},
        {"DSS", "Dundee Satellite Receiving Station, Scotland, UK"},
        {"NSS", "NOAA/NESDIS - Suitland, Maryland, USA"},
        {"UKM", "UK Met Office, Bracknell, England, UK"},
        {"DTP", "Further processing centre (DTP)"}};
    std::string centre;
    for (const auto& [code, name] : Centres)
        if (prefix == code) centre = name;
    return centre;
}

std::string DataTypeText(std::string_view type) {
    if (type == "FRAC" || type == "HRPT") return std::string(type);
    if (type == "GHRR") return "GAC";
    if (type == "LHRR") return "LAC";
    return "";
}

std::string ReceivingStation(char first, char second) {
    switch (first) {
        case 'C': return "Cape Ferguson, Queensland,  Australia";
        case 'D': return "Dundee, Scotland, UK";
        case 'E': return "Ewa Beach, Oahu, Hawaii";
        case 'G': return "Fairbanks, Alaska, USA";
        case 'H': return "Honolulu, Hawaii, USA";
        case 'M': return second == 'I' ? "Miami, Florida, USA" : second == 'O' ? "Monterey, California, USA" : "";
        case 'S': return "Satellite Operations Control Center, Suitland, Maryland, USA";
        case 'W':
            return second == 'E'   ? "Western Europe, Lannion, France"
                   : second == 'I' ? "Wallops Island, Virginia, USA"
                                   : "";
        default: return "";
    }
}

std::string OlderSpacecraftName(int id) {
    switch (id) {
        case 1: return "TIROS-N";
        case 3: return "NOAA-14";
        case 4: return "NOAA-7";
        case 5: return "NOAA-12";
        case 7: return "NOAA-9";
        case 8: return "NOAA-10";
        default: return "(unknown ID)";
    }
}

// Characters of the data set name read as a decimal number; EConvertError otherwise.
int NameNumber(std::string_view name, size_t first, size_t count) {
    int value = 0;
    if (first + count > name.size() || !TryStrToInt(name.substr(first, count), value))
        throw EConvertError("The data set name holds no number at " + std::to_string(first));
    return value;
}

// Start and stop of the pass from the data set name's date and times.
void DatesFromName(std::string_view name, TArsSummary& summary, const std::string& satellite,
                   const std::string& dataType, const std::string& station, const std::string& centre) {
    const TDateTime date = EncodeDate(YearOfCentury(NameNumber(name, 13, 2)), 1, 1) + NameNumber(name, 15, 3) - 1;
    const auto timeAt = [&](size_t first) {
        const int value = NameNumber(name, first, 4);
        return EncodeTime(value / 100, std::min(value % 100, 59), 0, 0);
    };
    const TDateTime start = timeAt(20);
    TDateTime stop = timeAt(26);
    if (stop < start) stop += 1;
    const std::string dateText = FormatDateTime("yyyy mmm dd", date);
    const std::string timesText = FormatDateTime("hh:mm", start) + "-" + FormatDateTime("hh:mm", stop) + " UTC";
    summary.Start = date + start;
    summary.Stop = date + stop;
    summary.SatelliteName = satellite;
    summary.Description =
        satellite + ", " + dateText + " " + timesText + "\nAcquired: " + station + "\nProcessed: " + centre;
    summary.Summary = satellite + ", " + dataType + ", " + dateText + ", " + timesText;
}

void DescribeNewerLayout(std::span<const uint8_t> header, std::vector<std::string>& lines) {
    lines.emplace_back("  Data Set Header details... (KLM)");
    static constexpr std::tuple<const char*, size_t, size_t> Fields[] = {
        {"    Ascend/Descend flag: ", 146, 1}, {"    First latitude: ", 147, 3}, {"    Last latitude: ", 150, 3},
        {"    First longitude: ", 153, 4},     {"    Last longitude: ", 157, 4}, {"    Data format: ", 161, 20},
        {"    Record size: ", 181, 6}};
    for (const auto& [label, offset, count] : Fields) lines.push_back(label + CharsAt(header, offset, count));
    lines.push_back("    Number of records: " + CharsAt(header, 187, 6) + " (includes 2 header records)");
}

void DescribeOlderLayout(std::span<const uint8_t> header, std::vector<std::string>& lines, TOrbit* orbit,
                         TArsSummary& summary) {
    lines.emplace_back("  Data Set Header details... (pre-KLM)");
    const int id = ByteAt(header, 122);
    const std::string name = OlderSpacecraftName(id);
    lines.push_back("    Spacecraft ID: " + std::to_string(id) + " => " + name);
    if (orbit != nullptr && orbit->SatelliteName.empty()) orbit->SetSatelliteName(name);
    const int dataType = ByteAt(header, 123);
    static constexpr const char* DataTypes[] = {"", "LAC", "GAC", "HRPT"};
    const int kind = dataType >> 4;
    lines.push_back("    Data type: " + std::to_string(dataType) + " => " +
                    (kind >= 1 && kind <= 3 ? DataTypes[kind] : ""));
    const auto timeLine = [&](const char* label, size_t offset, TDateTime& keep) {
        TDateTime when = 0;
        std::string text;
        DecodeL1BTime(header.size() >= offset + 6 ? header.subspan(offset, 6) : std::span<const uint8_t>(), when, text);
        if (keep == 0) keep = when;
        lines.push_back(label + text);
    };
    timeLine("    Start time: ", 124, summary.Start);
    lines.push_back("    Number of scans: " + std::to_string(BigEndianWordAt(header, 130)));
    timeLine("    End time:   ", 132, summary.Stop);
    lines.push_back("    Processing ID: " + CharsAt(header, 138, 7));
    lines.push_back("    Data gaps: " + std::to_string(BigEndianWordAt(header, 146)));
    lines.push_back(Format("    Nadir tolerance: %.1f km", ByteAt(header, 158) / 10.0));
    lines.push_back("    Four-digit year: " + std::to_string(BigEndianWordAt(header, 160)));
    const int epochYear = BigEndianWordAt(header, 206);
    const int epochDay = BigEndianWordAt(header, 208);
    lines.push_back("    Epoch year: " + std::to_string(epochYear));
    lines.push_back("    Epoch Julian day: " + std::to_string(epochDay));
    const auto scaled = [&](size_t offset, double divisor) { return BigEndianLongAt(header, offset) / divisor; };
    try {
        const TDateTime epoch = EncodeDate(epochYear, 1, 1) +
                                static_cast<uint32_t>(BigEndianLongAt(header, 210)) / MillisecondsPerDay + epochDay - 1;
        lines.push_back("    Epoch time: " + FormatDateTime("yyyy-mmm-dd hh:nn:ss.zzz", epoch));
        lines.emplace_back("    Kepler data:");
        lines.push_back(Format("          Semi-major axis: %.3f km", scaled(214, 1e3)));
        lines.push_back(Format("             Eccentricity: %.8f", scaled(218, 1e8)));
        lines.push_back(Format("              Inclination: %.5f degrees", scaled(222, 1e5)));
        lines.push_back(Format("      Argument of perigee: %.5f degrees", scaled(226, 1e5)));
        lines.push_back(Format("          RA of ascending: %.5f degrees", scaled(230, 1e5)));
        lines.push_back(Format("             Mean anomaly: %.5f degrees", scaled(234, 1e5)));
        lines.emplace_back("    Cartesian Inertial True of Date Elements");
        static constexpr const char* Axes[] = {"          X : ", "          Y : ", "          Z : "};
        static constexpr const char* Rates[] = {"       X dot: ", "       Y dot: ", "       Z dot: "};
        for (size_t axis = 0; axis < 3; ++axis)
            lines.push_back(Axes[axis] + Format("%.2f km", scaled(238 + 4 * axis, 1e4)));
        for (size_t axis = 0; axis < 3; ++axis)
            lines.push_back(Rates[axis] + Format("%.2f m/s", scaled(250 + 4 * axis, 1e3)));
    } catch (const EConvertError&) {
        // An epoch that is no date ends the orbit block; the rest follows.
    }
    lines.push_back("    Record size: " + HexBytes(header, 181, 6));
    lines.push_back("    Number of records: " + HexBytes(header, 187, 6));
}

}  // namespace

uint16_t BigEndianWordAt(std::span<const uint8_t> block, size_t offset) {
    return offset + 2 <= block.size() ? ReadBigEndian16(block.data() + offset) : 0;
}

int32_t BigEndianLongAt(std::span<const uint8_t> block, size_t offset) {
    return offset + 4 <= block.size() ? ReadBigEndianInt32(block.data() + offset) : 0;
}

std::string CharsAt(std::span<const uint8_t> block, size_t offset, size_t count) {
    if (offset >= block.size()) return "";
    const size_t n = std::min(count, block.size() - offset);
    return std::string(reinterpret_cast<const char*>(block.data() + offset), n);
}

TDateTime DecodeL1BTime(std::span<const uint8_t> code) {
    const uint16_t yearDay = BigEndianWordAt(code, 0);
    return EncodeDate(YearOfCentury(yearDay >> 9), 1, 1) + (yearDay & 0x1FF) - 1 +
           BigEndianLongAt(code, 2) / MillisecondsPerDay;
}

void DecodeL1BTime(std::span<const uint8_t> code, TDateTime& when, std::string& text) {
    when = DecodeL1BTime(code);
    text = FormatDateTime("yyyy-mm-dd hh:nn:ss", when);
}

std::optional<double> CentreLatitudeOnEarth(std::span<const uint8_t> locations, bool newerLayout) {
    constexpr size_t Centre = 25;
    double latitude = 0, longitude = 0;
    if (newerLayout) {
        if (locations.size() < 8 * Centre + 8) return std::nullopt;
        latitude = BigEndianLongAt(locations, 8 * Centre) / 1e4;
        longitude = BigEndianLongAt(locations, 8 * Centre + 4) / 1e4;
    } else {
        if (locations.size() < 4 * Centre + 4) return std::nullopt;
        latitude = static_cast<int16_t>(BigEndianWordAt(locations, 4 * Centre)) / 128.0;
        longitude = static_cast<int16_t>(BigEndianWordAt(locations, 4 * Centre + 2)) / 128.0;
    }
    const bool onEarth = std::fabs(latitude) <= 90 && std::fabs(longitude) <= 180 && (latitude != 0 || longitude != 0);
    return onEarth ? std::optional<double>(latitude) : std::nullopt;
}

std::string L1BSpacecraftName(std::string_view dataSetName) {
    if (dataSetName.size() < 11) return "";
    const char kind = dataSetName[9];
    const char number = dataSetName[10];
    if (kind == 'T') return "TIROS-N";
    if (kind == 'M') {
        switch (number) {
            case '1': return "METOP-B";
            case '2': return "METOP-A";
            case '3': return "METOP-C";
            default: return "";
        }
    }
    if (kind != 'N') return "";
    static constexpr std::pair<char, const char*> Noaa[] = {
        {'A', "NOAA-6"},  {'C', "NOAA-7"},  {'D', "NOAA-12"}, {'E', "NOAA-8"},  {'F', "NOAA-9"},
        {'G', "NOAA-10"}, {'H', "NOAA-11"}, {'I', "NOAA-13"}, {'J', "NOAA-14"}, {'K', "NOAA-15"},
        {'L', "NOAA-16"}, {'M', "NOAA-17"}, {'N', "NOAA-18"}, {'P', "NOAA-19"}};
    for (const auto& [code, name] : Noaa)
        if (code == number) return name;
    return "";
}

TArsSummary DataSetNameSummary(std::string_view name) {
    TArsSummary summary;
    const std::string centre = ProcessingCentre(name.substr(0, 3));
    const std::string dataType = DataTypeText(name.size() >= 8 ? name.substr(4, 4) : "");
    const std::string station = name.size() >= 42 ? ReceivingStation(name[40], name[41]) : std::string();
    try {
        DatesFromName(name, summary, L1BSpacecraftName(name), dataType, station, centre);
    } catch (const EConvertError&) {
        summary = TArsSummary{};
    }
    return summary;
}

TArsSummary DecodeARSHeader(std::span<const uint8_t> header, std::vector<std::string>& lines, TOrbit* orbit) {
    TArsSummary summary;
    lines.emplace_back("Archive Retrieval System header decoded:");
    lines.emplace_back("ORDER ID");
    lines.push_back("  Cost number: " + CharsAt(header, 0, 6));
    lines.push_back("  SAA number: " + CharsAt(header, 6, 8));
    lines.push_back("  Order created: " + CharsAt(header, 14, 4) + CharsAt(header, 18, 3) + " (year/day)");
    lines.push_back("  Processing site: " + ProcessingSite(static_cast<char>(ByteAt(header, 21))));
    lines.push_back("  Processing software: " + CharsAt(header, 22, 8));
    lines.emplace_back("DATA SELECTION CRITERIA");
    const std::string name = CharsAt(header, DataSetNameOffset, DataSetNameLength);
    lines.push_back("  Data Set Name: " + name);

    const std::string satellite = L1BSpacecraftName(name);
    if (orbit != nullptr) orbit->SetSatelliteName(satellite);
    summary = DataSetNameSummary(name);
    if (!satellite.empty()) lines.push_back("  Satellite: " + satellite);

    const char flag = static_cast<char>(ByteAt(header, 74));
    if (flag == 'T')
        lines.emplace_back("  Total data set copy");
    else if (flag == 'S')
        lines.emplace_back("  Selective data set copy (subset)");
    else
        lines.push_back(std::string("  Select flag \"") + flag + "\" unrecognised");
    static constexpr std::tuple<const char*, size_t, size_t> Criteria[] = {
        {"  Beginning latitude: ", 75, 3}, {"  Ending latitude: ", 78, 3},  {"  Beginning longitude: ", 81, 4},
        {"  Ending longitude: ", 85, 4},   {"  Start hour (UTC): ", 89, 2}, {"  Start minute: ", 91, 2},
        {"  Number of minutes: ", 93, 3}};
    for (const auto& [label, offset, count] : Criteria) lines.push_back(label + CharsAt(header, offset, count));
    std::string shown = " ";
    for (size_t i = 0; i < 20; ++i) {
        const uint8_t c = ByteAt(header, 97 + i);
        shown += (c >= 32 && c <= 126 ? static_cast<char>(c) : ' ');
        shown += "  ";
    }
    lines.push_back("  Channels selected: " + HexBytes(header, 97, 20));
    lines.push_back("  Channels selected: " + shown);
    lines.push_back("  Appended data flag: " + CharsAt(header, 96, 1));

    if (ByteAt(header, LayoutTestOffset) == ' ')
        DescribeNewerLayout(header, lines);
    else
        DescribeOlderLayout(header, lines, orbit, summary);
    lines.emplace_back(" ");
    return summary;
}

void DumpL1BHeaderRecord(std::span<const uint8_t> record, std::vector<std::string>& lines) {
    const auto word = [&](size_t offset) { return BigEndianWordAt(record, offset); };
    const auto signedWord = [&](size_t offset) { return static_cast<int16_t>(word(offset)); };
    const auto scaled = [&](size_t offset, double divisor) { return BigEndianLongAt(record, offset) / divisor; };
    lines.emplace_back("LAC/HRPT Data Set Header Record decoded:");
    lines.push_back("  Data records: " + std::to_string(word(128)));
    lines.push_back("  Ref ellipsoid: " + CharsAt(record, 328, 8));
    lines.push_back("  Nadir earth location tolerance: " + PlainDecimal(word(336) / 10.0) + " km");
    lines.push_back("  Roll attitude error: " + PlainDecimal(signedWord(342) / 1000.0) + " deg");
    lines.push_back("  Pitch attitude error: " + PlainDecimal(signedWord(344) / 1000.0) + " deg");
    lines.push_back("  Yaw attitude error: " + PlainDecimal(signedWord(346) / 1000.0) + " deg");
    const int epochDay = word(350);
    try {
        const TDateTime epoch = EncodeDate(word(348), 1, 1) + epochDay - 1 +
                                static_cast<uint32_t>(BigEndianLongAt(record, 352)) / MillisecondsPerDay;
        lines.push_back(FormatDateTime("'  Orbit vector epoch: 'yyyy-mmm-dd hh:nn:ss.zzz", epoch) +
                        Format("  (day %d)", epochDay));
    } catch (const EConvertError&) {
        // An epoch that is no date is left out; the elements follow.
    }
    lines.push_back(Format("              Semi-major axis: %.5f km", scaled(356, 1e5)));
    lines.push_back(Format("                 Eccentricity: %.8f km", scaled(360, 1e8)));
    lines.push_back(Format("                  Inclination: %.5f deg", scaled(364, 1e5)));
    lines.push_back(Format("          Argument of perigee: %.5f deg", scaled(368, 1e5)));
    lines.push_back(Format("         RA of ascending node: %.5f deg", scaled(372, 1e5)));
    lines.push_back(Format("                 Mean anomaly: %.5f deg", scaled(376, 1e5)));
    for (size_t axis = 0; axis < 3; ++axis)
        lines.push_back(Format("            Position vector %c: %.5f km", "XYZ"[axis], scaled(380 + 4 * axis, 1e5)));
    for (size_t axis = 0; axis < 3; ++axis)
        lines.push_back(Format("        Velocity vector %c-dot: %.8f km/s", "XYZ"[axis], scaled(392 + 4 * axis, 1e8)));
    static constexpr const char* Visible[] = {"Ch1", "Ch2", "Ch3A"};
    for (size_t channel = 0; channel < 3; ++channel) {
        lines.push_back(Format("  %s solar filtered irradiance in wavelength: %.1f", Visible[channel],
                               scaled(256 + 8 * channel, 10)));
        lines.push_back(Format("  %s equivalent filter width in wavelength: %.3f", Visible[channel],
                               scaled(260 + 8 * channel, 1e3)));
    }
    lines.push_back(
        Format("  Ch3B: Wavenumber:%.4f C1:%.6f C2:%.6f", scaled(280, 1e2), scaled(284, 1e5), scaled(288, 1e6)));
    lines.push_back(
        Format("  Ch4: Wavenumber:%.4f C1:%.6f C2:%.6f", scaled(292, 1e3), scaled(296, 1e5), scaled(300, 1e6)));
    lines.push_back(
        Format("  Ch5: Wavenumber:%.4f C1:%.6f C2:%.6f", scaled(304, 1e3), scaled(308, 1e5), scaled(312, 1e6)));
    lines.emplace_back(" ");
}

}  // namespace kestrune
