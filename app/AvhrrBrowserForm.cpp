#include "app/AvhrrBrowserForm.h"

#include "app/AvhrrBrowser.h"
#include "app/EventGuard.h"
#include "app/ImageDisplay.h"
#include "app/PersistingControls.h"
#include "platform/Guarded.h"
#include "platform/ProgramStrings.h"
#include "platform/RegistryVariables.h"
#include "platform/ResCodePages.h"
#include "render/JPEG_IO.h"
#include "shell/UHyShellControls.h"
#include "shell/UHyShellUtils.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace kestrune {

namespace {

constexpr char PreviewSuffix[] = ".thumb.jpg";

std::string Folder(const std::string& path) { return IncludeTrailingPathDelimiter(path); }

QString ShownPath(const std::string& path) { return QString::fromStdU16String(ShownFileName(path)); }

bool FolderExists(const std::string& path) { return !path.empty() && DirectoryExists(path); }

// A folder is remembered only once the window has shown one: a run that
// browsed nothing stores nothing, and the archive's folder stands. The top
// of the file system that such runs stored before gives way to the archive.
std::unique_ptr<TRegistryString> Remembered(const char* name, const std::string& base) {
    auto remembered = std::make_unique<TRegistryString>(name, base);
    remembered->WriteOnFree = false;
    if (remembered->Value == "/") remembered->Value = base;
    return remembered;
}

void Remember(TRegistryString& remembered, const std::string& folder) {
    remembered.Value = folder;
    remembered.WriteOnFree = true;
}

std::string SiblingBase(const char* program, const char* value) {
    return ArchiveBase(ReadSiblingRegistryString(program, value),
                       ReadSiblingRegistryString(std::string(program) + "-P", value), FolderExists);
}

}  // namespace

TFormBrowseAVHRR::TFormBrowseAVHRR(QWidget* parent) : QDialog(parent) {
    setObjectName("FormBrowseAVHRR");
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setMinimumSize(700, 500);
    setMaximumSize(1018, 750);
    resize(714, 500);
    BuildControls();
    const std::string avhrrBase = SiblingBase("Pelmarch", "CombinedPath");
    LastBrowseAvhrrFolder = Remembered("LastBrowseAvhrrFolder", avhrrBase);
    LastGoodAvhrrBase = Remembered("LastGoodAvhrrBase", avhrrBase);
    const std::string globalBase = SiblingBase("Dravoni", "GlobalProcessedPath");
    LastBrowseEpsGlobalFolder = Remembered("LastBrowseEpsGlobalFolder", globalBase);
    LastGoodEpsGlobalBase = Remembered("LastGoodEpsGlobalBase", globalBase);
    CheckBoxBrowserAvhrrHPT->Loaded();
    CheckBoxBrowserAvhrrJPEG->Loaded();
    UpdateFileFilter();
}

TFormBrowseAVHRR::~TFormBrowseAVHRR() = default;

