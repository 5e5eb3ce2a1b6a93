// A pass named in the bytes of the user's locale: the main window's caption,
// the pass-direction question and the recent-file list show its name as the
// locale spells it, while the file is opened by its own bytes.
#include "app/DirectionForm.h"
#include "app/MessageBoxes.h"
#include "app/MostRecentFilesMenu.h"
#include "app/RunReport.h"
#include "app/TalvessaForm.h"

#include "platform/ResCodePages.h"
#include "tests/app/AppTest.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/support/LocaleFileNames.h"
#include "tests/support/StationFileWriter.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace kestrune {
namespace {

using testing::Find;

// The question's caption and file name as shown, answered with its default (north).
struct TAskedDirection {
    std::string Caption, FileName, FileHint, Satellite;
};

// The sample's station name "230503_1200_noaa18_" and the locale's word:
// its bytes, and its characters as the locale reads them, in UTF-8.
struct TSampleName {
    std::string Stem, Shown;
};
TSampleName SampleNameIn(const testing::TLocaleFileName& name) {
    const size_t prefix = std::string("n19_20261128_0812_").size();
    return {"230503_1200_noaa18_" + name.Stem.substr(prefix),
            "230503_1200_noaa18_" + Utf16ToUtf8(name.Characters.substr(prefix))};
}

class NamesInLocaleTest : public testing::TAppTest {
protected:
    // Opens the pass through the main window's one loader, noting what the direction question showed.
    TAskedDirection Open(TFormMain& form, const std::string& path) {
        TAskedDirection asked;
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&asked] {
            auto* dialog = dynamic_cast<TFormPassDirection*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            asked = {dialog->windowTitle().toStdString(), Find<QLabel>(*dialog, "LabelFilename")->text().toStdString(),
                     Find<QLabel>(*dialog, "LabelFilename")->toolTip().toStdString(),
                     Find<QComboBox>(*dialog, "ComboBoxSat")->currentText().toStdString()};
            Find<QPushButton>(*dialog, "ButtonNorth")->click();
        });
        answer.start();
        form.Core().LoadDataFile(path);
        return asked;
    }
    std::string WritePassNamed(const std::string& name, int lines = 240) const {
        const std::string path = folder / ("data/" + name);
        std::filesystem::create_directories(folder / "data");
        test::WriteFileBytes(path, test::BuildEssFile({}, lines));
        return path;
    }
};

TEST_F(NamesInLocaleTest, ThePassesNameIsShownAsTheLocaleSpellsItAndOpenedByItsBytes) {
    TFormMain form(TParams{});
    for (const auto& name : testing::LocaleFileNames()) {
        if (name.Characters.empty()) continue;  // no locale reading of the name to show
        const testing::TLocaleEnvironment locale(name.Locale);
        const std::string pass = WritePassNamed(name.Stem + ".hpt");
        // The name's UTF-8 spelling is another file, of another pass, which must not be the one opened.
        WritePassNamed(name.Utf8Spelling + ".hpt", 200);
        const std::string shown = Utf16ToUtf8(name.Characters);
        const TAskedDirection asked = Open(form, pass);
        ASSERT_TRUE(form.Core().PassLoaded()) << name.Locale;
        EXPECT_EQ(form.Core().LoadedFilePath, pass) << name.Locale;
        EXPECT_EQ(form.Core().Pass.DataLineCount, 240) << name.Locale;
        const std::string caption = form.windowTitle().toStdString();
        EXPECT_NE(caption.find(" - " + shown), std::string::npos) << name.Locale << ": " << caption;
        EXPECT_EQ(caption.find("\xEF\xBF\xBD"), std::string::npos) << name.Locale << ": " << caption;
        EXPECT_NE(asked.Caption.find(shown), std::string::npos) << name.Locale << ": " << asked.Caption;
        EXPECT_EQ(asked.FileName, shown + ".hpt") << name.Locale;
        EXPECT_EQ(asked.FileHint, folder / ("data/" + shown + ".hpt")) << name.Locale;
        // The recent-file list names it the same way.
        QMenu reopen;
        TMostRecentFilesMenu recent(*form.Core().MRUFileList, reopen);
        recent.ShowFullPath = true;
        recent.Rebuild();
        ASSERT_FALSE(reopen.actions().isEmpty()) << name.Locale;
        EXPECT_EQ(reopen.actions().front()->text().toStdString(), "&1  " + folder / ("data/" + shown + ".hpt")) << name.Locale;
    }
}

// A name's last two characters that are the minutes of its time are not
// proposed as the satellite: the frames name it.
TEST_F(NamesInLocaleTest, TheQuestionProposesTheFramesSatelliteOverANamesMinutes) {
    TFormMain form(TParams{});
    std::filesystem::create_directories(folder / "data");
    const std::pair<const char*, test::TBytes> passes[] = {
        {"pass_0503_1215.hpt", test::BuildEssFile({}, 240)},
        {"pass_0503_1215.svw", test::BuildSmartViewFile({}, 240)},
        {"pass_0503_1215.n10", test::BuildN10File({}, 240)},
        {"03MAY2023_1215.n10", test::BuildN10File({}, 240)},
    };
    for (const auto& [name, bytes] : passes) {
        const std::string path = folder / (std::string("data/") + name);
        test::WriteFileBytes(path, bytes);
        EXPECT_EQ(Open(form, path).Satellite, "NOAA-18") << name;
    }
}

