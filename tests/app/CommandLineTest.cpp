#include "app/CommandLine.h"

#include "platform/DialogService.h"
#include "platform/SysUtils.h"
#include "tests/platform/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include <optional>
#include <stdexcept>
#include <tuple>

namespace kestrune {
namespace {

using ::testing::ElementsAre;

// Records what the run asks of the window, one line per call.
class TRecordingTarget : public TOutputTarget {
public:
    std::string LoadedFileName() const override { return Loaded; }
    uint8_t InputFormatCode() const override { return FormatCode; }
    std::string ResultsFolder() const override { return Folder; }
    void SetResultsFolder(const std::string& folder) override { Folder = folder; }
    TOverlaySwitches OverlaySwitches() const override { return Overlays; }
    void SetOverlaySwitches(const TOverlaySwitches& switches) override {
        Overlays = switches;
        OverlaysDuringRun.push_back(switches);
    }
    std::vector<std::string> ViewTabs() const override { return Tabs; }
    void SelectViewTab(size_t index) override { Calls.push_back("select " + Tabs.at(index)); }
    void Redisplay() override { Calls.push_back("redisplay"); }
    bool SetNdviPalette(const std::string& fileName) override { return Palette("ndvi palette " + fileName, fileName); }
    bool SetSstPalette(const std::string& fileName) override { return Palette("sst palette " + fileName, fileName); }
    // A palette file is one whose name does not begin "not".
    bool Palette(const std::string& call, const std::string& fileName) {
        const bool palette = !ExtractFileName(fileName).starts_with("not");
        if (palette) Calls.push_back(call);
        return palette;
    }
    void ClearNdviPalette() override { Calls.push_back("ndvi palette cleared"); }
    void ClearSstPalette() override { Calls.push_back("sst palette cleared"); }
    // Stored as given, or as StoredRange says.
    std::pair<int, int> SetUserSstRange(int low, int high) override {
        Calls.push_back("sst range " + std::to_string(low) + " " + std::to_string(high));
        return StoredRange.value_or(std::make_pair(low, high));
    }
    std::optional<std::pair<int, int>> StoredRange;
    void SetRgbChannels(int red, int green, int blue) override {
        Calls.push_back("rgb " + std::to_string(red) + std::to_string(green) + std::to_string(blue));
    }
    bool HasChannel(int channel) const override { return channel <= ChannelCount; }
    void SetColourVegetation(bool checked) override { Calls.push_back(checked ? "colour on" : "colour off"); }
    TProductWrite ImageWrite(const std::string& baseName, TSaveMode mode, bool jpeg) override {
        if (FailSaves) throw std::runtime_error("disk full");
        Calls.push_back("image " + Folder + baseName + " mode " + std::to_string(mode) + (jpeg ? " jpeg" : " bmp"));
        // As the saver does, the image lies in the results folder.
        if (!FailDataSaves && DirectoryExists(Folder)) std::ofstream(Folder + baseName + (jpeg ? ".jpg" : ".bmp"));
        return WriteDone(!FailDataSaves);
    }
    TProductWrite RawChannelsWrite() override { return WriteDone(Saved("raw")); }
    TProductWrite AlbedoFilesWrite() override { return WriteDone(Saved("albedos")); }
    bool SaveDiagnostics() override { return Saved("diagnostics"); }
    bool SaveFireText(const std::string& baseName) override { return Saved("fire text " + baseName); }
    TProductWrite TemperatureDataWrite(int channel, const std::string& suffix) override {
        return WriteDone(Saved("temperatures " + std::to_string(channel) + suffix));
    }
    TProductWrite SstDataWrite(const std::string& suffix) override { return WriteDone(Saved("sst data" + suffix)); }
    int ProductsSavedElsewhere() const override { return SavedElsewhere; }
    bool Saved(const std::string& call) {
        Calls.push_back(call);
        return !FailDataSaves;
    }
    bool FailDataSaves = false;
    int SavedElsewhere = 0;

    std::string Loaded = "pass";
    uint8_t FormatCode = 39;
    int ChannelCount = 5;
    std::string Folder;
    TOverlaySwitches Overlays;
    std::vector<TOverlaySwitches> OverlaysDuringRun;
    std::vector<std::string> Tabs{"All",   "Ch 1", "Ch 2",        "Ch 3",        "Ch 4",       "Ch 5",
                                  "False colour", "RGB", "User", "Temperature", "SST", "Vegetation",
                                  "Ch.4 - Ch.5"};
    std::vector<std::string> Calls;
    bool FailSaves = false;
};

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
    }