void TFormBrowseAVHRR::BuildControls() {
    using namespace shell;
    HyShellTreeBrowse = new THyShellTree(this);
    HyShellTreeBrowse->setObjectName("HyShellTreeBrowse");
    HyShellTreeBrowse->SetOptions(hystoDynamicRefresh | hystoShowHidden);
    HyShellListBrowse = new THyShellList(this);
    HyShellListBrowse->setObjectName("HyShellListBrowse");
    HyShellListBrowse->SetOptions(hysloAutoFill | hysloContextMenus | hysloDynamicRefresh | hysloShowHidden);
    HyShellTreeBrowse->SetShellList(HyShellListBrowse);

    LabelBrowseFolder = new QLabel("Selected folder", this);
    LabelBrowseFolder->setObjectName("LabelBrowseFolder");
    LabelThumbnailImage = new QLabel(ToQt(resStr(res::SBrowseSelectedFile)), this);
    LabelThumbnailImage->setObjectName("LabelThumbnailImage");
    ScrollBoxThumbnail = new QScrollArea(this);
    ScrollBoxThumbnail->setObjectName("ScrollBoxThumbnail");
    ScrollBoxThumbnail->setAlignment(Qt::AlignCenter);
    ImageThumbnail = new QLabel;
    ImageThumbnail->setObjectName("ImageThumbnail");
    ScrollBoxThumbnail->setWidget(ImageThumbnail);
    ScrollBoxThumbnail->setWidgetResizable(false);

    ButtonToday = new QPushButton("Today", this);
    ButtonToday->setObjectName("ButtonToday");
    ButtonToday->setAutoDefault(false);
    const auto dayButton = [this](const char* name, Qt::ArrowType arrow, const char* tip) {
        auto* button = new QToolButton(this);
        button->setObjectName(name);
        button->setArrowType(arrow);
        button->setToolTip(tip);
        button->setEnabled(false);
        connect(button, &QToolButton::clicked, this, [this, button] { Guarded([&] { BitBtnDayChangeClick(button); }); });
        return button;
    };
    BitBtnYesterday = dayButton("BitBtnYesterday", Qt::LeftArrow, "Previous day");
    BitBtnTomorrow = dayButton("BitBtnTomorrow", Qt::RightArrow, "Next day");
    CheckBoxBrowserAvhrrHPT = new TqelCheckBox("HPT", this);
    CheckBoxBrowserAvhrrHPT->setObjectName("CheckBoxBrowserAvhrrHPT");
    CheckBoxBrowserAvhrrHPT->NamedAs = "BrowserAvhrrHPT";
    CheckBoxBrowserAvhrrJPEG = new TqelCheckBox("JPEG", this);
    CheckBoxBrowserAvhrrJPEG->setObjectName("CheckBoxBrowserAvhrrJPEG");
    CheckBoxBrowserAvhrrJPEG->NamedAs = "BrowserAvhrrJPEG";
    CheckBoxBrowserAvhrrJPEG->SetChecked(true);
    ButtonOpen = new QPushButton("Open", this);
    ButtonOpen->setObjectName("ButtonOpen");
    ButtonOpen->setEnabled(false);
    ButtonOpen->setAutoDefault(false);
    ButtonCancel = new QPushButton("Cancel", this);
    ButtonCancel->setObjectName("ButtonCancel");
    // Cancel is the default button: Enter closes the window as cancelled.
    ButtonCancel->setDefault(true);

    auto* left = new QSplitter(Qt::Vertical, this);
    left->addWidget(HyShellTreeBrowse);
    left->addWidget(HyShellListBrowse);
    left->setStretchFactor(0, 2);
    left->setStretchFactor(1, 3);
    auto* browsing = new QVBoxLayout;
    browsing->addWidget(LabelBrowseFolder);
    browsing->addWidget(left, 1);

    auto* days = new QHBoxLayout;
    days->addWidget(BitBtnYesterday);
    days->addWidget(ButtonToday, 1);
    days->addWidget(BitBtnTomorrow);
    auto* filters = new QHBoxLayout;
    auto* show = new QLabel("Show:", this);
    show->setObjectName("LabelShow");
    filters->addWidget(show);
    filters->addWidget(CheckBoxBrowserAvhrrHPT);
    filters->addWidget(CheckBoxBrowserAvhrrJPEG);
    filters->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOpen);
    buttons->addWidget(ButtonCancel);
    auto* preview = new QVBoxLayout;
    preview->addWidget(LabelThumbnailImage);
    preview->addWidget(ScrollBoxThumbnail, 1);
    preview->addLayout(days);
    preview->addLayout(filters);
    preview->addLayout(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(browsing, 3);
    layout->addLayout(preview, 2);

    const auto guarded = [this](void (TFormBrowseAVHRR::*handler)()) {
        return [this, handler] { Guarded([&] { (this->*handler)(); }); };
    };
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonOpen, &QPushButton::clicked, this, guarded(&TFormBrowseAVHRR::ButtonOpenClick));
    connect(ButtonToday, &QPushButton::clicked, this, guarded(&TFormBrowseAVHRR::ButtonTodayClick));
    HyShellTreeBrowse->OnClick = [this] { HyShellTreeBrowseClick(); };
    HyShellListBrowse->OnClick = [this] { HyShellTreeBrowseClick(); };
    HyShellTreeBrowse->OnChange = [this] { Guarded([this] { HyShellTreeBrowseChange(); }); };
    HyShellListBrowse->OnSelectItem = [this](int row, bool selected) { HyShellListBrowseSelectItem(row, selected); };
    HyShellListBrowse->OnDblClick = [this] { HyShellListBrowseDblClick(); };
    HyShellListBrowse->OnDblClickOpen = [](bool& handled) { handled = true; };
    CheckBoxBrowserAvhrrHPT->OnClick = [this] { UpdateFileFilter(); };
    CheckBoxBrowserAvhrrJPEG->OnClick = [this] { UpdateFileFilter(); };
}

