#include "app/MostRecentFilesMenu.h"

#include "app/EventGuard.h"
#include "platform/DialogService.h"
#include "platform/FileUtils.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"
#include "platform/SysUtils.h"

#include <QAction>
#include <QMenu>

#include <algorithm>

namespace kestrune {

namespace {

bool Tagged(const QAction* item) { return item->data().toInt() == TMostRecentFilesMenu::EntryTag; }

// A file name as menu text: a "&" in the name is no mnemonic.
QString MenuText(int number, const std::string& name) {
    return ToQt(Format("&%d  ", number)) + QString::fromStdU16String(ShownFileName(name)).replace('&', "&&");
}

}  // namespace

TMostRecentFilesMenu::TMostRecentFilesMenu(TMostRecentFiles& files, QMenu& ownerMenuItem)
    : files_(files), owner_(ownerMenuItem) {}

QAction* TMostRecentFilesMenu::TaggedSeparator() {
    auto* separator = new QAction(&owner_);
    separator->setSeparator(true);
    separator->setData(EntryTag);
    return separator;
}

void TMostRecentFilesMenu::Rebuild() {
    // Removed entries are freed later: the click being handled may be one of them.
    for (QAction* item : owner_.actions()) {
        if (!Tagged(item)) continue;
        owner_.removeAction(item);
        item->deleteLater();
    }
    const std::vector<std::string>& names = files_.Files();
    if (names.empty()) return;
    QList<QAction*> items = owner_.actions();
    int position = std::min(MenuPosition, static_cast<int>(items.size()));
    const auto insertAt = [&](QAction* item) {
        owner_.insertAction(position < items.size() ? items[position] : nullptr, item);
        items.insert(position, item);
        ++position;
    };
    if (position > 0 && !items[position - 1]->isSeparator()) insertAt(TaggedSeparator());
    for (size_t index = 0; index < names.size(); ++index) {
        const std::string caption = ShowFullPath ? names[index] : ExtractFileName(names[index]);
        auto* entry = new QAction(MenuText(static_cast<int>(index) + 1, caption), &owner_);
        entry->setData(EntryTag);
        QObject::connect(entry, &QAction::triggered, &owner_, [this, entry] { Guarded([&] { EntryClick(entry); }); });
        insertAt(entry);
    }
    if (position < items.size() && !items[position]->isSeparator()) insertAt(TaggedSeparator());
}

void TMostRecentFilesMenu::EntryClick(QAction* item) {
    const QList<QAction*> items = owner_.actions();
    const auto first = std::find_if(items.begin(), items.end(), [](const QAction* candidate) { return Tagged(candidate); });
    const auto clicked = std::find(items.begin(), items.end(), item);
    if (first == items.end() || clicked == items.end()) return;
    const auto entries = first + ((*first)->isSeparator() ? 1 : 0);
    const auto n = clicked - entries;
    if (n < 0 || static_cast<size_t>(n) >= files_.Files().size()) return;
    const std::string name = files_.Files()[static_cast<size_t>(n)];
    // The pick goes to the top only once it has loaded (the loader adds
    // it): a file that fails to load keeps its place.
    if (FileExists(name)) {
        if (OnMenuClick) OnMenuClick(name);
        return;
    }
    if (OnFileNotExist)
        OnFileNotExist(name);
    else
        TDialogService::Instance().ShowMessage(FormatResStr(res::SFileNoLongerExists, {ShownFileNameText(name)}));
    files_.RemoveFile(name);
    Rebuild();
}

}  // namespace kestrune