    // Runs the parameters after a data file named "pass.wsd".
    bool Run(std::vector<std::string> items, const std::string& outputName = "pass") {
        items.insert(items.begin(), "pass.wsd");
        TCommandLineRun run(items, target, folder / "program/");
        return run.Run(outputName);
    }

    testing::TTempFolder folder;
    TRecordingTarget target;
};

TEST(ViewParameterTest, SstRangesInTheirTwoForms) {
    using TRange = std::pair<int, int>;
    EXPECT_EQ(ParseSeparatedRange("10+25"), TRange(10, 25));
    EXPECT_EQ(ParseSeparatedRange("-2+30"), TRange(-2, 30));
    EXPECT_EQ(ParseSeparatedRange("10-25"), TRange(10, -25));
    EXPECT_FALSE(ParseSeparatedRange("5"));
    EXPECT_FALSE(ParseSeparatedRange(""));
    EXPECT_FALSE(ParseSeparatedRange("(0,27)"));
    EXPECT_FALSE(ParseSeparatedRange("A+B"));
    EXPECT_EQ(ParseBracketedRange("(0,27)"), TRange(0, 27));
    EXPECT_EQ(ParseBracketedRange("SST.PAL(-2,31)"), TRange(-2, 31));
    EXPECT_FALSE(ParseBracketedRange("(A,27)"));
    EXPECT_FALSE(ParseBracketedRange("(27)"));
    EXPECT_FALSE(ParseBracketedRange("10+25"));
}

TEST_F(CommandLineTest, ItemRendersItsViewAndSavesUnderTheOutputName) {
    EXPECT_FALSE(Run({"-FC:X.JPG", "-ch4:anything.bmp", "-TEMP:"}));
    EXPECT_THAT(target.Calls, ElementsAre("select False colour", "image pass mode 0 jpeg", "select Ch 4",
                                          "image pass mode 0 bmp", "select Temperature"));
}

TEST_F(CommandLineTest, FileKindFromTheOutputSpecification) {
    Run({"-FC:corr.jpg", "-FC:APT.BMP", "-FC:aptcorr.jpg", "-FC:folder/CORR", "-FC:x.jpeg"});
    EXPECT_THAT(target.Calls,
                ElementsAre("select False colour", "image pass mode 1 jpeg", "select False colour",
                            "image pass mode 2 bmp", "select False colour", "image pass mode 2 jpeg",
                            "select False colour", "image pass mode 1 bmp", "select False colour",
                            "image pass mode 0 bmp"));
}

// Every GAC layout, older ones included, saves the displayed or GAC image, never an APT one.
TEST_F(CommandLineTest, GacFormatsSaveByTheirOwnRules) {
    for (const int code : {9, 10, 11}) {
        target.Calls.clear();
        target.FormatCode = static_cast<uint8_t>(code);
        Run({"-FC:x.bmp", "-FC:CORR.bmp", "-FC:APT.bmp"});
        EXPECT_THAT(target.Calls, ElementsAre("select False colour", "image pass mode 0 bmp", "select False colour",
                                              "image pass mode 3 bmp", "select False colour"));
    }
}

TEST_F(CommandLineTest, DiagnosticsAndFireTextOnlyWhenWrittenExactly) {
    const std::string out = folder / "out/";
    Run({"-DIAGNOSTICS:", "-FIRETEXT:", "-OUTPUT:" + out + "x", "-FIRETEXT:", "-DIAGNOSTICS:D.BMP"});
    EXPECT_THAT(target.Calls, ElementsAre("diagnostics", "fire text pass", "fire text x", "select All",
                                          "image " + out + "x mode 0 bmp"));
}

TEST_F(CommandLineTest, RgbChannelsTakeEffectInTheSavedImage) {
    Run({"-RGBR4G2B1:X.JPG", "-RGBR1G2B11:Y.JPG", "-RGBR1:Z.JPG"});
    EXPECT_THAT(target.Calls,
                ElementsAre("select RGB", "rgb 421", "redisplay", "image pass mode 0 jpeg", "select RGB",
                            "image pass mode 0 jpeg", "select RGB", "image pass mode 0 jpeg"));
}