TRegistryString& TFormBrowseAVHRR::LastBrowseFolder() {
    return BrowseMode == 1 ? *LastBrowseEpsGlobalFolder : *LastBrowseAvhrrFolder;
}

TRegistryString& TFormBrowseAVHRR::LastGoodBase() {
    return BrowseMode == 1 ? *LastGoodEpsGlobalBase : *LastGoodAvhrrBase;
}

void TFormBrowseAVHRR::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_F5 || event->modifiers() != Qt::NoModifier) return QDialog::keyPressEvent(event);
    event->accept();
    Guarded([this] {
        HyShellTreeBrowse->RefreshTree();
        HyShellListBrowse->RefreshChanges();
    });
}

void TFormBrowseAVHRR::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TFormBrowseAVHRR::FormShow() {
    if (!TreeBuilt) {
        HyShellTreeBrowse->RebuildTree();
        TreeBuilt = true;
    }
    setWindowTitle(ToQt(resStr(BrowseMode == 1 ? res::SBrowseMetop : res::SBrowseEars)));
    if (FolderExists(LastBrowseFolder().Value)) ShowFolder(LastBrowseFolder().Value);
}

void TFormBrowseAVHRR::ShowFolder(const std::string& path) {
    HyShellTreeBrowse->SetSelectedPath(WideFromFileName(path));
    HyShellTreeBrowseClick();
}

std::string TFormBrowseAVHRR::SelectedFolderPath() const {
    const std::u16string path = HyShellTreeBrowse->GetSelectedPath();
    return path.empty() ? std::string() : Folder(FileNameFromWide(path));
}

bool TFormBrowseAVHRR::ListShowsTreeFolder() const {
    return Folder(FileNameFromWide(shell::PathOfIdList(HyShellListBrowse->FolderIdList()))) == SelectedFolderPath();
}

// The tree's selection moved: by the keyboard, or by a refresh when the shown
// folder was deleted. Another folder is shown afresh (the pass chosen in the
// old one no longer counts); the same folder selected again keeps its pass.
void TFormBrowseAVHRR::HyShellTreeBrowseChange() {
    // The first build selects the tree's root before the remembered folder is restored.
    if (TreeBuilt && SelectedFolderPath() != ShownFolder) HyShellTreeBrowseClick();
}

void TFormBrowseAVHRR::ClearChosenPass() {
    ButtonOpen->setEnabled(false);
    ChosenDataFile.clear();
    LabelThumbnailImage->setText(ToQt(resStr(res::SBrowseSelectedFile)));
    ImageThumbnail->clear();
    ImageThumbnail->resize(0, 0);
}

void TFormBrowseAVHRR::HyShellTreeBrowseClick() {
    ClearChosenPass();
    try {
        const std::string path = SelectedFolderPath();
        ShownFolder = path;
        if (!FolderExists(path)) return;
        LabelBrowseFolder->setToolTip(ShownPath(path));
        const int room = HyShellListBrowse->width();
        const QFontMetrics metrics(LabelBrowseFolder->font());
        LabelBrowseFolder->setText(ShownPath(TrimFolderCaption(
            path, [&](const std::string& caption) { return metrics.horizontalAdvance(ShownPath(caption)) < room; })));
        Remember(LastBrowseFolder(), path);
        // The list's selection counts only once the list shows this folder.
        if (ListShowsTreeFolder()) {
            if (shell::THyShListData* record = HyShellListBrowse->GetSelectedData()) {
                const std::string file = FileNameFromWide(record->GetPathName());
                if (FileExists(file)) ShowPassThumbnail(file);
            }
        }
        const auto dated = ParseDatedFolder(path);
        const bool isDated = dated.has_value();
        if (isDated) Remember(LastGoodBase(), dated->Base);
        BitBtnYesterday->setEnabled(isDated);
        BitBtnTomorrow->setEnabled(isDated);
        BitBtnYesterday->setProperty("Tag", isDated ? static_cast<int>(std::floor(dated->Date - 1)) : 0);
        BitBtnTomorrow->setProperty("Tag", isDated ? static_cast<int>(std::floor(dated->Date + 1)) : 0);
    } catch (...) {
        // A folder that cannot be shown leaves the window as it is.
    }
}

