// The recent-file list shown as numbered entries inside a menu. The entries
// (and the separators that set them apart) carry a tag by which they are
// found again when the menu is rebuilt. A click on an entry whose file
// exists moves it to the top and reports it; an entry whose file is gone is
// reported and dropped.
#pragma once

#include "app/MruUnit.h"

#include <functional>
#include <string>

class QAction;
class QMenu;

namespace kestrune {

class TMostRecentFilesMenu {
public:
    // Tag of the entries this list puts into the menu.
    static constexpr int EntryTag = 0xBAD1DEA;

    TMostRecentFilesMenu(TMostRecentFiles& files, QMenu& ownerMenuItem);
    TMostRecentFilesMenu(const TMostRecentFilesMenu&) = delete;
    TMostRecentFilesMenu& operator=(const TMostRecentFilesMenu&) = delete;

    // Where the entries start among the menu's items.
    int MenuPosition = 0;
    bool ShowFullPath = false;
    // An entry whose file exists was clicked.
    std::function<void(const std::string& fileName)> OnMenuClick;
    // An entry whose file no longer exists was clicked (unset: a message says so).
    std::function<void(const std::string& fileName)> OnFileNotExist;

    // Puts the list's entries into the menu again.
    void Rebuild();
    // The click on a tagged entry.
    void EntryClick(QAction* item);

    TMostRecentFiles& Files() { return files_; }

private:
    QAction* TaggedSeparator();

    TMostRecentFiles& files_;
    QMenu& owner_;
};

}  // namespace kestrune
