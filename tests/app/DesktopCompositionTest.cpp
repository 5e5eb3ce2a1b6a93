// "Disable desktop composition": on the X desktop the main window asks the
// compositor to leave it alone, at its first showing and at once when the
// option changes; elsewhere the option says it has no effect. The X half runs
// under xvfb-run (tests/CMakeLists.txt registers it so).
#include "app/TalvessaForm.h"

#include "platform/ProgramStrings.h"
#include "platform/RegistryVariables.h"
#include "tests/app/AppTest.h"
#include "tests/app/WidgetTestSupport.h"

#include <QAction>
#include <QGuiApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace kestrune {
namespace {

using testing::Find;
using testing::WaitFor;

// The property as another X client sees it: "1", or "" when the window has none.
std::string BypassProperty(WId window) {
    const std::string command = "xprop -id " + std::to_string(window) + " _NET_WM_BYPASS_COMPOSITOR 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return "no xprop";
    std::string output;
    std::array<char, 256> chunk{};
    while (fgets(chunk.data(), chunk.size(), pipe.get()) != nullptr) output += chunk.data();
    const std::string set = "_NET_WM_BYPASS_COMPOSITOR(CARDINAL) = ";
    const size_t at = output.find(set);
    if (at != std::string::npos) return output.substr(at + set.size(), output.find('\n', at) - at - set.size());
    return output.find("not found") != std::string::npos ? std::string() : output;
}

class DesktopCompositionTest : public testing::TAppTest {
protected:
    std::unique_ptr<TFormMain> ShowWithCompositionDisabled(bool disabled) {
        {
            TRegistryBoolean setting("DisableAero", false);
            setting.Value = disabled;
        }
        auto form = std::make_unique<TFormMain>(TParams{});
        form->show();
        WaitFor([&] { return !Find<QTimer>(*form, "TimerNewFile")->isActive(); });
        TDialogService::Instance().ClearScript();  // the start's own boxes
        return form;
    }
};

TEST_F(DesktopCompositionTest, MainWindowAsksTheCompositorToLeaveItAlone) {
    if (QGuiApplication::platformName() != "xcb") {
        if (std::getenv("KESTRUNE_EXPECT_X11") != nullptr) FAIL() << "no X server although xvfb-run started one";
        GTEST_SKIP() << "needs an X server (runs under xvfb-run)";
    }
    auto form = ShowWithCompositionDisabled(true);
    const WId window = form->winId();
    EXPECT_TRUE(WaitFor([&] { return BypassProperty(window) == "1"; })) << BypassProperty(window);

    QAction* option = Find<QAction>(*form, "OptionsDisableAero");
    option->trigger();
    EXPECT_FALSE(option->isChecked());
    EXPECT_TRUE(WaitFor([&] { return BypassProperty(window).empty(); })) << BypassProperty(window);
    option->trigger();
    EXPECT_TRUE(WaitFor([&] { return BypassProperty(window) == "1"; })) << BypassProperty(window);
    // Applied at once: nobody is asked to restart.
    EXPECT_TRUE(TDialogService::Instance().Requests().empty());
}

TEST_F(DesktopCompositionTest, WithoutXTheOptionSaysItHasNoEffect) {
    if (QGuiApplication::platformName() == "xcb") GTEST_SKIP() << "the X desktop takes the request";
    auto form = ShowWithCompositionDisabled(false);
    Find<QAction>(*form, "OptionsDisableAero")->trigger();
    EXPECT_TRUE(Find<QAction>(*form, "OptionsDisableAero")->isChecked());
    ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
    EXPECT_EQ(TDialogService::Instance().Requests().back().text, ProgramText(res::SCompositionNoEffect));
    form.reset();
    EXPECT_TRUE(TRegistryBoolean("DisableAero", false).Value) << "the choice is kept all the same";
}

}  // namespace
}  // namespace kestrune