TEST_F(CommandLineTest, FailingItemIsReportedAndTheRunGoesOn) {
    target.Folder = "/kept/";
    target.FailSaves = true;
    EXPECT_TRUE(Run({"-OUTPUT:" + (folder / "elsewhere/"), "-FC:X.JPG", "-DIAGNOSTICS:", "-CLOSE"}));
    EXPECT_THAT(target.Calls, ElementsAre("select False colour", "diagnostics"));
    EXPECT_EQ(target.Folder, "/kept/");
    ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
    EXPECT_EQ(TDialogService::Instance().Requests()[0].text, "-FC:X.JPG: disk full");
}

// Each product not written where asked and each parameter that matches
// nothing is told on a line of its own and sets the exit status; a missing
// output folder is made.
TEST_F(CommandLineTest, MissingProductsAndUnknownParametersAreToldAndCounted) {
    const auto run = [&](std::vector<std::string> items) {
        items.insert(items.begin(), "pass.wsd");
        TDialogService::Instance().ClearScript();
        TCommandLineRun commandLine(items, target, folder / "program/");
        commandLine.Run("pass");
        return std::make_tuple(commandLine.MissingProducts(), commandLine.UnknownParameters(), commandLine.ExitCode(),
                               TDialogService::Instance().Requests().size());
    };
    const std::string out = folder / "new/sub/";
    EXPECT_EQ(run({"-direction:north", "-nogridlines", "-debug", "-OUTPUT:" + out, "-FC:X.JPG", "-CLOSE", "-min"}),
              std::make_tuple(0, 0, 0, 0u));
    EXPECT_TRUE(DirectoryExists(out));
    EXPECT_EQ(run({"-FC", "x.jpg", "-FOO:x.jpg", "-RAW:", "-FC:X.JPG"}), std::make_tuple(0, 4, 4, 4u));
    target.FailDataSaves = true;
    EXPECT_EQ(run({"-CH6:x.bmp", "-FC:X.JPG", "-GROUPA:", "-FOO:"}), std::make_tuple(6, 1, 3, 7u));
    EXPECT_EQ(TDialogService::Instance().Requests()[0].text,
              "-CH6:x.bmp: the view \"Ch 6\" (not offered for this pass) was not written");
}

// An item is its keyword's alone: "-CH10:" is channel 10's item, and a
// channel no satellite has, an item without a file name, or "-RAW:" and
// "-ALBEDOS:" given on their own (they come with the groups) name nothing
// to write: each is told on a line of its own and the run ends with 4.
TEST_F(CommandLineTest, ItemsThatNameNothingToWriteAreToldAndEndWithFour) {
    target.Tabs.push_back("Ch 10");
    TCommandLineRun run({"pass.wsd", "-CH10:x.bmp", "-CH99:x.bmp", "-CH0:x.bmp", "-FC:", "-SST12+20:", "-RAW:",
                         "-ALBEDOS:", "-CH1:"},
                        target, folder / "program/");
    run.Run("pass");
    EXPECT_THAT(target.Calls, ElementsAre("select Ch 10", "image pass mode 0 bmp", "select False colour", "select SST",
                                          "sst range 12 20", "redisplay", "select Ch 1"));
    EXPECT_EQ(run.UnknownParameters(), 7);
    EXPECT_EQ(run.ExitCode(), 4);
    std::vector<std::string> told;
    for (const TDialogRequest& request : TDialogService::Instance().Requests()) told.push_back(request.text);
    EXPECT_THAT(told, ElementsAre("-CH99:x.bmp: no satellite has a channel 99; the item was ignored",
                                  "-CH0:x.bmp: no satellite has a channel 0; the item was ignored",
                                  "-FC: names no file after the colon, so nothing was written",
                                  "-SST12+20: names no file after the colon, so nothing was written",
                                  "-RAW: matches no switch or item and was ignored",
                                  "-ALBEDOS: matches no switch or item and was ignored",
                                  "-CH1: names no file after the colon, so nothing was written"));
}

