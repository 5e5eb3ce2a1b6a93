#include "decoding/SatelliteIdent.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <utility>

namespace kestrune {

namespace {

bool TokenAt(const std::string& token, const std::string& text, int position) { return Pos(token, text) == position; }

// MetOp tokens at 17 of an ESS-style name; later matches win.
std::string MetopTokenAt17(const std::string& upperName, std::string satellite) {
    const std::initializer_list<std::pair<const char*, const char*>> tokens = {
        {"M01", "METOP-B"},    {"M02", "METOP-A"},    {"M03", "METOP-C"},
        {"METOPA", "METOP-A"}, {"METOPB", "METOP-B"}, {"METOPC", "METOP-C"},
        {"METOP-A", "METOP-A"}, {"METOP-B", "METOP-B"}, {"METOP-C", "METOP-C"}};
    for (const auto& [token, name] : tokens)
        if (TokenAt(token, upperName, 17)) satellite = name;
    return satellite;
}

TNameTime FieldsAt(const std::string& name, std::initializer_list<std::pair<int, int>> fields) {
    const auto* field = fields.begin();
    TNameTime when;
    for (int* part : {&when.Year, &when.Month, &when.Day, &when.Hour, &when.Minute}) {
        *part = NameField(name, field->first, field->second);
        ++field;
    }
    return when;
}

TNamedPass DatedNamePass(const std::string& name) {
    TNamedPass pass;
    pass.When = FieldsAt(name, {{1, 4}, {6, 7}, {9, 10}, {12, 13}, {14, 15}});
    pass.Satellite = MetopTokenAt17(UpperCase(name), Copy(name, 17, 4) + "-" + Copy(name, 21, 2));
    return pass;
}

}  // namespace

TDateTime TNameTime::Date() const { return EncodeDate(Year, Month, Day); }
TDateTime TNameTime::DateTime() const { return Date() + EncodeTime(Hour, Minute, 0, 0); }

int NameField(const std::string& name, int first, int last) {
    const std::string field = Copy(name, first, last - first + 1);
    int value = 0;
    if (field.empty() || !TryStrToInt(field, value))
        throw EConvertError("'" + field + "' is not a valid integer value");
    return value;
}

TDateTime MidPassTime(TDateTime date, int hour, int minute, int32_t recordCount) {
    return date + EncodeTime(hour, minute, 0, 0) + 0.5 * recordCount / 518400.0;
}

bool BeginsWithYear(const std::string& name) {
    return name.size() >= 4 && std::all_of(name.begin(), name.begin() + 4, [](unsigned char c) { return std::isdigit(c); });
}

TNamedPass EssNamePass(const std::string& name, bool pvlFile) {
    if (!pvlFile) return DatedNamePass(name);
    TNamedPass pass;
    if (BeginsWithYear(name)) {
        pass.When = FieldsAt(name, {{1, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}});
        pass.Satellite = "NOAA-" + Copy(name, 37, 2);
    } else {
        pass.When = FieldsAt(name, {{6, 9}, {10, 11}, {12, 13}, {15, 16}, {17, 18}});
        pass.Satellite = "NOAA-" + Copy(name, 22, 2);
    }
    return pass;
}

TNamedPass EssMetopNamePass(const std::string& upperName) {
    TNamedPass pass;
    for (const auto& [token, satellite] : {std::pair{"METOPA", "METOP-A"}, {"METOPB", "METOP-B"}, {"METOPC", "METOP-C"}})
        if (TokenAt(token, upperName, 1)) pass.Satellite = satellite;
    pass.When = FieldsAt(upperName, {{8, 11}, {13, 14}, {16, 17}, {19, 20}, {21, 22}});
    return pass;
}

std::string SsbNameSatellite(const std::string& name) {
    std::string satellite;
    for (const int number : {10, 12, 14, 15, 16, 17, 18})
        if (name.rfind("N" + std::to_string(number), 0) == 0) satellite = "NOAA-" + std::to_string(number);
    return satellite;
}

THrpt16Layout Hrpt16Layout(const std::string& name) {
    if (name.rfind("all___", 0) == 0) return THrpt16Layout::AllPrefix;
    if (BeginsWithYear(name)) return THrpt16Layout::Dated;
    if (name.rfind("M0", 0) == 0) return THrpt16Layout::MetopM0;
    if (UpperCase(name).rfind("AH", 0) == 0) return THrpt16Layout::AhPrefix;
    return THrpt16Layout::None;
}

TNamedPass Hrpt16NamePass(const std::string& name, THrpt16Layout layout) {
    TNamedPass pass;
    switch (layout) {
        case THrpt16Layout::AllPrefix:
            pass.When = FieldsAt(name, {{7, 10}, {11, 12}, {13, 14}, {16, 17}, {18, 19}});
            pass.Satellite = Copy(name, 23, 4) + "-" + Copy(name, 27, 2);
            break;
        case THrpt16Layout::Dated: return DatedNamePass(name);
        case THrpt16Layout::MetopM0:
            pass.When = FieldsAt(name, {{5, 8}, {9, 10}, {11, 12}, {13, 14}, {15, 16}});
            for (const auto& [token, satellite] : {std::pair{"M01", "METOP-B"}, {"M02", "METOP-A"}, {"M03", "METOP-C"}})
                if (TokenAt(token, name, 1)) pass.Satellite = satellite;
            break;
        case THrpt16Layout::AhPrefix:
            pass.When = FieldsAt(name, {{5, 6}, {7, 8}, {9, 10}, {11, 12}, {13, 14}});
            pass.When.Year += 2000;
            pass.Satellite = "NOAA-" + Copy(name, 3, 2);
            break;
        case THrpt16Layout::None: break;
    }
    return pass;
}

std::string TenBitSatelliteToken(const std::string& upperName) {
    std::string name;
    for (const char c : upperName)
        if (c != ' ') name += c;
    std::string satellite;
    for (const int number : {10, 12, 14, 15, 16, 17, 18, 19})
        if (Pos("NOAA" + std::to_string(number), name) > 0) satellite = "NOAA-" + std::to_string(number);
    const std::initializer_list<std::pair<const char*, const char*>> tokens = {
        {"FENGYUN1C", "FY1C"}, {"FENGYUN1D", "FY1D"}, {"SEASTAR", "SEASTAR"}, {"FY", "FY1D"}, {"FY1C", "FY1C"},
        {"FY1D", "FY1D"},      {"FY3A", "FY3A"},      {"FY3B", "FY3B"},       {"FY3C", "FY3C"}};
    for (const auto& [token, found] : tokens)
        if (Pos(token, name) > 0) satellite = found;
    return satellite;
}

std::string TenBitOrbitSatellite(const std::string& name) {
    std::string satellite;
    for (const int number : {10, 12, 14, 15, 16, 17, 18})
        if (TokenAt("_" + std::to_string(number), name, 6)) satellite = "NOAA-" + std::to_string(number);
    return satellite;
}

size_t DateDigitsStart(const std::string& name) {
    constexpr size_t FengYunCodeLength = 4;
    const bool fengYunCode = name.size() > FengYunCodeLength && StartsText("FY", name) &&
                             std::isdigit(static_cast<unsigned char>(name[2]));
    return fengYunCode ? FengYunCodeLength : 0;
}

TNameTime TenBitNameTime(const std::string& name, bool twoDigitYear) {
    const size_t start = DateDigitsStart(name);
    // The number of a "NOAA18" token is the satellite's, no part of the date.
    const std::string upperName = UpperCase(name);
    std::string digits = twoDigitYear ? "20" : "";
    for (size_t i = start; i < name.size(); ++i) {
        if (upperName.compare(i, 4, "NOAA") == 0 && i + 6 <= name.size() &&
            std::isdigit(static_cast<unsigned char>(name[i + 4])) && std::isdigit(static_cast<unsigned char>(name[i + 5])))
            i += 6;
        if (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i]))) digits += name[i];
    }
    return FieldsAt(digits, {{1, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}});
}

}  // namespace kestrune
