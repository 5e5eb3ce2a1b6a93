#include "shell/FHyOpenFileDlg.h"

#include "platform/Guarded.h"
#include "platform/ResCodePages.h"
#include "platform/SysUtils.h"
#include "shell/UHyShellControls.h"
#include "shell/UHyShellUtils.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>

namespace kestrune::shell {

namespace {

// Qt's own words for these, so that its catalogue of the language in effect speaks them.
QString QtText(const char* text) { return QCoreApplication::translate("QFileDialog", text); }

QLabel* NamedLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

std::u16string MasksOfFilter(const QString& filter) {
    const qsizetype open = filter.lastIndexOf('(');
    const qsizetype close = filter.lastIndexOf(')');
    if (open < 0 || close < open) return u"*";
    return filter.mid(open + 1, close - open - 1).simplified().replace(' ', ';').toStdU16String();
}

THyOpenFileForm::THyOpenFileForm(QWidget* parent, const QString& title) : QDialog(parent) {
    setWindowTitle(title);
    resize(720, 480);
    BuildControls();
}

void THyOpenFileForm::BuildControls() {
    Tree = new THyShellTree(this);
    Tree->setObjectName("treeView");
    Tree->SetOptions(hystoDynamicRefresh | hystoShowHidden);
    List = new THyShellList(this);
    List->setObjectName("listView");
    List->SetOptions(hysloAutoFill | hysloDynamicRefresh);
    Tree->SetShellList(List);
    auto* panes = new QSplitter(Qt::Horizontal, this);
    panes->addWidget(Tree);
    panes->addWidget(List);
    panes->setStretchFactor(1, 2);

    FileNameEdit = new QLineEdit(this);
    FileNameEdit->setObjectName("fileNameEdit");
    FileTypeCombo = new QComboBox(this);
    FileTypeCombo->setObjectName("fileTypeCombo");
    // A filter naming thirty kinds of file does not widen the window.
    FileTypeCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    FileTypeCombo->setMinimumContentsLength(40);
    LookInPath = new QLabel(this);
    LookInPath->setObjectName("lookInPath");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("buttonBox");

    auto* layout = new QGridLayout(this);
    layout->addWidget(NamedLabel("lookInLabel", QtText("Look in:"), this), 0, 0);
    layout->addWidget(LookInPath, 0, 1, 1, 2);
    layout->addWidget(panes, 1, 0, 1, 3);
    QLabel* nameLabel = NamedLabel("fileNameLabel", QtText("File &name:"), this);
    nameLabel->setBuddy(FileNameEdit);
    layout->addWidget(nameLabel, 2, 0);
    layout->addWidget(FileNameEdit, 2, 1);
    QLabel* typeLabel = NamedLabel("fileTypeLabel", QtText("Files of type:"), this);
    typeLabel->setBuddy(FileTypeCombo);
    layout->addWidget(typeLabel, 3, 0);
    layout->addWidget(FileTypeCombo, 3, 1);
    layout->addWidget(buttons, 2, 2, 2, 1);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(1, 1);
    Tree->OnChange = [this] { LookInPath->setText(QString::fromStdU16String(ShownFileName(Tree->GetSelectedPath()))); };

    connect(buttons, &QDialogButtonBox::accepted, this, &THyOpenFileForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FileTypeCombo, &QComboBox::currentIndexChanged, this,
            [this](int index) { Guarded([&] { FilterChosen(index); }); });
    List->OnSelectItem = [this](int row, bool selected) { ItemSelected(row, selected); };
    // A file double-clicked is taken; a folder is opened by the list itself.
    List->OnDblClickOpen = [this](bool& handled) {
        THyShListData* record = List->GetSelectedData();
        handled = record && !record->IsFolder(false);
        if (handled) accept();
    };
}

void THyOpenFileForm::SetNameFilters(const QStringList& filters) {
    filters_ = filters;
    FileTypeCombo->clear();
    // Shown without the masks, which the list's filter takes.
    for (const QString& filter : filters) FileTypeCombo->addItem(filter.left(filter.lastIndexOf(" (")));
}

void THyOpenFileForm::FilterChosen(int index) {
    if (index >= 0 && index < filters_.size()) List->SetFileFilter(MasksOfFilter(filters_[index]));
}

void THyOpenFileForm::SetFolder(const std::string& folder) {
    folder_ = folder;
    if (isVisible()) ShowFolder();
}

// The tree is built once the window is up, as the pass browser's is.
void THyOpenFileForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Guarded([this] {
        Tree->RebuildTree();
        ShowFolder();
    });
}

void THyOpenFileForm::ShowFolder() {
    if (DirectoryExists(folder_)) Tree->SetSelectedPath(WideFromFileName(folder_));
}

void THyOpenFileForm::SelectFile(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos) SetFolder(path.substr(0, slash == 0 ? 1 : slash));
    selectedPath_ = path;
    selectedText_ = QString::fromStdU16String(ShownFileName(path.substr(slash == std::string::npos ? 0 : slash + 1)));
    FileNameEdit->setText(selectedText_);
}

void THyOpenFileForm::ItemSelected(int row, bool selected) {
    THyShListData* record = List->ItemData(row);
    if (!selected || !record || record->IsFolder(false)) return;
    selectedPath_ = FileNameFromWide(record->GetPathName());
    selectedText_ = QString::fromStdU16String(ShownFileName(record->DisplayName()));
    FileNameEdit->setText(selectedText_);
}

std::string THyOpenFileForm::ShownFolder() const { return FileNameFromWide(Tree->GetSelectedPath()); }

std::string THyOpenFileForm::NamedPath() const {
    const QString text = FileNameEdit->text();
    if (text.isEmpty()) return {};
    if (!selectedPath_.empty() && text == selectedText_) return selectedPath_;
    const std::string typed = FileNameFromWide(text.toStdU16String());
    return typed.front() == '/' ? typed : IncludeTrailingPathDelimiter(ShownFolder()) + typed;
}

std::string THyOpenFileForm::SelectedFile() const {
    const std::string path = NamedPath();
    return FileExists(path) ? path : std::string();
}

void THyOpenFileForm::accept() {
    Guarded([this] {
        const std::string path = NamedPath();
        if (DirectoryExists(path)) {
            SetFolder(path);
            FileNameEdit->clear();
        } else if (FileExists(path)) {
            selectedPath_ = path;
            selectedText_ = FileNameEdit->text();
            QDialog::accept();
        } else {
            QApplication::beep();
        }
    });
}

}  // namespace kestrune::shell
