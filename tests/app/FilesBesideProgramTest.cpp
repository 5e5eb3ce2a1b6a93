// The files a station run keeps beside the program (the pass log, the
// overlay nudge memory, a satellite's parameter file), each replaced by what
// no such file is: the run never waits on it, reads no more than such a file
// holds, leaves a named pipe or a device as it stands, sets a file far too
// large aside, and tells which.
#include "tests/app/EndToEndRun.h"

#include <sys/stat.h>
#include <unistd.h>

namespace kestrune {
namespace {

using FilesBesideProgramTest = testing::TEndToEndRun;
using testing::Base;
using testing::TRunResult;
namespace fs = std::filesystem;

enum class TStandIn { Pipe, LinkToZero, Sparse };

struct TBesideCase {
    const char* Name;
    TStandIn StandIn;
    uintmax_t SparseBytes;  // of a sparse file of zeros
    int Status;
    const char* Told;       // in the run's report
};

TEST_F(FilesBesideProgramTest, WhatStandsInPlaceOfAFileBesideTheProgramIsLeftAloneOrSetAsideAndTold) {
    constexpr uintmax_t Megabyte = uintmax_t{1} << 20;
    const std::vector<TBesideCase> cases{
        {"processed.lst", TStandIn::Pipe, 0, 0, "processed.lst is a named pipe: it is left as it is; its line went to"},
        {"processed.lst", TStandIn::LinkToZero, 0, 0, "processed.lst is a device: it is left as it is; its line went to"},
        {"processed.lst", TStandIn::Sparse, 2048 * Megabyte, 0, "processed.lst holds 2147483648 bytes"},
        {"mru_list.ini", TStandIn::Pipe, 0, 0, "mru_list.ini is a named pipe: it is left as it is"},
        {"mru_list.ini", TStandIn::LinkToZero, 0, 0, "mru_list.ini is a device: it is left as it is"},
        {"mru_list.ini", TStandIn::Sparse, 300 * Megabyte, 0, "mru_list.ini holds 314572800 bytes"},
        {"NOAA-18.ini", TStandIn::Pipe, 0, 0, "NOAA-18.ini: it is a named pipe, left as it is"},
        {"NOAA-18.ini", TStandIn::LinkToZero, 0, 0, "NOAA-18.ini: it is a device, left as it is"},
        {"NOAA-18.ini", TStandIn::Sparse, 300 * Megabyte, 0, "NOAA-18.ini holds 314572800 bytes"},
    };
    for (const TBesideCase& besideCase : cases) {
        SCOPED_TRACE(besideCase.Told);
        const std::string path = folder / ("program/" + std::string(besideCase.Name));
        fs::remove(path);
        for (const auto& entry : fs::directory_iterator(folder / "program"))
            if (entry.path().filename().string().find(".too-large-") != std::string::npos) fs::remove(entry.path());
        fs::remove(Data(Base + std::string("-fc.jpg")));
        switch (besideCase.StandIn) {
            case TStandIn::Pipe: ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); break;
            case TStandIn::LinkToZero: fs::create_symlink("/dev/zero", path); break;
            case TStandIn::Sparse: {
                folder.Write("program/" + std::string(besideCase.Name), "");
                fs::resize_file(path, besideCase.SparseBytes);
                break;
            }
        }
        const TRunResult run = Run({"-FC:x.jpg", "-CLOSE"});
        ASSERT_FALSE(run.Stopped);
        EXPECT_EQ(run.Status, besideCase.Status) << Log();
        EXPECT_TRUE(IsJpeg(Data(Base + std::string("-fc.jpg"))));
        EXPECT_NE(Log().find(besideCase.Told), std::string::npos) << Log();
        struct stat info {};
        ASSERT_EQ(lstat(path.c_str(), &info), 0);
        if (besideCase.StandIn == TStandIn::Pipe) {
            EXPECT_TRUE(S_ISFIFO(info.st_mode));
        } else if (besideCase.StandIn == TStandIn::LinkToZero) {
            EXPECT_TRUE(S_ISLNK(info.st_mode));
        }
        if (besideCase.StandIn != TStandIn::Sparse) continue;
        // Set aside whole, and begun again as the program writes it.
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_LT(info.st_size, 100000);
        EXPECT_EQ(info.st_mode & 0777, 0644u);
        int keptAside = 0;
        for (const auto& entry : fs::directory_iterator(folder / "program"))
            if (entry.path().filename().string().starts_with(std::string(besideCase.Name) + ".too-large-"))
                keptAside += fs::file_size(entry.path()) == besideCase.SparseBytes ? 1 : 0;
        EXPECT_EQ(keptAside, 1);
    }
}

}  // namespace
}  // namespace kestrune
