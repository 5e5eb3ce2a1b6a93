#include "render/RenderView.h"

#include "orbit/EarthLocations.h"
#include "platform/DialogService.h"
#include "platform/ParallelLines.h"
#include "platform/ProgramFolder.h"
#include "render/ColourScales.h"
#include "render/ViewLookups.h"
#include "../platform/TempFolder.h"
#include "SyntheticPass.h"
#include "tests/support/FileStandIns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace kestrune {
namespace {

using testing::MakePass;
using testing::PatternCount;
using testing::TTempFolder;

constexpr int Width = 512;
constexpr int Lines = 300;

class RenderViewTest : public ::testing::Test {
protected:
    RenderViewTest() : view_(pass_, host_) {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
        MakePass(pass_, Width, Lines, {1, 2, 3, 4, 5});
        view_.SetViewTabs(testing::ViewsOffered(pass_));
    }
    ~RenderViewTest() override { TDialogService::Instance().SetMode(TDialogService::Mode::Unattended); }

    const uint8_t* Pixel(int x, int y) { return view_.DisplayBitmap().ScanLine(y) + 3 * x; }
    void ExpectGrey(int x, int y, int grey) {
        const uint8_t* p = Pixel(x, y);
        EXPECT_TRUE(p[0] == grey && p[1] == grey && p[2] == grey)
            << "(" << x << ", " << y << ") is " << int(p[2]) << " " << int(p[1]) << " " << int(p[0])
            << ", not grey " << grey;
    }
    void ExpectColour(int x, int y, const TBgrEntry& colour) {
        const uint8_t* p = Pixel(x, y);
        EXPECT_TRUE(p[0] == colour.Blue && p[1] == colour.Green && p[2] == colour.Red)
            << "(" << x << ", " << y << ") is " << int(p[2]) << " " << int(p[1]) << " " << int(p[0]);
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& request : TDialogService::Instance().Requests()) texts.push_back(request.text);
        return texts;
    }
    int Sample(int channel, int x, int y) { return pass_.Video->SampleAddress(channel, y)[x]; }

    TTempFolder folder_;
    TPassState pass_;
    THeadlessRenderHost host_;
    TRenderView view_;
};

TEST_F(RenderViewTest, EveryOfferedViewRendersIntoTheDisplayBitmap) {
    TFireClassTable fire(FireClassTableSize, 0);
    IplImage filtered = IplImage::Allocate(Width, Lines, 1, IplDepth::U16);
    for (int y = 0; y < Lines; ++y) std::fill_n(filtered.RowAs<uint16_t>(y), Width, uint16_t{800});
    view_.Services.FireImage = [&](int) { return &filtered; };
    view_.Services.BuildFireClassTable = [](TFireClassTable& table) { table.assign(FireClassTableSize, 0); };
    ASSERT_GT(view_.ViewTabs().size(), 20u);
    for (const std::string& name : view_.ViewTabs()) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(view_.SelectView(name));
        EXPECT_EQ(ViewNames[view_.ViewIndex()], name);
        EXPECT_EQ(view_.DisplayBitmap().Width(), Width);
        EXPECT_EQ(view_.DisplayBitmap().Height(), Lines);
        EXPECT_EQ(view_.DisplayBitmap().PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(view_.ImageSuffix(), ViewInfo(view_.ViewIndex()).Suffix);
        EXPECT_TRUE(host_.ResultMenusEnabled);
        EXPECT_FALSE(view_.RedisplayBusy());
        EXPECT_FALSE(view_.RenderBusy());
    }
    // Only the ground path view complains: there is no world map here.
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages().front().rfind("Ground path master file not found\r", 0), 0u);
}

// A world picture that is a named pipe, a device or far larger than any
// picture is told as what it is, not as missing, and left as it stands.
TEST_F(RenderViewTest, AGroundPathPictureThatIsNoFileIsToldAsWhatItIs) {
    const std::string master = folder_ / "GroundPathMaster.jpg";
    using testing::TFileStandIn;
    const std::vector<std::pair<TFileStandIn, std::string>> cases{
        {TFileStandIn::Pipe, master + " is a named pipe: it is left as it is"},
        {TFileStandIn::LinkToZero, master + " is a device: it is left as it is"},
        {TFileStandIn::Sparse,
         master + " holds 314572800 bytes, far more than it ever holds (at most 268435456): it is left as it is"},
    };
    SetProgramFolderOverride(folder_.Path());
    for (const auto& [standIn, told] : cases) {
        SCOPED_TRACE(told);
        testing::PutStandIn(master, standIn);
        TDialogService::Instance().ClearScript();
        ASSERT_TRUE(view_.SelectView(view_.ViewTabs().front()));
        ASSERT_TRUE(view_.SelectView(std::string(ViewNames[ViewGroundPath])));
        EXPECT_EQ(Messages(), std::vector<std::string>{told});
    }
    SetProgramFolderOverride("");
    EXPECT_EQ(std::filesystem::file_size(master), 300u << 20);
}