void TFormBrowseAVHRR::ButtonTodayClick() {
    const std::string path = DatedFolderPath(LastGoodBase().Value, NowUtc());
    if (FolderExists(path)) ShowFolder(path);
}

void TFormBrowseAVHRR::BitBtnDayChangeClick(QToolButton* sender) {
    if (!sender) return;
    const std::string shown = SelectedFolderPath();
    if (shown.size() < DatedFolderLength) return;
    const std::string path =
        DatedFolderPath(shown.substr(0, shown.size() - DatedFolderLength), sender->property("Tag").toInt());
    if (FolderExists(path)) ShowFolder(path);
}

// The pass may have been deleted since it was chosen.
bool TFormBrowseAVHRR::ChosenFileExists() const { return !ChosenDataFile.empty() && FileExists(ChosenDataFile); }

void TFormBrowseAVHRR::ButtonOpenClick() {
    if (ChosenFileExists()) accept();
    else reject();
}

// A row selected by the keyboard shows as a click on it does: nothing of the row before stays.
void TFormBrowseAVHRR::HyShellListBrowseSelectItem(int row, bool selected) {
    if (!selected) return;
    shell::THyShListData* record = HyShellListBrowse->ItemData(row);
    if (!record) return;
    ClearChosenPass();
    const std::string file = FileNameFromWide(record->GetPathName());
    if (FileExists(file)) ShowPassThumbnail(file);
}

void TFormBrowseAVHRR::HyShellListBrowseDblClick() {
    if (ChosenFileExists()) accept();
}

void TFormBrowseAVHRR::ShowPassThumbnail(const std::string& fileName) {
    if (!FileExists(fileName)) return;
    const auto files = PairPassFiles(fileName, FindFileWithoutCase);
    if (!files) return;
    if (!files->Data.empty()) {
        ButtonOpen->setEnabled(true);
        ChosenDataFile = files->Data;
    }
    if (files->Preview.empty()) return;
    // Read aside: a preview that cannot be read whole (one cut short while
    // it is written) changes nothing, and says nothing.
    int width = 0, height = 0;
    if (!ReadJPEGSize(files->Preview, width, height)) return;
    const std::optional<int> scale = PreviewScale(width, height);
    if (!scale) return;
    TExtBitmap preview;
    if (!LoadJPEGFile(&preview, files->Preview, true, *scale)) return;
    const QImage image = ToImage(preview);
    ImageThumbnail->setPixmap(QPixmap::fromImage(image));
    ImageThumbnail->resize(image.size());
    std::string name = ExtractFileName(files->Preview);
    if (name.size() >= sizeof(PreviewSuffix) - 1) name.resize(name.size() - (sizeof(PreviewSuffix) - 1));
    LabelThumbnailImage->setText(ToQt(resStr(res::SFrom) + "  ") + ShownPath(name));
    ScrollBoxThumbnail->horizontalScrollBar()->setValue(
        std::max(0, (image.width() - ScrollBoxThumbnail->viewport()->width()) / 2));
}

void TFormBrowseAVHRR::UpdateFileFilter() {
    HyShellListBrowse->SetFileFilter(
        Utf8ToUtf16(BrowserFileFilter(CheckBoxBrowserAvhrrHPT->Checked(), CheckBoxBrowserAvhrrJPEG->Checked())));
    HyShellListBrowse->viewport()->update();
}

}  // namespace kestrune
