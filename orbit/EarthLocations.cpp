#include "orbit/EarthLocations.h"

#include <algorithm>
#include <cstring>

namespace kestrune {

namespace {

uint16_t BigEndianWord(const uint8_t* field) {
    return static_cast<uint16_t>((field[0] << 8) | field[1]);
}

uint32_t BigEndianLong(const uint8_t* field) {
    return (static_cast<uint32_t>(field[0]) << 24) | (static_cast<uint32_t>(field[1]) << 16) |
           (static_cast<uint32_t>(field[2]) << 8) | static_cast<uint32_t>(field[3]);
}

void CopyBounded(void* destination, size_t capacity, const void* source, size_t count) {
    if (source != nullptr) std::memcpy(destination, source, std::min(count, capacity));
}

}  // namespace

void TEarthLocations::ResetPassState() {
    LocationFlags = 0;
    MapFitted = false;
    GacDiscontinuity = false;
    LocationsValid = false;
    Attitude = {0, 0, 0};
    Altitude = DefaultAltitude;
    FirstLineCorners = {};
    LastLineCorners = {};
    StartTime = 0;
    EndTime = 0;
    Residuals.reset();
}

void TEarthLocations::SetLineCount(int count) {
    const auto lines = static_cast<size_t>(std::max(count, 0));
    locations_.assign(lines, TScanLineLocations{});
    angles_.assign(lines, TScanLineAngles{});
    lineTimes_.assign(lines, 0.0);
    ResetPassState();
}

TScanLineLocations* TEarthLocations::LineLocations(int line) {
    return ValidLine(line) ? &locations_[static_cast<size_t>(line)] : nullptr;
}

const TScanLineLocations* TEarthLocations::LineLocations(int line) const {
    return ValidLine(line) ? &locations_[static_cast<size_t>(line)] : nullptr;
}

TScanLineAngles* TEarthLocations::LineAngles(int line) {
    return ValidLine(line) ? &angles_[static_cast<size_t>(line)] : nullptr;
}

const TScanLineAngles* TEarthLocations::LineAngles(int line) const {
    return ValidLine(line) ? &angles_[static_cast<size_t>(line)] : nullptr;
}

TDateTime TEarthLocations::LineTimes(int line) const {
    return ValidLine(line) ? lineTimes_[static_cast<size_t>(line)] : 0.0;
}

void TEarthLocations::SetLineTime(int line, TDateTime time) {
    if (ValidLine(line)) lineTimes_[static_cast<size_t>(line)] = time;
}

void TEarthLocations::StoreTimeCode(int line, const void* code, size_t count) {
    StoreRawLocations(line, code, count);
}

void TEarthLocations::StoreRawLocations(int line, const void* field, size_t count) {
    if (TScanLineLocations* record = LineLocations(line))
        CopyBounded(record->Bytes(), sizeof(TScanLineLocations), field, count);
}

void TEarthLocations::StoreRawAngles(int line, const void* field, size_t count) {
    if (TScanLineAngles* record = LineAngles(line))
        CopyBounded(record->RawAngles.data(), record->RawAngles.size(), field, count);
}

void TEarthLocations::SetAltitude(const uint8_t* field) {
    const float kilometres = static_cast<float>(BigEndianWord(field)) / 10.0f;
    Altitude = kilometres < 500.0f ? DefaultAltitude : kilometres;
}

void TEarthLocations::SetAttitude(const uint8_t* a, const uint8_t* b, const uint8_t* c) {
    const uint8_t* fields[3] = {a, b, c};
    for (size_t i = 0; i < 3; ++i)
        Attitude[i] = static_cast<float>(static_cast<int16_t>(BigEndianWord(fields[i]))) / 1000.0f;
}

float TEarthLocations::DecodeShortLocation(const uint8_t* field) {
    return static_cast<float>(static_cast<int16_t>(BigEndianWord(field))) / 128.0f;
}

float TEarthLocations::DecodeLongLocation(const uint8_t* field) {
    return static_cast<float>(static_cast<double>(static_cast<int32_t>(BigEndianLong(field))) / 10000.0);
}

float TEarthLocations::DecodeAngle(const uint8_t* field) {
    return static_cast<float>(static_cast<int16_t>(BigEndianWord(field))) / 100.0f;
}

}  // namespace kestrune
