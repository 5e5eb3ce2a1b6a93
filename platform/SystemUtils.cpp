#include "platform/SystemUtils.h"

#include "platform/ProgramFolder.h"
#include "platform/SysUtils.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <thread>

extern char** environ;

namespace kestrune {

namespace {

const char* const ReceiverPrograms[] = {"TC-CAST-CLIENT.EXE", "TC-RECV.EXE", "TQRECV.EXE"};

bool IsProcessId(const char* name) {
    return *name && std::all_of(name, name + std::char_traits<char>::length(name),
                                [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// The whole command line; its arguments are separated by NUL bytes, which are kept.
// A process may end while it is read (the read then fails with ESRCH): what
// was read by then is its command line. Plain reads, as a stream buffer
// raises on such a failure.
std::string CommandLineOf(const std::string& processId) {
    const int file = ::open(("/proc/" + processId + "/cmdline").c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return {};
    std::string commandLine;
    char buffer[4096];
    for (ssize_t got; (got = ::read(file, buffer, sizeof buffer)) > 0;) commandLine.append(buffer, static_cast<size_t>(got));
    ::close(file);
    return commandLine;
}

bool NamesAReceiver(const std::string& commandLine) {
    const std::string upper = UpperCase(commandLine);
    return std::any_of(std::begin(ReceiverPrograms), std::end(ReceiverPrograms),
                       [&](const char* program) { return upper.find(program) != std::string::npos; });
}

// The calling thread's scheduling packed into a non-zero int: nice + 20 in bits 0..5,
// the policy in bits 6..8, the real-time priority in bits 9..15, bit 16 set.
int CurrentSchedulingToken() {
    const int policy = sched_getscheduler(0);
    sched_param parameters{};
    if (policy < 0 || sched_getparam(0, &parameters) != 0) return 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    return (1 << 16) | ((parameters.sched_priority & 0x7F) << 9) | ((policy & 0x7) << 6) | ((nice + 20) & 0x3F);
}

}  // namespace

bool IsReceiverRunning() {
    const std::unique_ptr<DIR, int (*)(DIR*)> processes(opendir("/proc"), closedir);
    if (!processes) return false;
    while (const dirent* entry = readdir(processes.get()))
        if (IsProcessId(entry->d_name) && NamesAReceiver(CommandLineOf(entry->d_name))) return true;
    return false;
}

int SetIdlePriority(bool active) {
    if (!active) return 0;
    const int token = CurrentSchedulingToken();
    const sched_param parameters{};
    if (token == 0 || sched_setscheduler(0, SCHED_IDLE, &parameters) != 0) return 0;
    return token;
}

void RestorePriority(int old) {
    if (old == 0) return;
    sched_param parameters{};
    parameters.sched_priority = (old >> 9) & 0x7F;
    sched_setscheduler(0, (old >> 6) & 0x7, &parameters);
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), (old & 0x3F) - 20);
}

bool RunsAtIdlePriority() { return sched_getscheduler(0) == SCHED_IDLE; }

unsigned UsableProcessors() {
    cpu_set_t usable;
    CPU_ZERO(&usable);
    if (sched_getaffinity(0, sizeof usable, &usable) == 0) return static_cast<unsigned>(std::max(CPU_COUNT(&usable), 1));
    return std::max(std::thread::hardware_concurrency(), 1U);
}

uint64_t AvailablePhysicalMemory() {
    std::ifstream meminfo("/proc/meminfo");
    uint64_t available = 0, free = 0;
    for (std::string line; std::getline(meminfo, line);) {
        std::istringstream fields(line);
        std::string name;
        uint64_t kilobytes = 0;
        if (!(fields >> name >> kilobytes)) continue;
        if (name == "MemAvailable:") available = kilobytes * 1024;
        if (name == "MemFree:") free = kilobytes * 1024;
    }
    return available != 0 ? available : free;
}

double MedianOfDoubles(std::vector<double> values) {
    if (values.empty()) return 0.0;
    // NaNs order after every number: the selection needs a strict order to stay inside the values.
    const auto less = [](double a, double b) { return std::isnan(b) ? !std::isnan(a) : a < b; };
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end(), less);
    if (values.size() % 2 == 1) return *middle;
    return (*std::max_element(values.begin(), middle, less) + *middle) / 2.0;
}

const char* const TZrVersionInfo::StandardNames[12] = {
    "Comments",         "CompanyName",  "FileDescription", "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFileName", "PrivateBuild", "ProductName", "ProductVersion", "SpecialBuild"};

TZrVersionInfo::TZrVersionInfo() { SetFileName(""); }

void TZrVersionInfo::SetFileName(const std::string& fileName) {
    const std::string executable = ExecutablePath();
    fileName_ = fileName.empty() ? executable : fileName;
    haveInfo_ = fileName_ == executable;
}

std::string TZrVersionInfo::GetStringFileInfo(const std::string& name) const {
    static const std::pair<const char*, const char*> strings[] = {
        {"Comments", KESTRUNE_COMMENTS},
        {"CompanyName", KESTRUNE_COMPANY},
        {"FileDescription", KESTRUNE_COMPANY "'s " KESTRUNE_PRODUCT},
        {"FileVersion", KESTRUNE_VERSION},
        {"InternalName", "kestrune"},
        {"LegalCopyright", KESTRUNE_COPYRIGHT},
        {"LegalTrademarks", KESTRUNE_TRADEMARKS},
        {"OriginalFileName", "kestrune"},
        {"ProductName", KESTRUNE_PRODUCT},
        {"ProductVersion", KESTRUNE_VERSION},
        {"Web site", KESTRUNE_WEB_SITE},
    };
    if (!haveInfo_) return {};
    const auto at = std::find_if(std::begin(strings), std::end(strings),
                                 [&](const auto& entry) { return SameText(entry.first, name); });
    return at == std::end(strings) ? std::string() : std::string(at->second);
}

std::string TZrVersionInfo::GetStandardString(int index) const {
    return index >= 0 && index < 12 ? GetStringFileInfo(StandardNames[index]) : std::string();
}

bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    const int failed = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return false;
    std::thread([child] {
        int status = 0;
        waitpid(child, &status, 0);
    }).detach();
    return true;
}

}  // namespace kestrune
