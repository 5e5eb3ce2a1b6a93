// The built-in calibration constants of every satellite identity, and the
// parameter files that complete them.
#include "decoding/SatelliteParameters.h"

#include "platform/FileIO.h"
#include "platform/IniFiles.h"
#include "platform/SysUtils.h"
#include "platform/ProgramFolder.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <optional>

namespace kestrune {
namespace {

using Triple = std::array<double, ThermalChannelCount>;
using Quad = std::array<double, 4>;

// PRT polynomial with the powers 0, 1, 2 given and the higher powers zero.
TPrtCoefficients Quadratic(const Quad& d0, const Quad& d1, const Quad& d2) {
    return {d0, d1, d2, Quad{}, Quad{}};
}

Quad Same(double value) { return {value, value, value, value}; }

TSstCoefficientSets DefaultSst() {
    return {{0.939813, 0.076066, 0.801458, 255.165},
            {0.933109, 0.078095, 0.738128, 253.428},
            {1.017342, 2.139588, 0.779706, 278.43},
            {1.029088, 2.275385, 0.752567, 282.24}};
}

// The night and first-guess sets shared by NOAA-17..19 and the MetOps.
TSstCoefficientSets NewerSst(const TSstCoefficients& day) {
    return {day,
            {0.938875, 0.0864265, 0.979108, 255.023},
            {0.992818, 2.49916, 0.915103, 271.206},
            {1.01015, 2.5815, 1.00054, 276.59}};
}

}  // namespace

std::array<double, ThermalChannelCount> BuiltInCentralWaveNumbers(uint8_t SatelliteId) {
    switch (SatelliteId) {
        case 1: return Triple{2671.1, 927.01, 840.686};
        case 2: return Triple{2676.46, 929.24, 844.995};
        case 3: return Triple{2659.18, 909.38, 909.38};
        case 4: return Triple{2679.775, 927.595, 841.975};
        case 5: return Triple{2638.1395, 920.78975, 837.1946};
        case 7: return Triple{2695.9743, 925.4075, 839.8979};
        case 8: return Triple{2700.1148, 917.2289, 838.1255};
        case 9: return Triple{2669.3554, 926.2947, 839.8246};
        case 10: return Triple{2659.7952, 928.146, 833.2532};
        case 11: return Triple{2670.0, 928.9, 831.9};
        case 12:
        case 14: return Triple{2687.0, 927.2, 837.7};
        case 13: return Triple{2666.9951, 932.6465, 838.857};
        default: return Triple{2644.353, 929.08035, 834.98565};
    }
}

std::array<TEffectiveCoefficients, ThermalChannelCount> BuiltInEffectiveCoefficients(uint8_t SatelliteId) {
    using E = TEffectiveCoefficients;
    switch (SatelliteId) {
        case 7: return {E{1.621256, 0.998015}, E{0.33781, 0.998719}, E{0.304558, 0.999024}};
        case 8: return {E{1.592459, 0.998147}, E{0.33238, 0.998522}, E{0.674623, 0.998363}};
        case 9: return {E{1.70238, 0.997378}, E{0.271683, 0.998794}, E{0.30918, 0.999012}};
        case 10: return {E{1.698704, 0.99696}, E{0.436645, 0.998607}, E{0.253179, 0.999057}};
        case 11: return {E{1.67396, 0.997364}, E{0.53959, 0.998913}, E{0.36064, 0.998913}};
        case 12:
        case 13:
        case 14: return {E{0.206699, 0.996577}, E{0.55126, 0.998509}, E{0.34716, 0.998947}};
        default: return {E{}, E{}, E{}};
    }
}

TPrtCoefficients BuiltInPrtCoefficients(uint8_t SatelliteId) {
    switch (SatelliteId) {
        case 1:
            return Quadratic({277.099, 276.734, 276.876, 276.16}, {0.05048, 0.05069, 0.05148, 0.05128},
                             {2.823e-6, 2.493e-6, 1.04e-6, 1.414e-6});
        case 2: return Quadratic({277.018, 276.75, 276.862, 276.546}, Same(0.05128), Same(0.0));
        case 3: return Quadratic(Same(276.659), Same(0.051275), Same(1.363e-6));
        case 7:
            return Quadratic({276.60157, 276.62531, 276.67413, 276.59258}, {0.051045, 0.050909, 0.050907, 0.050966},
                             {1.36328e-6, 1.47266e-6, 1.47656e-6, 1.47656e-6});
        case 8:
            return {Quad{276.355, 276.142, 275.996, 276.132}, Quad{0.05562, 0.05605, 0.05486, 0.05494},
                    Quad{-1.59e-5, -1.707e-5, -1.223e-5, -1.344e-5}, Quad{2.486e-8, 2.595e-8, 1.862e-8, 2.112e-8},
                    Quad{-1.199e-11, -1.224e-11, -8.53e-12, -1.001e-11}};
        case 9:
            return Quadratic({276.628, 276.538, 276.761, 276.66}, {0.05098, 0.05098, 0.05097, 0.051},
                             {1.371e-6, 1.371e-6, 1.369e-6, 1.348e-6});
        case 10:
            return Quadratic({276.601, 276.683, 276.565, 276.615}, {0.0509, 0.05101, 0.05117, 0.05103},
                             {1.657e-6, 1.482e-6, 1.313e-6, 1.484e-6});
        case 11:
            return Quadratic({276.6067, 276.6119, 276.6311, 276.6268}, {0.051111, 0.05109, 0.051033, 0.051058},
                             {1.405783e-6, 1.496037e-6, 1.49699e-6, 1.49311e-6});
        case 12:
        case 14:
            return Quadratic({276.6194, 276.6511, 276.6597, 276.3685}, {0.050919, 0.050892, 0.050845, 0.050992},
                             {1.470892e-6, 1.489e-6, 1.520646e-6, 1.48239e-6});
        case 13:
            return Quadratic({276.5853, 276.5335, 276.5721, 276.575}, {0.050933, 0.051033, 0.051097, 0.05102},
                             {1.54333e-6, 1.49751e-6, 1.42928e-6, 1.50841e-6});
        default: return Quadratic(Same(276.597), Same(0.051275), Same(1.363e-6));
    }
}

TNonLinearCorrection BuiltInNonLinearCorrection(uint8_t SatelliteId, int Channel) {
    using N = TNonLinearCorrection;
    const bool four = Channel == 4;
    if (Channel != 4 && Channel != 5) return N{};
    switch (SatelliteId) {
        case 7: return four ? N{-4.5, 4.76, -0.0932, 0.0004524} : N{-3.61, 3.83, -0.0659, 0.0002811};
        case 8: return four ? N{-2.467, 2.96, -0.05411, 0.00024532} : N{-2.009, 2.25, -0.03665, 0.00014854};
        case 9: return four ? N{-8.55, 8.22, -0.15795, 0.00075579} : N{-3.97, 4.31, -0.07318, 0.00030976};
        case 10: return four ? N{-5.53, 5.82, -0.11069, 0.00052337} : N{-2.22, 2.67, -0.0436, 0.00017715};
        case 11: return four ? N{-5.49, 5.7, -0.11187, 0.00054668} : N{-3.39, 3.58, -0.05991, 0.00024985};
        case 12:
        case 14: return four ? N{-4.98, 5.44, -0.10152, 0.00046964} : N{-3.4, 3.84, -0.06249, 0.00025239};
        case 13: return four ? N{-4.75, 4.85, -0.096771, 0.00048091} : N{-4.39, 4.36, -0.076635, 0.00033524};
        default: return N{};
    }
}

TLinearCorrection BuiltInLinearCorrection(uint8_t SatelliteId, int Channel) {
    using L = TLinearCorrection;
    if (Channel == 3) return SatelliteId == 6 ? L{1.00359, 0.0, -0.0031, 0.0069} : L{1.0, 0.0, 0.0, 0.0069};
    const bool four = Channel == 4;
    switch (SatelliteId) {
        case 1: return four ? L{0.8978, 0.0004819, 5.25, -5.16} : L{0.9368, 0.0002425, 3.93, -4.28};
        case 2: return four ? L{0.8864, 0.0006033, 5.24, -5.53} : L{0.9531, 0.0002198, 2.42, -3.06};
        case 3: return L{0.8843, 0.0005882, 5.76, -7.29};
        case 4: return four ? L{0.8412, 0.0008739, 7.21, -8.05} : L{0.946, 0.0002504, 2.92, -3.51};
        case 5: return four ? L{0.8893, 0.0005968, 5.11, -5.51} : L{0.963, 0.0001775, 1.91, -2.51};
        default: return four ? L{0.92378, 0.0003822, 3.72, -4.05} : L{0.96194, 0.0001742, 2.0, -2.29};
    }
}

TSstCoefficientSets BuiltInSstCoefficients(uint8_t SatelliteId) {
    switch (SatelliteId) {
        case 5:
            return {{0.876992, 0.083132, 0.349877, 236.667},
                    {0.888706, 0.081646, 0.576136, 240.229},
                    {0.963563, 2.579211, 0.242598, 263.006},
                    {0.967077, 2.384376, 0.480788, 263.94}};
        case 7:
            return {{0.913116, 0.0905762, 0.47694, 246.887},
                    {0.92256, 0.0936114, 0.548055, 249.819},
                    {0.964243, 2.71296, 0.387491, 262.443},
                    {0.976789, 2.77072, 0.435832, 266.29}};
        case 8:
            return {{0.914471, 0.0776118, 0.668532, 248.116},
                    {0.898887, 0.0839331, 0.755283, 244.006},
                    {0.999314, 2.30195, 0.628976, 273.768},
                    {0.995103, 2.53657, 0.753281, 273.146}};
        case 9:
        case 12:
        case 13:
        case 14: return NewerSst({0.936047, 0.083867, 0.920848, 253.951});
        case 10:
        case 11: return NewerSst({0.934004, 0.0724457, 0.748044, 253.308});
        default: return DefaultSst();
    }
}

}  // namespace kestrune

