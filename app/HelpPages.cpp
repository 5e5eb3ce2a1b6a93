#include "app/HelpPages.h"

#include "app/EventGuard.h"
#include "platform/FileIO.h"
#include "platform/SysUtils.h"

#include <QDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

namespace kestrune {

namespace {

constexpr int DeepestSectionLevel = 3;

QString Escaped(const std::string& text) { return ToQt(text).toHtmlEscaped(); }

std::string FirstAnchor(const QTextBlock& block) {
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
        const QStringList names = fragment.fragment().charFormat().anchorNames();
        if (!names.isEmpty()) return names.front().toStdString();
    }
    return {};
}

void AddAnchors(const QTextBlock& block, std::set<std::string>& anchors) {
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment)
        for (const QString& name : fragment.fragment().charFormat().anchorNames()) anchors.insert(name.toStdString());
}

std::vector<QString> Words(const std::string& query) {
    std::vector<QString> words;
    for (const QString& word : ToQt(query).split(' ', Qt::SkipEmptyParts))
        if (!word.trimmed().isEmpty()) words.push_back(word.trimmed());
    return words;
}

QString PageOf(const QString& title, const QString& body) {
    return "<html><head><title>" + title + "</title></head><body><h1>" + title + "</h1>" + body + "</body></html>";
}

}  // namespace

THelpPages::THelpPages(const std::string& folder) : folder_(IncludeTrailingPathDelimiter(folder)) {
    const QStringList pages = QDir(ToQt(folder_)).entryList({"*.html"}, QDir::Files, QDir::Name);
    for (const QString& page : pages) ReadPage(page.toStdString());
}

void THelpPages::ReadPage(const std::string& page) {
    // What is far too large, or no file, is not searched.
    std::string text;
    if (ReadKeptFile(folder_ + page, MostHelpFileBytes, text).Kind != TKeptFile::TKind::Read) return;
    QTextDocument document;
    document.setHtml(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    const std::string title = document.metaInformation(QTextDocument::DocumentTitle).toStdString();
    std::set<std::string>& anchors = anchors_[page];
    THelpSection section{page, title, {}, title, 1, {}};
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        AddAnchors(block, anchors);
        const int level = block.blockFormat().headingLevel();
        if (level >= 1 && level <= DeepestSectionLevel) {
            if (!section.Text.empty()) sections_.push_back(section);
            section = {page, title, FirstAnchor(block), block.text().toStdString(), level, {}};
        }
        section.Text += block.text().toStdString() + "\n";
    }
    if (!section.Text.empty()) sections_.push_back(section);
}

bool THelpPages::HasTopic(const std::string& topic) const {
    const size_t hash = topic.find('#');
    const auto page = anchors_.find(topic.substr(0, hash));
    if (page == anchors_.end()) return false;
    return hash == std::string::npos || page->second.contains(topic.substr(hash + 1));
}

std::vector<const THelpSection*> THelpPages::IndexEntries() const {
    std::vector<const THelpSection*> entries;
    for (const THelpSection& section : sections_)
        if (section.Level > 1 && !section.Heading.empty()) entries.push_back(&section);
    std::stable_sort(entries.begin(), entries.end(), [](const THelpSection* a, const THelpSection* b) {
        return ToQt(a->Heading).compare(ToQt(b->Heading), Qt::CaseInsensitive) < 0;
    });
    return entries;
}

std::vector<const THelpSection*> THelpPages::Search(const std::string& query) const {
    const std::vector<QString> words = Words(query);
    std::vector<std::pair<qsizetype, const THelpSection*>> hits;
    if (words.empty()) return {};
    for (const THelpSection& section : sections_) {
        const QString text = ToQt(section.Text);
        qsizetype count = 0;
        bool every = true;
        for (const QString& word : words) {
            const qsizetype found = text.count(word, Qt::CaseInsensitive);
            every = every && found > 0;
            count += found;
        }
        if (every) hits.emplace_back(count, &section);
    }
    std::stable_sort(hits.begin(), hits.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<const THelpSection*> sections;
    for (const auto& hit : hits) sections.push_back(hit.second);
    return sections;
}

std::string THelpPages::Link(const THelpSection& section) const {
    QUrl url = QUrl::fromLocalFile(ToQt(folder_ + section.Page));
    if (!section.Anchor.empty()) url.setFragment(ToQt(section.Anchor));
    return "<a href=\"" + url.toString(QUrl::FullyEncoded).toStdString() + "\">" + Escaped(section.Heading).toStdString() +
           "</a>";
}

std::string THelpPages::IndexPage() const {
    QString body = "<p>";
    for (const THelpSection* entry : IndexEntries())
        body += ToQt(Link(*entry)) + " <small>(" + Escaped(entry->PageTitle) + ")</small><br>";
    return PageOf("Index", body + "</p>").toStdString();
}

std::string THelpPages::SearchPage(const std::string& query) const {
    if (Words(query).empty())
        return PageOf("Search", "<p>Type words into the search field above and press Enter. The sections that hold "
                                "every word are listed, those with most of them first.</p>")
            .toStdString();
    const std::vector<const THelpSection*> found = Search(query);
    QString body = "<p>" + QString::number(found.size()) + (found.size() == 1 ? " section holds" : " sections hold") +
                   " &ldquo;" + Escaped(query) + "&rdquo;.</p><p>";
    for (const THelpSection* section : found)
        body += ToQt(Link(*section)) + " <small>(" + Escaped(section->PageTitle) + ")</small><br>";
    return PageOf("Search", body + "</p>").toStdString();
}

}  // namespace kestrune