// An item done otherwise than written is told, the rest of it done, and the
// run ends with 4: a name after "-DIAGNOSTICS:" or "-FIRETEXT:" makes an
// image of the view "All"; an empty "-OUTPUT:" leaves the products in the
// pass's folder; RGB channels that are not 1..10 or not in the pass leave the
// view as it was; a palette that is missing or not a palette leaves it
// without one, drawn again; an SST range beyond the up-downs' limits is
// saved as brought within them. An APT
// image of a GAC pass is not written at all: 3.
TEST_F(CommandLineTest, ItemsDoneOtherwiseThanWrittenAreToldAndEndWithFour) {
    const std::string program = folder / "program/";
    folder.Write("program/sst.pal", "");
    folder.Write("program/not-a.pal", "");
    const std::vector<std::string> items{"-DIAGNOSTICS:diag.txt", "-FIRETEXT:fires.txt", "-OUTPUT:", "-RGBR12G2B1:x.jpg",
                                         "-RGBR9G9B9:x.jpg",      "-RGBR3G2B1:x.jpg",   "-SSTnothere.pal:x.bmp",
                                         "-SSTnot-a.pal:x.bmp",   "-SSTsst.pal:x.bmp",  "-NDVInothere.pal:x.bmp",
                                         "-NDVInot-a.pal:x.bmp",  "-SST10-25:x.bmp"};
    TParams params{"pass.wsd"};
    params.insert(params.end(), items.begin(), items.end());
    TCommandLineRun whole(params, target, program);
    target.Folder = "/kept/";
    whole.Run("pass");
    EXPECT_THAT(target.Calls,
                ElementsAre("select All", "image /kept/pass mode 0 bmp", "select All", "image /kept/pass mode 0 bmp",
                            "select RGB", "image pass mode 0 jpeg", "select RGB", "image pass mode 0 jpeg", "select RGB",
                            "rgb 321", "redisplay", "image pass mode 0 jpeg", "select SST", "sst palette cleared",
                            "redisplay", "image pass mode 0 bmp", "select SST", "sst palette cleared", "redisplay",
                            "image pass mode 0 bmp", "select SST", "sst palette " + program + "sst.pal", "redisplay",
                            "image pass mode 0 bmp", "select Vegetation", "ndvi palette cleared", "redisplay",
                            "image pass mode 0 bmp", "select Vegetation", "ndvi palette cleared", "redisplay",
                            "image pass mode 0 bmp", "select SST", "sst range -25 10", "redisplay",
                            "image pass mode 0 bmp"));
    std::vector<std::string> told;
    for (const TDialogRequest& request : TDialogService::Instance().Requests()) told.push_back(request.text);
    EXPECT_THAT(
        told,
        ElementsAre(
            "-DIAGNOSTICS:diag.txt: taken as an image item of the view \"All\"; for the diagnostics give "
            "\"-DIAGNOSTICS:\" with nothing after the colon",
            "-FIRETEXT:fires.txt: taken as an image item of the view \"All\"; for the fire pixel list give "
            "\"-FIRETEXT:\" with nothing after the colon",
            "-OUTPUT: names no folder, so the products go to the pass's folder",
            "-RGBR12G2B1:x.jpg: \"R12G2B1\" does not name three channels 1..10 as R<n>G<n>B<n>; the view was saved "
            "with the stored channels",
            "-RGBR9G9B9:x.jpg: the pass has no channel 9; the view was saved with the stored channels",
            "-SSTnothere.pal:x.bmp: \"nothere.pal\" is no palette file (as named or in the program's folder); the "
            "view was saved without it",
            "-SSTnot-a.pal:x.bmp: " + program + "not-a.pal is not a palette file; the view was saved without it",
            "-NDVInothere.pal:x.bmp: \"nothere.pal\" is no palette file (as named or in the program's folder); the "
            "view was saved without it",
            "-NDVInot-a.pal:x.bmp: " + program + "not-a.pal is not a palette file; the view was saved without it",
            "-SST10-25:x.bmp: the SST range -25 to 10 C lies beyond the user range's limits (low end -2..27, high end "
            "-2..37); the view was saved with -25 to 10 C"));
    EXPECT_EQ(whole.UnknownParameters(), 10);
    EXPECT_EQ(whole.MissingProducts(), 0);
    EXPECT_EQ(whole.ExitCode(), 4);

    TDialogService::Instance().ClearScript();
    target.Calls.clear();
    target.FormatCode = 9;  // GAC
    TCommandLineRun gac({"pass.gac", "-FC:apt.jpg", "-FC:x.jpg"}, target, program);
    gac.Run("pass");
    EXPECT_THAT(target.Calls, ElementsAre("select False colour", "select False colour", "image /kept/pass mode 0 jpeg"));
    ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
    EXPECT_EQ(TDialogService::Instance().Requests()[0].text,
              "-FC:apt.jpg: an APT-style image (a GAC pass has none) was not written");
    EXPECT_EQ(gac.ExitCode(), 3);
}

