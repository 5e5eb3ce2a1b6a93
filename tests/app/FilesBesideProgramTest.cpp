// The files a station run keeps beside the program (the pass log, the
// overlay nudge memory, a satellite's parameter file) and the data files it
// only reads there (the station list, the overlays, the land mask, the ash
// palette), each replaced by what no such file is: the run never waits on
// it, reads no more than such a file holds, leaves a named pipe or a device
// as it stands, sets a kept file far too large aside (a data file it only
// reads it leaves as it is), and tells which.
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

// What a case's run asks for, and the product it must give.
struct TBesideRun {
    std::vector<std::string> Items;
    const char* Product;  // after the pass's name
    const char* Setting;  // a stored switch the items need on, or nullptr
};
const TBesideRun FalseColour{{"-FC:x.jpg", "-CLOSE"}, "-fc.jpg", nullptr};
const TBesideRun Boundaries{{"-boundaries", "-FC:x.jpg", "-CLOSE"}, "-fc.jpg", nullptr};
const TBesideRun MaskedSst{{"-SST:x.bmp", "-CLOSE"}, "-st.bmp", "SstLandSeaMask"};
const TBesideRun Ash{{"-DCH4CH5:x.bmp", "-CLOSE"}, "-wv.bmp", "ShowAsh"};
const TBesideRun WarmPalette{{"-SSTwarm.pal:x.bmp", "-CLOSE"}, "-st.bmp", nullptr};
const TBesideRun GreenPalette{{"-NDVIgreen.pal:x.bmp", "-CLOSE"}, "-vg.bmp", nullptr};

struct TBesideCase {
    const char* Name;
    TStandIn StandIn;
    uintmax_t SparseBytes;  // of a sparse file of zeros
    int Status;
    std::string Told;       // in the run's report
    const TBesideRun& Asked = FalseColour;
    bool Kept = true;       // a file the program writes, which it sets aside when far too large
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
        {"stations.dat", TStandIn::Pipe, 0, 0, "stations.dat is a named pipe: it is left as it is", Boundaries, false},
        {"stations.dat", TStandIn::LinkToZero, 0, 0, "stations.dat is a device: it is left as it is", Boundaries, false},
        {"stations.dat", TStandIn::Sparse, 2048 * Megabyte, 0,
         "stations.dat holds 2147483648 bytes, far more than it ever holds (at most 1048576): it is left as it is",
         Boundaries, false},
        {"watershed.dat", TStandIn::Pipe, 0, 0, "watershed.dat is a named pipe: it is left as it is", Boundaries, false},
        {"watershed.dat", TStandIn::Sparse, 300 * Megabyte, 0,
         "watershed.dat holds 314572800 bytes, far more than it ever holds (at most 268435456): it is left as it is",
         Boundaries, false},
        {"Countries.dat", TStandIn::Pipe, 0, 0, "Countries.dat is a named pipe: it is left as it is", Boundaries, false},
        {"Countries.dat", TStandIn::LinkToZero, 0, 0, "Countries.dat is a device: it is left as it is", Boundaries, false},
        {"OdpsLandMask.dat", TStandIn::Pipe, 0, 0, "OdpsLandMask.dat is a named pipe: it is left as it is", MaskedSst, false},
        {"ash-palette.bmp", TStandIn::Pipe, 0, 0, "ash-palette.bmp is a named pipe: it is left as it is", Ash, false},
        {"ash-palette.bmp", TStandIn::Sparse, 300 * Megabyte, 0,
         "ash-palette.bmp holds 314572800 bytes, far more than it ever holds (at most 268435456): it is left as it is",
         Ash, false},
        {"warm.pal", TStandIn::Pipe, 0, 4,
         "-SSTwarm.pal:x.bmp: " + std::string(folder / "program/warm.pal") +
             " is a named pipe: it is left as it is; the view was saved without it",
         WarmPalette, false},
        {"warm.pal", TStandIn::Sparse, 2 * Megabyte, 4,
         "warm.pal holds 2097152 bytes, far more than it ever holds (at most 1048576): it is left as it is; the view "
         "was saved without it",
         WarmPalette, false},
        {"green.pal", TStandIn::Pipe, 0, 4,
         "-NDVIgreen.pal:x.bmp: " + std::string(folder / "program/green.pal") +
             " is a named pipe: it is left as it is; the view was saved without it",
         GreenPalette, false},
        {"green.pal", TStandIn::LinkToZero, 0, 4,
         "green.pal is a device: it is left as it is; the view was saved without it", GreenPalette, false},
    };
    for (const TBesideCase& besideCase : cases) {
        SCOPED_TRACE(besideCase.Told);
        const std::string path = folder / ("program/" + std::string(besideCase.Name));
        fs::remove(path);
        for (const auto& entry : fs::directory_iterator(folder / "program"))
            if (entry.path().filename().string().find(".too-large-") != std::string::npos) fs::remove(entry.path());
        const TBesideRun& asked = besideCase.Asked;
        fs::remove(Data(Base + std::string(asked.Product)));
        switch (besideCase.StandIn) {
            case TStandIn::Pipe: ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); break;
            case TStandIn::LinkToZero: fs::create_symlink("/dev/zero", path); break;
            case TStandIn::Sparse: {
                folder.Write("program/" + std::string(besideCase.Name), "");
                fs::resize_file(path, besideCase.SparseBytes);
                break;
            }
        }
        if (asked.Setting) ProgramKey().WriteInteger(asked.Setting, 1);
        fs::remove(folder / "program.log");
        // Where the boundaries are is stored once found (or not): each case finds them afresh.
        ProgramKey().DeleteValue("BoundaryPath");
        const TRunResult run = Run(asked.Items);
        if (asked.Setting) ProgramKey().WriteInteger(asked.Setting, 0);
        ASSERT_FALSE(run.Stopped);
        EXPECT_EQ(run.Status, besideCase.Status) << Log();
        EXPECT_TRUE(fs::exists(Data(Base + std::string(asked.Product))));
        EXPECT_NE(Log().find(besideCase.Told), std::string::npos) << Log();
        struct stat info {};
        ASSERT_EQ(lstat(path.c_str(), &info), 0);
        if (besideCase.StandIn == TStandIn::Pipe) {
            EXPECT_TRUE(S_ISFIFO(info.st_mode));
        } else if (besideCase.StandIn == TStandIn::LinkToZero) {
            EXPECT_TRUE(S_ISLNK(info.st_mode));
        }
        if (besideCase.StandIn != TStandIn::Sparse) continue;
        if (!besideCase.Kept) {
            // Only read: left whole where it is.
            EXPECT_TRUE(S_ISREG(info.st_mode));
            EXPECT_EQ(static_cast<uintmax_t>(info.st_size), besideCase.SparseBytes);
            continue;
        }
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