// A colour look-up image, or the ash palette, that is a named pipe, a device
// or far too large is told once, not at every redraw of its view; another
// such file is told in its turn, and one told before is told again after a
// file that could be read took its place.
TEST_F(RenderViewTest, AColourTableThatIsNoFileIsToldOnceNotAtEveryRedraw) {
    using testing::TFileStandIn;
    const std::string pipe = testing::PutStandIn(folder_ / "CLUT_pipe.bmp", TFileStandIn::Pipe);
    const std::string device = testing::PutStandIn(folder_ / "CLUT_zero.bmp", TFileStandIn::LinkToZero);
    const std::string readable = folder_ / "CLUT_read.bmp";
    TExtBitmap clut;
    clut.SetSize(TClutImage::Width, TClutImage::Height);
    clut.SaveToFile(readable);
    struct TStep {
        std::string Clut;
        int Redraws;
        size_t Told;
    };
    const std::vector<TStep> steps{
        {pipe, 3, 1}, {pipe, 2, 0}, {device, 2, 1}, {readable, 2, 0}, {pipe, 2, 1}, {"", 1, 0}, {pipe, 1, 1},
    };
    ASSERT_TRUE(view_.SelectView("False colour"));
    for (size_t k = 0; k < steps.size(); ++k) {
        SCOPED_TRACE("step " + std::to_string(k + 1) + ": " + steps[k].Clut);
        TDialogService::Instance().ClearScript();
        view_.Settings.ClutFileName = steps[k].Clut;
        for (int redraw = 0; redraw < steps[k].Redraws; ++redraw) view_.Redisplay();
        EXPECT_EQ(Messages().size(), steps[k].Told);
        for (const std::string& told : Messages()) EXPECT_NE(told.find(steps[k].Clut + " is a "), std::string::npos) << told;
    }

    SetProgramFolderOverride(folder_.Path());
    testing::PutStandIn(folder_ / "ash-palette.bmp", TFileStandIn::Pipe);
    view_.Options.CheckBoxShowAsh = true;
    TDialogService::Instance().ClearScript();
    ASSERT_TRUE(view_.SelectView("Ch.4 - Ch.5"));
    for (int redraw = 0; redraw < 3; ++redraw) view_.Redisplay();
    SetProgramFolderOverride("");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages().front().find("ash-palette.bmp is a named pipe"), std::string::npos) << Messages().front();
}

TEST_F(RenderViewTest, ChannelViewsPlainGammaAndEqualised) {
    view_.SelectView("Ch 1");
    ExpectGrey(17, 40, Sample(1, 17, 40) >> 2);
    EXPECT_EQ(view_.MappingCaption(), "Channel 1");
    view_.Options.ComboBoxGammaCorrectCh1 = 6;  // "Gamma 2.5"
    view_.Redisplay();
    TCountTable gamma{};
    BuildChannelGammaTable(gamma, 2.5);
    ExpectGrey(17, 40, gamma[Sample(1, 17, 40)]);
    view_.Options.EqHistChan4 = true;
    view_.SelectView("Ch 4");
    const TCountTable stretch = *pass_.Video->EqualisedStretch(4, 3.0f);
    ExpectGrey(5, 6, stretch[Sample(4, 5, 6)] >> 2);
}

TEST_F(RenderViewTest, FalseColourLooksUpTheColourAndBrightnessCounts) {
    view_.Options.RadioGroupBrightness = 1;  // channel 2
    view_.Options.RadioGroupThermalBrightAdjust = AdjustNone;
    view_.SelectView("False colour");
    TFalseColourTable table;
    BuildFalseColourLookup(table, {pass_.Sensor->ThermalTable4(), 0, 0, 1.0, nullptr}, nullptr);
    for (auto [x, y] : {std::pair{0, 0}, {100, 50}, {511, 299}})
        ExpectColour(x, y, table.At(Sample(4, x, y), Sample(2, x, y)));
    EXPECT_EQ(view_.ImageSuffix(), "-fc");
}

TEST_F(RenderViewTest, FireOverlayPaintsClassifiedPixels) {
    view_.Options.RadioGroupBrightness = 1;
    view_.Services.BuildFireClassTable = [this](TFireClassTable& table) {
        table[static_cast<size_t>(Sample(3, 10, 20)) * 1024 + Sample(4, 10, 20)] = 255;
    };
    const TBgrEntry orange{0x00, 0xC0, 0xFF};
    view_.SelectView("False colour");
    ASSERT_GT(pass_.TelemetryData->TargetCount(3), 400);
    EXPECT_TRUE(SidePanelShows(view_.SidePanel(), TSidePanelControl::GroupBoxFire));
    EXPECT_NE(Pixel(10, 20)[1], orange.Green);  // "Show" not ticked
    view_.Options.CheckBoxShowFire = true;
    view_.Redisplay();
    ExpectColour(10, 20, orange);
    view_.SelectView("Fire");
    ExpectColour(10, 20, orange);
    ExpectGrey(11, 20, 0);
    pass_.Video->SetLineFlag(20, 0);  // lines without valid data show no fire
    view_.Redisplay();
    ExpectGrey(10, 20, 0);
}