// The run of palette items, each into a folder of its own: a
// palette that is refused, or not found, leaves its view without the palette
// an earlier item chose, drawn again before it is saved.
TEST_F(CommandLineTest, ARefusedPaletteIsNotSavedWithTheEarlierItemsPalette) {
    const std::string program = folder / "program/";
    for (const char* name : {"good.pal", "not-a.pal", "jasc.pal"}) folder.Write("program/" + std::string(name), "");
    // The folders lie in the test's own folder: the images written there stay.
    const std::string out = folder / "out/";
    const auto in = [&out](const char* name) { return out + name; };
    TCommandLineRun run({"pass.wsd", "-OUTPUT:" + in("a/"), "-SSTgood.pal:x.bmp", "-OUTPUT:" + in("b/"),
                         "-SSTnot-a.pal:x.bmp", "-OUTPUT:" + in("d/"), "-NDVIjasc.pal:x.bmp", "-OUTPUT:" + in("e/"),
                         "-NDVInot-a.pal:x.bmp", "-OUTPUT:" + in("f/"), "-NDVInothere.pal:x.bmp", "-CLOSE"},
                        target, program);
    EXPECT_TRUE(run.Run("pass"));
    EXPECT_THAT(target.Calls,
                ElementsAre("select SST", "sst palette " + program + "good.pal", "redisplay",
                            "image " + in("a/pass") + " mode 0 bmp", "select SST", "sst palette cleared", "redisplay",
                            "image " + in("b/pass") + " mode 0 bmp", "select Vegetation",
                            "ndvi palette " + program + "jasc.pal", "redisplay", "image " + in("d/pass") + " mode 0 bmp",
                            "select Vegetation", "ndvi palette cleared", "redisplay",
                            "image " + in("e/pass") + " mode 0 bmp", "select Vegetation", "ndvi palette cleared",
                            "redisplay", "image " + in("f/pass") + " mode 0 bmp"));
    EXPECT_EQ(run.UnknownParameters(), 3);
    EXPECT_EQ(run.ExitCode(), 4);
}

// A range given high end first is the range turned round, as in the side
// panel, and not told; one beyond the up-downs' limits (low end -2..27, high
// end -2..37) is told with the range the view was saved with.
TEST_F(CommandLineTest, SstRangesAreTurnedRoundAndBroughtWithinTheLimits) {
    const auto told = [] {
        std::vector<std::string> lines;
        for (const TDialogRequest& request : TDialogService::Instance().Requests()) lines.push_back(request.text);
        TDialogService::Instance().ClearScript();
        return lines;
    };
    TCommandLineRun turned({"pass.wsd", "-SST25+10:x.bmp", "-SST(30,5):x.bmp", "-SST(-2,37):x.bmp", "-SST27+30:x.bmp"},
                           target, folder / "program/");
    turned.Run("pass");
    EXPECT_THAT(target.Calls, ElementsAre("select SST", "sst range 10 25", "redisplay", "image pass mode 0 bmp",
                                          "select SST", "sst range 5 30", "redisplay", "image pass mode 0 bmp",
                                          "select SST", "sst range -2 37", "redisplay", "image pass mode 0 bmp",
                                          "select SST", "sst range 27 30", "redisplay", "image pass mode 0 bmp"));
    EXPECT_TRUE(told().empty());
    EXPECT_EQ(turned.ExitCode(), 0);

    const std::vector<std::tuple<std::string, std::pair<int, int>, std::string>> beyond{
        {"-SST10-25:x.bmp", {-2, 10}, "-25 to 10 C"},
        {"-SST(-25,10):x.bmp", {-2, 10}, "-25 to 10 C"},
        {"-SST(-3,37):x.bmp", {-2, 37}, "-3 to 37 C"},
        {"-SST(20,40):x.bmp", {20, 37}, "20 to 40 C"},
        {"-SST(28,35):x.bmp", {27, 35}, "28 to 35 C"},
        {"-SST(-9,-5):x.bmp", {-2, 1}, "-9 to -5 C"}};
    for (const auto& [item, stored, asked] : beyond) {
        target.StoredRange = stored;
        TCommandLineRun run({"pass.wsd", item}, target, folder / "program/");
        run.Run("pass");
        EXPECT_THAT(told(), ElementsAre(item + ": the SST range " + asked +
                                        " lies beyond the user range's limits (low end -2..27, high end -2..37); the "
                                        "view was saved with " + std::to_string(stored.first) + " to " +
                                        std::to_string(stored.second) + " C"));
        EXPECT_EQ(run.ExitCode(), 4) << item;
    }
}

