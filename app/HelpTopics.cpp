#include "app/HelpTopics.h"

#include "decoding/ViewNames.h"
#include "render/ViewTable.h"

#include <algorithm>
#include <array>

namespace kestrune {

namespace {

struct TContextTopic {
    int Context;
    const char* Topic;
};

constexpr std::array<TContextTopic, 35> Topics{{
    {HelpContextWhatsNew, "whatsnew.html"},
    {HelpContextFaqs, "faq.html"},
    {2010, "windows.html#video-adjust"},
    {2020, "overlays.html#overlay-options"},
    {2030, "windows.html#go-to-location"},
    {2040, "windows.html#temperature-profile"},
    {2050, "windows.html#print"},
    {2060, "windows.html#corrected-view"},
    {2070, "windows.html#clut"},
    {2080, "windows.html#residuals"},
    {2090, "windows.html#histograms"},
    {2100, "windows.html#image-name-format"},
    {2110, "windows.html#fire-detection"},
    {2120, "opening.html#browse"},
    {2130, "opening.html#direction"},
    {2140, "windows.html#line-by-line"},
    {2150, "windows.html#about"},
    {2160, "Kestrune.html#using-help"},
    {HelpContextOpen, "opening.html#open"},
    {HelpContextResultsFolder, "products.html#results-folder"},
    {HelpContextPrintSetup, "windows.html#print-setup"},
    {10000, "views.html#all"},
    {10050, "views.html#channels"},
    {10100, "views.html#false-colour"},
    {10150, "views.html#rgb"},
    {10200, "views.html#user"},
    {10250, "views.html#noaa"},
    {10300, "views.html#temperature"},
    {10350, "views.html#sst"},
    {10400, "views.html#vegetation"},
    {10450, "views.html#difference"},
    {10500, "views.html#paletted"},
    {10520, "views.html#channel-3"},
    {10530, "views.html#ground-path"},
    {10550, "views.html#overlay"},
}};

struct TWindowContext {
    std::string_view Window;
    int Context;
};

constexpr std::array<TWindowContext, 16> Windows{{
    {"FormHistogramAdjust", 2010},
    {"FormOverlayStyle", 2020},
    {"FormGoToLocation", 2030},
    {"FormTemperatureProfile", 2040},
    {"FormPrint", 2050},
    {"FormCorrectedView", 2060},
    {"FormLoadCLUT", 2070},
    {"FormResiduals", 2080},
    {"FormHistogram", 2090},
    {"FormStandardName", 2100},
    {"FormFireDetectionControl", 2110},
    {"FormBrowseAVHRR", 2120},
    {"FormPassDirection", 2130},
    {"FormLineByLine", 2140},
    {"FormAboutBox", 2150},
    {"FormHelp", 2160},
}};

}  // namespace

std::string HelpTopicOf(int context) {
    const auto at = std::find_if(Topics.begin(), Topics.end(),
                                 [context](const TContextTopic& topic) { return topic.Context == context; });
    return at == Topics.end() ? std::string() : std::string(at->Topic);
}

int WindowHelpContext(std::string_view windowName) {
    const auto at = std::find_if(Windows.begin(), Windows.end(),
                                 [windowName](const TWindowContext& window) { return window.Window == windowName; });
    return at == Windows.end() ? 0 : at->Context;
}

std::vector<int> HelpContexts() {
    std::vector<int> contexts{HelpContextWhatsNew, HelpContextFaqs, HelpContextOpen, HelpContextResultsFolder,
                              HelpContextPrintSetup};
    for (const TWindowContext& window : Windows) contexts.push_back(window.Context);
    for (uint8_t view = 0; view < ViewNames.size(); ++view) contexts.push_back(ViewInfo(view).HelpContext);
    std::sort(contexts.begin(), contexts.end());
    contexts.erase(std::unique(contexts.begin(), contexts.end()), contexts.end());
    return contexts;
}

}  // namespace kestrune