namespace kestrune {
namespace {

using V = TVisibleCalibration;
using T = TThermalFileValue;

TSatelliteFileValues FileValues(const std::array<T, 3>& thermal, const std::array<V, 3>& visible) {
    return {thermal, visible};
}

struct TFloatKey {
    const char* name;
    float TVisibleCalibration::*field;
};
constexpr const char* IntersectionKey = "Intersection";
constexpr std::array<TFloatKey, 6> VisibleFloatKeys{{{"Slope1", &V::Slope1},
                                                     {"Intercept1", &V::Intercept1},
                                                     {"Slope2", &V::Slope2},
                                                     {"Intercept2", &V::Intercept2},
                                                     {"EffectiveWidth", &V::EffectiveWidth},
                                                     {"SolarIrradiance", &V::SolarIrradiance}}};

struct TThermalKey {
    const char* name;
    float TThermalFileValue::*field;
};
constexpr std::array<TThermalKey, 3> ThermalKeys{{{"Vc", &T::Vc}, {"A", &T::A}, {"B", &T::B}}};

std::string ChannelSection(int channel) { return "Chan-" + std::to_string(channel); }

// A real that is not a number, or that single precision cannot hold, keeps
// the default. A decimal comma, as a comma-locale machine writes it, reads as
// a point.
float ReadSingle(const TIniFile& file, const std::string& section, const char* key, float fallback) {
    std::string text = file.ReadString(section, key, "");
    std::replace(text.begin(), text.end(), ',', '.');
    const double value = StrToFloatDef(text, fallback);
    return std::fabs(value) <= std::numeric_limits<float>::max() ? static_cast<float>(value) : fallback;
}

TSatelliteFileValues ReadSatelliteIni(const TIniFile& file, const TSatelliteFileValues& defaults) {
    TSatelliteFileValues values = defaults;
    for (int c = 0; c < ThermalChannelCount; ++c) {
        const std::string section = ChannelSection(FirstThermalChannel + c);
        for (const TThermalKey& key : ThermalKeys)
            values.Thermal[c].*key.field = ReadSingle(file, section, key.name, defaults.Thermal[c].*key.field);
    }
    for (int c = 0; c < VisibleChannelCount; ++c) {
        const std::string section = ChannelSection(c + 1);
        values.Visible[c].Intersection = file.ReadInteger(section, IntersectionKey, defaults.Visible[c].Intersection);
        for (const TFloatKey& key : VisibleFloatKeys)
            values.Visible[c].*key.field = ReadSingle(file, section, key.name, defaults.Visible[c].*key.field);
    }
    return values;
}

// Every key, thermal sections first, so that a new file lists [Chan-3] to
// [Chan-5] and then [Chan-1] and [Chan-2]. Unchanged values are not rewritten.
void WriteSatelliteIni(TIniFile& file, const TSatelliteFileValues& values) {
    for (int c = 0; c < ThermalChannelCount; ++c) {
        const std::string section = ChannelSection(FirstThermalChannel + c);
        for (const TThermalKey& key : ThermalKeys) file.WriteFloat(section, key.name, values.Thermal[c].*key.field);
    }
    for (int c = 0; c < VisibleChannelCount; ++c) {
        const std::string section = ChannelSection(c + 1);
        file.WriteInteger(section, IntersectionKey, values.Visible[c].Intersection);
        for (const TFloatKey& key : VisibleFloatKeys) file.WriteFloat(section, key.name, values.Visible[c].*key.field);
    }
}

// Notes joined as one.
void AddNote(std::string& notes, const std::string& note) {
    if (!note.empty()) notes += (notes.empty() ? "" : "; ") + note;
}

// A copy in the user's folder, beside the program folder's file that is read, is told:
// its values are not used, whatever they are.
std::string UnreadCopyNote(const std::string& read, const std::string& name) {
    const std::string copy = UserDataHome() + "Kestrune/" + name;
    if (copy == read || !AnythingAt(copy)) return {};
    return "The parameters were read from " + read + "; the copy " + copy + " is not read (remove it, or edit " + read + ")";
}

}  // namespace

std::string SatelliteParameterFileName(uint8_t SatelliteId) {
    static const std::array<const char*, 8> names{"NOAA-15.ini", "NOAA-16.ini", "NOAA-17.ini", "NOAA-18.ini",
                                                  "NOAA-19.ini", "METOP-A.ini", "METOP-B.ini", "METOP-C.ini"};
    return SatelliteId >= 7 && SatelliteId <= 14 ? names[SatelliteId - 7] : "";
}

TSatelliteFileValues DefaultSatelliteFileValues(uint8_t SatelliteId) {
    switch (SatelliteId) {
        case 7:
            return FileValues({T{2695.9743f, 1.621256f, 0.998015f}, T{925.4075f, 0.33781f, 0.998719f},
                               T{839.8979f, 0.304558f, 0.999024f}},
                              {V{496, 0.0568f, -2.187f, 0.1633f, -54.993f, 0.084f, 138.7f},
                               V{511, 0.0596f, -2.41f, 0.1629f, -55.244f, 0.228f, 235.4f},
                               V{499, 0.0265f, -1.153f, 0.186f, -81.25198f, 0.044f, 10.6f}});
        case 8:
            return FileValues({T{2700.1148f, 1.592459f, 0.998147f}, T{917.2289f, 0.33238f, 0.998522f},
                               T{838.1255f, 0.674623f, 0.998363f}},
                              {V{498, 0.0523f, -2.016f, 0.1528f, -51.91f, 0.081f, 138.2f},
                               V{500, 0.0513f, -1.943f, 0.151f, -51.77f, 0.235f, 243.1f},
                               V{499, 0.0287f, -2.043f, 0.1806f, -78.03f, 0.045f, 10.96f}});
        case 9:
            return FileValues({T{2669.1148f, 1.70238f, 0.997378f}, T{926.2947f, 0.271683f, 0.998794f},
                               T{839.8246f, 0.30918f, 0.999012f}},
                              {V{498, 0.0555f, -2.2193f, 0.1627f, -55.96349f, 0.083f, 136.212f},
                               V{500, 0.0543f, -2.1227f, 0.1621f, -55.216f, 0.2332f, 240.558f},
                               V{499, 0.0265f, -1.153f, 0.186f, -81.25198f, 0.0514f, 12.449f}});
        case 10:
            return FileValues({T{2659.7952f, 1.698704f, 0.99696f}, T{928.146f, 0.436645f, 0.998607f},
                               T{833.2532f, 0.253179f, 0.999057f}},
                              {V{501, 0.054f, -2.13f, 0.161f, -55.37f, 0.0793f, 130.3f},
                               V{500, 0.0529f, -2.084f, 0.15873f, -55.31f, 0.2465f, 246.0f},
                               V{500, 0.02618f, -0.982f, 0.18492f, -80.88f, 0.0552f, 13.53f}});
        case 11:
            return FileValues({T{2670.0f, 1.67396f, 0.997364f}, T{928.9f, 0.53959f, 0.998913f},
                               T{831.9f, 0.36064f, 0.998913f}},
                              {V{496, 0.055091f, -2.1415f, 0.16253f, -55.863f, 0.07758f, 126.773f},
                               V{500, 0.054892f, -2.1288f, 0.16352f, -56.445f, 0.217591f, 225.698f},
                               V{496, 0.027174f, -1.0881f, 0.18798f, -81.491f, 0.4361f, 10.656f}});
        case 12:
        case 14:
            return FileValues({T{2687.0f, 2.06699f, 0.996577f}, T{927.2f, 0.55126f, 0.998509f},
                               T{837.7f, 0.34716f, 0.998947f}},
                              {V{501, 0.053713935f, -2.1718608f, 0.15872294f, -54.782425f, 0.084877f, 139.873215f},
                               V{500, 0.054517369f, -2.1669984f, 0.16191919f, -55.913019f, 0.229421f, 232.919556f},
                               V{502, 0.026446364f, -1.0867538f, 0.18368599f, -80.011613f, 0.056998f, 14.01647f}});
        case 13:
            return FileValues({T{2666.9951f, 1.75835f, 0.99702f}, T{932.6465f, 0.5035f, 0.99864f},
                               T{838.857f, 0.38084f, 0.99886f}},
                              {V{501, 0.053572113f, -2.1099778f, 0.15871941f, -54.751018f, 0.086698f, 140.31466f},
                               V{503, 0.051817433f, -2.0923391f, 0.15264062f, -52.80646f, 0.242643f, 245.00387f},
                               V{501, 0.023518528f, -0.9879577f, 0.16376181f, -71.229881f, 0.052664f, 13.084568f}});
        default: return {};
    }
}

TSatelliteFileResult LoadSatelliteParameterFile(uint8_t SatelliteId) {
    TSatelliteFileResult result{DefaultSatelliteFileValues(SatelliteId), ""};
    const std::string name = SatelliteParameterFileName(SatelliteId);
    if (name.empty()) return result;
    // The program folder's file is the one every user reads, so that an edit of it takes
    // effect for all: one this user may not write is read as it stands. Only where it
    // cannot be read is the user's own copy read and completed, and its making told.
    const std::string beside = ProgramFolder() + name;
    const std::string writePath = WritableProgramFile(name);
    std::string notes;
    if (writePath != beside) {
        const TIniFile shared(beside);
        if (AnythingAt(beside) && shared.Note().empty()) {
            result.Values = ReadSatelliteIni(shared, result.Values);
            result.WriteError = UnreadCopyNote(beside, name);
            return result;
        }
        AddNote(notes, shared.Note());
    }
    const bool newCopy = writePath != beside && !AnythingAt(writePath);
    // Runs completing the file at once read and write it one after another;
    // a lock that cannot be opened leaves the file as it is.
    std::optional<TFileWriteLock> lock;
    try {
        lock.emplace(writePath);
    } catch (const std::exception& error) {
        AddNote(notes, error.what());
    }
    TIniFile file(writePath);
    result.Values = ReadSatelliteIni(file, result.Values);
    AddNote(notes, file.Note());  // a file not read (far too large), with what became of it
    try {
        if (lock) WriteSatelliteIni(file, result.Values);
        if (lock && newCopy)
            AddNote(notes, beside + " cannot be written here: the parameters were written to " + writePath + ", which this user's runs read");
    } catch (const std::exception& error) {
        AddNote(notes, error.what());
    }
    if (writePath == beside) AddNote(notes, UnreadCopyNote(beside, name));
    result.WriteError = notes;
    return result;
}

}  // namespace kestrune