// The products of a group are told under the parameter the user gave, as
// typed, not under items of the run's own making.
TEST_F(CommandLineTest, AGroupsMessagesNameTheGroup) {
    target.FailDataSaves = true;
    TCommandLineRun run({"pass.wsd", "-groupb:"}, target, folder / "program/");
    EXPECT_TRUE(run.Run("pass"));
    std::vector<std::string> told;
    for (const TDialogRequest& request : TDialogService::Instance().Requests()) told.push_back(request.text);
    EXPECT_THAT(told, ElementsAre("-groupb: an albedo file was not written",
                                  "-groupb: the channel 3 temperature file was not written",
                                  "-groupb: the channel 4 temperature file was not written",
                                  "-groupb: the channel 5 temperature file was not written",
                                  "-groupb: the image was not written", "-groupb: the SST data was not written",
                                  "-groupb: the image was not written"));
    EXPECT_EQ(run.ExitCode(), 3);
}

// An image its saver put in the program folder instead has been told there,
// with where it went: the run tells no second line and ends with 3.
TEST_F(CommandLineTest, AProductSavedElsewhereIsToldOnceAndEndsWithThree) {
    target.SavedElsewhere = 2;
    TCommandLineRun kept({"pass.wsd", "-FC:x.jpg"}, target, folder / "program/");
    kept.Run("pass");
    EXPECT_EQ(kept.ExitCode(), 0) << "what earlier runs saved elsewhere is theirs";
    struct TElsewhereTarget : TRecordingTarget {
        TProductWrite ImageWrite(const std::string& baseName, TSaveMode mode, bool jpeg) override {
            TRecordingTarget::ImageWrite(baseName, mode, jpeg);
            ++SavedElsewhere;
            return WriteDone(true);
        }
    } elsewhere;
    TCommandLineRun run({"pass.wsd", "-FC:x.jpg", "-CLOSE"}, elsewhere, folder / "program/");
    run.Run("pass");
    EXPECT_EQ(run.ExitCode(), 3);
    EXPECT_EQ(run.MissingProducts(), 0);
    EXPECT_TRUE(TDialogService::Instance().Requests().empty());
}

// A run whose pass could not be loaded has said why: its product items are
// known but make nothing and tell nothing; the diagnostics, which say it
// too, are still written; a parameter it does not know is still told.
TEST_F(CommandLineTest, WithoutAPassOnlyTheDiagnosticsAreWritten) {
    TCommandLineRun run({"gone.wsd", "-FC:X.JPG", "-GROUPB:", "-TEMP:t.bmp", "-DIAGNOSTICS:", "-FOO:", "-CLOSE"}, target,
                        folder / "program/", false);
    EXPECT_TRUE(run.Run(""));
    EXPECT_THAT(target.Calls, ElementsAre("diagnostics"));
    EXPECT_EQ(run.MissingProducts(), 0);
    EXPECT_EQ(run.UnknownParameters(), 1);
    ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
    EXPECT_NE(TDialogService::Instance().Requests()[0].text.find("-FOO:"), std::string::npos);

    // The folders its "-OUTPUT:" made are gone again where they hold nothing.
    folder.Write("kept/old.bmp", "");
    TCommandLineRun failed({"gone.wsd", "-OUTPUT:" + (folder / "new/2024/"), "-FC:X.JPG",
                            "-OUTPUT:" + (folder / "kept/sub/"), "-DIAGNOSTICS:", "-CLOSE"},
                           target, folder / "program/", false);
    failed.Run("");
    EXPECT_FALSE(DirectoryExists(folder / "new"));
    EXPECT_FALSE(DirectoryExists(folder / "kept/sub"));
    EXPECT_TRUE(FileExists(folder / "kept/old.bmp"));
}

}  // namespace
}  // namespace kestrune
