// Process and system helpers: the reception-program check, idle priority
// while long work runs, free memory, byte order, the median, the degree sign
// and the program's version strings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

// The degree sign, UTF-8 encoded, for latitudes, longitudes and temperatures.
inline constexpr char DegreeSign[] = "\xC2\xB0";

// True when a running process's command line, in upper case, contains "TC-CAST-CLIENT.EXE",
// "TC-RECV.EXE" or "TQRECV.EXE"; false also when the process list cannot be read.
bool IsReceiverRunning();
// When active, moves the calling thread to idle scheduling and returns a token of its
// previous scheduling (never 0); 0 when not active or when nothing was changed.
int SetIdlePriority(bool active);
// Gives the calling thread back the scheduling of a SetIdlePriority token; nothing for 0.
// Leaving idle scheduling needs privilege (or a raised RLIMIT_NICE): without it the thread stays idle.
void RestorePriority(int old);
// The calling thread runs in the idle scheduling class.
bool RunsAtIdlePriority();
// Processors the calling thread may run on (a station may bind the run to some with taskset); at least 1.
unsigned UsableProcessors();
// Physical memory available to new work, in bytes (/proc/meminfo); 0 when unknown.
uint64_t AvailablePhysicalMemory();

// The median of values (the mean of the middle two for an even count); 0 for none. NaNs count as the largest.
double MedianOfDoubles(std::vector<double> values);

constexpr uint16_t ByteSwap16(uint16_t value) { return static_cast<uint16_t>((value >> 8) | (value << 8)); }
constexpr uint32_t ByteSwap32(uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}
// Big-endian numbers at bytes[0..1] or bytes[0..3]; the caller checks the bounds.
constexpr uint16_t ReadBigEndian16(const uint8_t* bytes) {
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}
constexpr uint32_t ReadBigEndian32(const uint8_t* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}
constexpr int32_t ReadBigEndianInt32(const uint8_t* bytes) { return static_cast<int32_t>(ReadBigEndian32(bytes)); }

// Starts program with the arguments as they are (file names keep their bytes),
// its output discarded; a thread of its own waits for it. False when it cannot start.
bool StartProgram(const std::string& program, const std::vector<std::string>& arguments);

// Offers this program for files of the comma-separated extensions (".gac, .hmf"):
// writes a desktop entry and a mime package in the user's data folder when they
// differ from what is there, and runs the desktop's update tools where present.
// Silent on failure (DesktopEntry.h).
void AddContextMenuCommand(const std::string& verb, const std::string& extensions);

// The program's version strings, compiled in by the build.
class TZrVersionInfo {
public:
    // 0 "Comments" ... 11 "SpecialBuild".
    static const char* const StandardNames[12];

    // Reads this program's strings.
    TZrVersionInfo();
    // An empty name means this program's executable; other files carry no version strings here.
    void SetFileName(const std::string& fileName);
    const std::string& FileName() const { return fileName_; }
    bool HaveInfo() const { return haveInfo_; }
    // The string of that name ("" when none or when there is no information).
    std::string GetStringFileInfo(const std::string& name) const;
    // GetStringFileInfo of StandardNames[index]; "" for an index outside 0..11.
    std::string GetStandardString(int index) const;

private:
    std::string fileName_;
    bool haveInfo_ = true;
};

}  // namespace kestrune
