#include "shell/FHyFolderBrowseDlg.h"

#include "platform/Guarded.h"
#include "platform/ProgramStrings.h"
#include "shell/UHyShellControls.h"
#include "shell/UHyShellUtils.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSizeGrip>
#include <QStyle>
#include <QToolButton>

namespace kestrune::shell {

namespace {

QToolButton* SpeedButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const std::string& hint,
                         const std::string& help) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setAutoRaise(true);
    button->setFixedSize(25, 24);
    button->setToolTip(QString::fromStdString(hint));
    button->setStatusTip(QString::fromStdString(help));
    return button;
}

QPushButton* Button(QWidget* parent, const char* name, const std::string& caption) {
    auto* button = new QPushButton(QString::fromStdString(caption), parent);
    button->setObjectName(name);
    button->setFixedSize(75, 23);
    return button;
}

}  // namespace

THyFrmFolderBrowseDlg::THyFrmFolderBrowseDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("HyFrmFolderBrowseDlg");
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    resize(356, 313);
    CreateNewFolderBtn = SpeedButton(this, "CreateNewFolderBtn", QStyle::SP_FileDialogNewFolder, resStr(res::SCreateFolder),
                                     resStr(res::SCreateFolderHint));
    DeleteFolderBtn = SpeedButton(this, "DeleteFolderBtn", QStyle::SP_TrashIcon, resStr(res::SDeleteFolder), resStr(res::SDeleteFolderHint));
    StatusTxt = new QLabel(this);
    StatusTxt->setObjectName("StatusTxt");
    HyShellTree1 = new THyShellTree(this);
    HyShellTree1->setObjectName("HyShellTree1");
    HyShellTree1->SetOptions(hystoVirtualFolders | hystoDesignInteractive | hystoContextMenus | hystoDynamicRefresh);
    HyShellTree1->setRootIsDecorated(true);
    HyShellTree1->setIndentation(19);
    OkBtn = Button(this, "OkBtn", resStr(res::SOk));
    OkBtn->setDefault(true);
    CancelBtn = Button(this, "CancelBtn", resStr(res::SCancel));
    DeleteBtn = Button(this, "DeleteBtn", resStr(res::SDeleteEllipsis));
    CreateBtn = Button(this, "CreateBtn", resStr(res::SCreateEllipsis));

    auto* top = new QHBoxLayout;
    top->addWidget(StatusTxt, 1);
    top->addWidget(CreateNewFolderBtn);
    top->addWidget(DeleteFolderBtn);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CreateBtn);
    bottom->addWidget(DeleteBtn);
    bottom->addStretch(1);
    bottom->addWidget(OkBtn);
    bottom->addWidget(CancelBtn);
    bottom->addWidget(new QSizeGrip(this), 0, Qt::AlignBottom | Qt::AlignRight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 3, 2, 2);
    layout->addLayout(top);
    layout->addWidget(HyShellTree1, 1);
    layout->addLayout(bottom);

    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    const auto newFolder = [this] { Guarded([this] { HyShellTree1->CreateNewFolder(); }); };
    const auto deleteFolder = [this] { Guarded([this] { DeleteFolder(); }); };
    connect(CreateBtn, &QPushButton::clicked, this, newFolder);
    connect(CreateNewFolderBtn, &QToolButton::clicked, this, newFolder);
    connect(DeleteBtn, &QPushButton::clicked, this, deleteFolder);
    connect(DeleteFolderBtn, &QToolButton::clicked, this, deleteFolder);
    HyShellTree1->OnChange = [this] { SelectionChanged(); };
}

void THyFrmFolderBrowseDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Guarded([this] {
        HyShellTree1->SetOptions(HyShellTree1->Options() | hystoAutoFill);
        HyShellTree1->RebuildTree();
        if (OnFormShow) OnFormShow();
    });
}

void THyFrmFolderBrowseDlg::done(int result) {
    QDialog::done(result);
    if (OnFormClose) Guarded(OnFormClose);
}

void THyFrmFolderBrowseDlg::SelectionChanged() {
    const QModelIndex node = HyShellTree1->currentIndex();
    THyShTreeData* record = HyShellTree1->NodeData(node);
    if (!record) return;
    const bool hasPath = !PathOfIdList(record->AbsoluteIdList()).empty();
    const bool first = !node.parent().isValid() && node.row() == 0;
    CreateBtn->setEnabled(hasPath);
    CreateNewFolderBtn->setEnabled(hasPath);
    DeleteBtn->setEnabled(hasPath && !first);
    DeleteFolderBtn->setEnabled(DeleteBtn->isEnabled());
    if (OnSelChange) OnSelChange(record->AbsoluteIdList());
}

void THyFrmFolderBrowseDlg::DeleteFolder() {
    HyShellTree1->InvokeNodeVerb(HyShellTree1->currentIndex(), "delete");
    HyShellTree1->RefreshTree();
}

void THyCustomFolderBrowseDlg::SetText(const WideString& text) {
    text_ = text;
    if (auto* form = dynamic_cast<THyFrmFolderBrowseDlg*>(Form())) form->StatusTxt->setText(QString::fromStdU16String(text));
}

std::unique_ptr<QDialog> THyCustomFolderBrowseDlg::CreateForm() {
    return std::make_unique<THyFrmFolderBrowseDlg>(QApplication::activeWindow());
}

void THyCustomFolderBrowseDlg::InitForm(QDialog& dialog) {
    auto& form = static_cast<THyFrmFolderBrowseDlg&>(dialog);
    form.OnSelChange = [this](const TItemIdList& selection) {
        if (OnSelChange) OnSelChange(selection);
    };
    form.HyShellTree1->OnAddItem = OnAddItem;
    form.OnFormShow = OnFormShow;
    form.OnFormClose = OnFormClose;
    form.StatusTxt->setText(QString::fromStdU16String(text_));
    THyDialog::InitForm(form);
    THyShellTree& tree = *form.HyShellTree1;
    const auto treeOption = [&](uint16_t option, uint16_t treeBit) {
        tree.SetOptions(Options & option ? tree.Options() | treeBit : tree.Options() & ~treeBit);
    };
    treeOption(hyfbContextMenus, hystoContextMenus);
    treeOption(hyfbIncludeNonFolders, hystoIncludeNonFolders);
    treeOption(hyfbOleDrag, hystoOleDrag);
    treeOption(hyfbOleDrop, hystoOleDrop);
    treeOption(hyfbVirtualFolders, hystoVirtualFolders);
    treeOption(hyfbShowHidden, hystoShowHidden);
    form.CreateBtn->setVisible(Options & hyfbCreateDeleteButtons);
    form.DeleteBtn->setVisible(Options & hyfbCreateDeleteButtons);
    form.CreateNewFolderBtn->setVisible(Options & hyfbCreateFolderIcon);
    form.DeleteFolderBtn->setVisible(Options & hyfbDeleteFolderIcon);
    if (Options & hyfbReadOnly) tree.setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree.BaseFolder.Assign(&BaseFolder);
    tree.SetSelectedFolder(FolderLocator);
}

void THyCustomFolderBrowseDlg::FormClosed(QDialog& dialog, bool ok) {
    THyDialog::FormClosed(dialog, ok);
    if (ok) FolderLocator.Assign(&static_cast<THyFrmFolderBrowseDlg&>(dialog).HyShellTree1->SelectedFolder);
}

}  // namespace kestrune::shell