// Every title and text that names the pass shows it as the locale spells
// it: the title of every message box (the telemetry window's too), the
// question whether to take the standard name and the note of a saved data
// file, which is written under the name's own bytes.
TEST_F(NamesInLocaleTest, MessageTitlesAndSavedFileNotesShowTheNameAsTheLocaleSpellsIt) {
    TFormMain form(TParams{});
    for (const auto& name : testing::LocaleFileNames()) {
        if (name.Characters.empty()) continue;
        const testing::TLocaleEnvironment locale(name.Locale);
        const auto [stem, shown] = SampleNameIn(name);
        form.Core().Settings.RenameSource->Value = true;
        TDialogService::Instance().ClearScript();
        Open(form, WritePass(stem + ".wsd"));
        ASSERT_TRUE(form.Core().PassLoaded()) << name.Locale;
        EXPECT_EQ(ApplicationTitle(), "HRPT - " + shown) << name.Locale;
        const auto& asked = TDialogService::Instance().Requests();
        const auto offer = std::find_if(asked.begin(), asked.end(),
                                        [](const auto& request) { return request.text.find("standard format") != std::string::npos; });
        ASSERT_NE(offer, asked.end()) << name.Locale;
        EXPECT_NE(offer->text.find("\"" + shown + "\""), std::string::npos) << name.Locale << ": " << offer->text;
        EXPECT_EQ(offer->text.find(stem), std::string::npos) << name.Locale << ": " << offer->text;
        const std::vector<std::string> tabs = form.Core().ViewTabs();
        const auto channel4 = std::find(tabs.begin(), tabs.end(), "Ch 4");
        ASSERT_NE(channel4, tabs.end());
        form.Core().SelectViewTab(static_cast<size_t>(channel4 - tabs.begin()));
        TDialogService::Instance().ClearScript();
        form.Core().SaveTemperaturesOfView();
        ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u) << name.Locale;
        const std::string note = TDialogService::Instance().Requests()[0].text;
        EXPECT_NE(note.find(shown), std::string::npos) << name.Locale << ": " << note;
        EXPECT_EQ(note.find("\xEF\xBF\xBD"), std::string::npos) << name.Locale << ": " << note;
        int written = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder / "data")) {
            const std::string file = entry.path().filename().string();
            written += file.starts_with(stem) && file != stem + ".wsd" ? 1 : 0;
        }
        EXPECT_EQ(written, 1) << name.Locale;
    }
}

// A file that is refused names itself as the locale spells it: one of no
// format the program knows, and a packed one that does not unpack.
TEST_F(NamesInLocaleTest, ARefusedFileIsNamedAsTheLocaleSpellsIt) {
    TFormMain form(TParams{});
    struct TRefusedCase {
        const char* Ending;
        std::string Bytes;
        const char* Told;  // what the message says before the name
    };
    const std::vector<TRefusedCase> cases{
        {".xyz", std::string(200000, 'x'), "The data format of \""},
        {".wsd.gz", "\x1f\x8b\x08\x00 not packed at all", "Could not unzip file: "},
    };
    for (const auto& name : testing::LocaleFileNames()) {
        if (name.Characters.empty()) continue;
        const testing::TLocaleEnvironment locale(name.Locale);
        for (const TRefusedCase& refused : cases) {
            const auto [stem, shownStem] = SampleNameIn(name);
            const std::string shown = shownStem + refused.Ending;
            const std::string path = folder.Write("data/" + stem + refused.Ending, refused.Bytes);
            TDialogService::Instance().ClearScript();
            form.Core().LoadDataFile(path);
            EXPECT_FALSE(form.Core().PassLoaded()) << name.Locale;
            // Shown, and kept as why the load failed for the run's report.
            std::string told = form.Core().Pass.LoadFailure + "\n";
            for (const auto& request : TDialogService::Instance().Requests()) told += request.text + "\n";
            EXPECT_NE(told.find(refused.Told), std::string::npos) << name.Locale << ": " << told;
            EXPECT_NE(told.find(shown), std::string::npos) << name.Locale << ": " << told;
            EXPECT_EQ(told.find("\xEF\xBF\xBD"), std::string::npos) << name.Locale << ": " << told;
        }
    }
}

// What an unattended run tells of a pass it could not load (missing, a
// folder, a named pipe, no match) names it as the locale spells it.
TEST_F(NamesInLocaleTest, APassThatNeverReachedTheLoaderIsNamedAsTheLocaleSpellsIt) {
    for (const auto& name : testing::LocaleFileNames()) {
        if (name.Characters.empty()) continue;
        const testing::TLocaleEnvironment locale(name.Locale);
        const auto [stem, shown] = SampleNameIn(name);
        const std::filesystem::path data = std::filesystem::path(folder / "data") / name.Locale;
        std::filesystem::create_directories(data / (stem + ".folder"));
        ASSERT_EQ(mkfifo((data / (stem + ".pipe")).c_str(), 0600), 0);
        for (const char* ending : {".wsd", ".folder", ".pipe", "*.wsd"}) {
            const TPassState pass;
            const std::vector<std::string> lines = LoadFailureReport(pass, (data / (stem + ending)).string());
            ASSERT_EQ(lines.size(), 2u) << name.Locale << " " << ending;
            for (const std::string& line : lines) {
                EXPECT_NE(line.find(shown + ending), std::string::npos) << name.Locale << ": " << line;
                EXPECT_EQ(line.find(stem), std::string::npos) << name.Locale << ": " << line;
            }
        }
    }
}

}  // namespace
}  // namespace kestrune