TEST_F(RenderViewTest, FireViewsReadOnlyFilterImagesOfThePassSize) {
    // The advanced table marks the difference 500 with pixel (10, 20)'s
    // channel-4 count; its raw channel-3 count is 500 too.
    pass_.Video->SampleAddress(3, 20)[10] = 500;
    view_.Settings.FireUseAvg = true;
    view_.Services.BuildFireClassTable = [this](TFireClassTable& table) {
        table[static_cast<size_t>(500) * 1024 + Sample(4, 10, 20)] = 255;
    };
    IplImage difference = IplImage::Allocate(Width, Lines - 1, 1, IplDepth::U16);  // an earlier pass's
    view_.Services.FireImage = [&](int image) { return image == 3 ? &difference : nullptr; };
    view_.SelectView("Ch.3 raw-filt");
    EXPECT_EQ(view_.DisplayBitmap().Height(), 0);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Invalid channels for colour model specified"});
    view_.SelectView("Fire");
    ExpectGrey(10, 20, 0);  // raw counts are not differences

    difference = IplImage::Allocate(Width, Lines, 1, IplDepth::U16);
    for (int y = 0; y < Lines; ++y) std::fill_n(difference.RowAs<uint16_t>(y), Width, uint16_t{800});
    view_.Redisplay();
    ExpectGrey(10, 20, 0);
    difference.RowAs<uint16_t>(20)[10] = 500;
    view_.Redisplay();
    ExpectColour(10, 20, {0x00, 0xC0, 0xFF});
    view_.SelectView("Ch.3 raw-filt");
    ExpectGrey(10, 20, 500 >> 2);
    ExpectGrey(11, 20, 800 >> 2);
}

// Each processor draws 100 lines between two looks at the events: the pass
// is as tall as three looks, and the stop comes at the third.
TEST_F(RenderViewTest, StopHalfwayLeavesTheRestOfTheBitmap) {
    const int lines = 300 * static_cast<int>(LinePoolThreads() + 1);
    MakePass(pass_, Width, lines, {2});
    view_.SetViewTabs(testing::ViewsOffered(pass_));
    view_.SelectView("Overlay");  // all black
    host_.PendingEventCalls = 0;
    int stop = 0;
    host_.OnPendingEvents = [&] {
        if (host_.PendingEventCalls < 3) return;
        stop = host_.ProgressPosition;
        pass_.AbortRequested = true;
    };
    view_.SelectView("Ch 2");
    ASSERT_EQ(stop, lines * 2 / 3);
    ExpectGrey(0, stop - 1, Sample(2, 0, stop - 1) >> 2);
    ExpectGrey(0, stop, 0);
    ExpectGrey(Width - 1, lines - 1, 0);
    // A stopped render still counts as drawn; the next one is refused.
    host_.OnPendingEvents = nullptr;
    EXPECT_FALSE(view_.RenderView());
    pass_.AbortRequested = false;
    EXPECT_TRUE(view_.Redisplay());
    ExpectGrey(0, stop, Sample(2, 0, stop) >> 2);
}

// A picture handed to another view for saving leaves this one showing
// nothing current; it comes back unless this view has drawn since.
TEST_F(RenderViewTest, AHandedOverPictureComesBackUnlessTheViewDrewSince) {
    view_.SelectView("False colour");
    const std::vector<uint8_t> shown(Pixel(0, 0), Pixel(0, Lines - 1) + 3 * Width);
    TRenderView saving(pass_, host_);
    view_.HandOver(saving);
    EXPECT_TRUE(view_.DisplayBitmap().Empty());
    EXPECT_FALSE(view_.ShowsCurrent("False colour"));
    ASSERT_EQ(saving.DisplayBitmap().Height(), Lines);
    EXPECT_EQ(saving.ViewIndex(), ViewFalseColour);
    EXPECT_EQ(saving.ImageSuffix(), view_.ImageSuffix());
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), saving.DisplayBitmap().ScanLine(0)));
    view_.TakeBack(saving);
    EXPECT_TRUE(view_.ShowsCurrent("False colour"));
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), Pixel(0, 0)));

    view_.HandOver(saving);
    view_.SelectView("Ch 4");
    view_.TakeBack(saving);
    EXPECT_TRUE(view_.ShowsCurrent("Ch 4"));
    EXPECT_EQ(saving.DisplayBitmap().Height(), Lines);
}

}  // namespace
}  // namespace kestrune
