// The folder-browse dialog: a modal window with a shell folder tree in which
// the user picks a folder (and may create or delete folders); on OK the
// dialog's folder is the one chosen.
#pragma once

#include "shell/FHyOpenDlg.h"
#include "shell/UHyShellLocator.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QToolButton;

namespace kestrune::shell {

class THyShellTree;

enum THyFolderBrowseDlgOption : uint16_t {
    hyfbCreateDeleteButtons = 1 << 0,
    hyfbContextMenus = 1 << 1,
    hyfbReadOnly = 1 << 2,
    hyfbIncludeNonFolders = 1 << 3,
    hyfbOleDrag = 1 << 4,
    hyfbOleDrop = 1 << 5,
    hyfbCreateFolderIcon = 1 << 6,
    hyfbDeleteFolderIcon = 1 << 7,
    hyfbVirtualFolders = 1 << 8,
    hyfbShowHidden = 1 << 9,
    hyfbIconOverlays = 1 << 10,
};
constexpr uint16_t DefaultFolderBrowseOptions = 706;

using TAddItemEvent = std::function<void(const TItemIdList& parent, const TItemIdList& item, uint32_t attributes, bool& allowAdd)>;

// The dialog's window.
class THyFrmFolderBrowseDlg : public QDialog {
public:
    explicit THyFrmFolderBrowseDlg(QWidget* parent);

    QToolButton* CreateNewFolderBtn = nullptr;
    QToolButton* DeleteFolderBtn = nullptr;
    QLabel* StatusTxt = nullptr;
    THyShellTree* HyShellTree1 = nullptr;
    QPushButton* OkBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* DeleteBtn = nullptr;
    QPushButton* CreateBtn = nullptr;

    std::function<void(const TItemIdList& selection)> OnSelChange;
    std::function<void()> OnFormShow;
    std::function<void()> OnFormClose;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void SelectionChanged();
    void DeleteFolder();
};

class THyCustomFolderBrowseDlg : public THyDialog {
public:
    THyShellLocator BaseFolder;
    THyShellLocator FolderLocator;
    uint16_t Options = DefaultFolderBrowseOptions;
    TAddItemEvent OnAddItem;
    std::function<void(const TItemIdList& selection)> OnSelChange;

    WideString GetFolderPath() { return FolderLocator.GetPath(); }
    void SetFolderPath(const WideString& path) { FolderLocator.SetPath(path); }
    const WideString& Text() const { return text_; }
    // Shows at once on a running window.
    void SetText(const WideString& text);

protected:
    const char* ClassName() const override { return "THyFolderBrowseDlg"; }
    std::unique_ptr<QDialog> CreateForm() override;
    void InitForm(QDialog& form) override;
    void FormClosed(QDialog& form, bool ok) override;

private:
    WideString text_;
};

class THyFolderBrowseDlg : public THyCustomFolderBrowseDlg {};

}  // namespace kestrune::shell
