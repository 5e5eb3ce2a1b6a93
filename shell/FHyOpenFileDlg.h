// The dialog that chooses a file to open, over the shell controls: a folder
// tree, the folder's files, a name field and the filters. File names are
// bytes here, as everywhere in the shell controls: a folder or a file whose
// name is not text in the locale is listed, shown with U+FFFD, and opened by
// its own bytes (a file dialog that names files by characters leaves such
// names out).
#pragma once

#include <QDialog>
#include <QStringList>

#include <string>

class QComboBox;
class QLabel;
class QLineEdit;

namespace kestrune::shell {

class THyShellList;
class THyShellTree;

class THyOpenFileForm : public QDialog {
public:
    THyOpenFileForm(QWidget* parent, const QString& title);

    // Filters as "HRPT files (*.hpt *.raw16)": the masks of the last parentheses count.
    void SetNameFilters(const QStringList& filters);
    QStringList NameFilters() const { return filters_; }
    // The folder shown first, and the file offered in it (both as bytes).
    void SetFolder(const std::string& folder);
    void SelectFile(const std::string& path);
    // The existing file the name field names, as bytes; empty when none.
    std::string SelectedFile() const;
    // Open with the name of a folder goes into it; with the name of an
    // existing file takes it; with anything else stays.
    void accept() override;

    THyShellTree* Tree = nullptr;
    THyShellList* List = nullptr;
    QLineEdit* FileNameEdit = nullptr;
    QComboBox* FileTypeCombo = nullptr;
    // The folder shown, beside "Look in:".
    QLabel* LookInPath = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void ShowFolder();
    void ItemSelected(int row, bool selected);
    void FilterChosen(int index);
    std::string ShownFolder() const;
    // The name field's text as a path: the selected item's own bytes when it names that item.
    std::string NamedPath() const;

    QStringList filters_;
    std::string folder_;
    std::string selectedPath_;
    QString selectedText_;
};

// The ";"-separated masks of a filter's last parentheses ("*.hpt;*.raw16").
std::u16string MasksOfFilter(const QString& filter);

}  // namespace kestrune::shell
