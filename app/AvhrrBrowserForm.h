// The pass browser: a modal window over the archive of dated folders kept by
// the sibling programs, with a folder tree, the folder's passes and previews,
// the chosen pass's preview, and buttons that step by day. On OK the caller
// opens ChosenDataFile.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QToolButton;

namespace kestrune {

class TRegistryString;
class TqelCheckBox;
namespace shell {
class THyShellList;
class THyShellTree;
}  // namespace shell

class TFormBrowseAVHRR : public QDialog {
public:
    explicit TFormBrowseAVHRR(QWidget* parent);
    // Writes the remembered folders.
    ~TFormBrowseAVHRR() override;

    // 1: the global MetOp archive; any other value: the EARS AVHRR archive.
    uint8_t BrowseMode = 0;
    // The data file Open returns; empty when none.
    std::string ChosenDataFile;

    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonOpen = nullptr;
    shell::THyShellTree* HyShellTreeBrowse = nullptr;
    shell::THyShellList* HyShellListBrowse = nullptr;
    QLabel* LabelBrowseFolder = nullptr;
    QScrollArea* ScrollBoxThumbnail = nullptr;
    QLabel* LabelThumbnailImage = nullptr;
    QLabel* ImageThumbnail = nullptr;
    QPushButton* ButtonToday = nullptr;
    QToolButton* BitBtnYesterday = nullptr;
    QToolButton* BitBtnTomorrow = nullptr;
    TqelCheckBox* CheckBoxBrowserAvhrrHPT = nullptr;
    TqelCheckBox* CheckBoxBrowserAvhrrJPEG = nullptr;

    // The handlers, as the controls run them.
    void HyShellTreeBrowseClick();
    void HyShellTreeBrowseChange();
    void ButtonTodayClick();
    void BitBtnDayChangeClick(QToolButton* sender);
    void ButtonOpenClick();
    void ShowPassThumbnail(const std::string& fileName);
    void UpdateFileFilter();

protected:
    void showEvent(QShowEvent* event) override;
    // F5 looks at the disk again: the tree's open folders and the list.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    // No pass chosen, no preview: what showing a folder or a row starts from.
    void ClearChosenPass();
    void FormShow();
    void HyShellListBrowseSelectItem(int row, bool selected);
    void HyShellListBrowseDblClick();
    void ShowFolder(const std::string& path);
    TRegistryString& LastBrowseFolder();
    TRegistryString& LastGoodBase();
    std::string SelectedFolderPath() const;
    bool ChosenFileExists() const;
    // The list shows the folder selected in the tree (it follows a moment later).
    bool ListShowsTreeFolder() const;

    bool TreeBuilt = false;
    // The folder the label, the day buttons and the preview were last set for.
    std::string ShownFolder;
    std::unique_ptr<TRegistryString> LastBrowseAvhrrFolder;
    std::unique_ptr<TRegistryString> LastBrowseEpsGlobalFolder;
    std::unique_ptr<TRegistryString> LastGoodAvhrrBase;
    std::unique_ptr<TRegistryString> LastGoodEpsGlobalBase;
};

}  // namespace kestrune
