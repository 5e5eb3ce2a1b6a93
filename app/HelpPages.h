// The help's pages as the help window uses them: every page of the help
// folder cut into sections at its headings, the index of those headings,
// and a search of their text. The index and the search results are pages
// of their own, made here, whose links lead to the sections.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kestrune {

struct THelpSection {
    std::string Page;       // file name in the help folder, "views.html"
    std::string PageTitle;  // the page's title
    std::string Anchor;     // the heading's name; "" for a heading without one
    std::string Heading;
    int Level = 1;          // 1..3
    std::string Text;       // the section's words, its heading's included
    // "views.html#sst", or the page alone for a heading without a name.
    std::string Topic() const { return Anchor.empty() ? Page : Page + "#" + Anchor; }
};

// A help page or picture is tens of KB: what is far larger is not read.
inline constexpr int64_t MostHelpFileBytes = int64_t{4} << 20;

class THelpPages {
public:
    // Reads every ".html" page of the folder (with or without its trailing "/").
    explicit THelpPages(const std::string& folder);

    const std::string& Folder() const { return folder_; }
    const std::vector<THelpSection>& Sections() const { return sections_; }
    // A page of the folder, and in it the named place when the topic names one.
    bool HasTopic(const std::string& topic) const;
    // Every heading of the pages but their titles, by its text without case.
    std::vector<const THelpSection*> IndexEntries() const;
    // The sections holding every word of the query, case ignored, most hits
    // first; none for a query without words.
    std::vector<const THelpSection*> Search(const std::string& query) const;

    // The index as a page: a line for each heading, linking to its section.
    std::string IndexPage() const;
    // The search's results as a page; for an empty query, how to search.
    std::string SearchPage(const std::string& query) const;

private:
    void ReadPage(const std::string& page);
    std::string Link(const THelpSection& section) const;

    std::string folder_;
    std::vector<THelpSection> sections_;
    std::map<std::string, std::set<std::string>> anchors_;  // page -> its named places
};

}  // namespace kestrune
