// The help's topics by context number, as the help file's map gave them:
// the Help menu's (What's new, FAQs), each view's (from the view table) and
// each window's, which F1 in that window asks for. Topics are pages of the
// help folder with a section, "views.html#sst".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

constexpr int HelpContextWhatsNew = 450;
constexpr int HelpContextFaqs = 1100;
// The dialogs that are not windows of their own: File > Open's, the results
// folder's, and print setup's (opened from the main window and the print window).
constexpr int HelpContextOpen = 2170;
constexpr int HelpContextResultsFolder = 2180;
constexpr int HelpContextPrintSetup = 2190;

// The topic of a context number; "" for a number the help does not know.
std::string HelpTopicOf(int context);
// The context of a window by its name ("FormPrint"); 0 for a window without one.
int WindowHelpContext(std::string_view windowName);
// Every context number the program asks for.
std::vector<int> HelpContexts();

}  // namespace kestrune
