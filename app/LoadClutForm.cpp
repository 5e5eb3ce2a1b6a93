#include "app/LoadClutForm.h"

#include "app/EventGuard.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrune {

TFormLoadCLUT::TFormLoadCLUT(QWidget* parent, std::string folder) : QDialog(parent), folder_(std::move(folder)) {
    setObjectName("FormLoadCLUT");
    setWindowTitle("Choose CLUT");
    auto* label = new QLabel("Available CLUTs", this);
    label->setObjectName("LabelAvailableCLUTs");
    ListBoxCLUTs = new QListWidget(this);
    ListBoxCLUTs->setObjectName("ListBoxCLUTs");
    ListBoxCLUTs->addItems(QDir(ToQt(folder_)).entryList({"CLUT_*.bmp"}, QDir::Files | QDir::Hidden | QDir::System));
    auto* use = new QPushButton("Use selected", this);
    use->setObjectName("ButtonUseLUT");
    auto* standard = new QPushButton("Use Standard", this);
    standard->setObjectName("ButtonStandardLUT");
    standard->setToolTip("Revert to factory CLUT");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("ButtonCancel");
    // The highlighted entry is the chosen one, however it came to be
    // highlighted: first at the start, by a click or by the arrow keys.
    connect(ListBoxCLUTs, &QListWidget::currentItemChanged, this, [this, use](QListWidgetItem* item) {
        Chosen = item != nullptr ? folder_ + item->text().toStdString() : std::string();
        use->setEnabled(item != nullptr);
    });
    connect(ListBoxCLUTs, &QListWidget::itemClicked, use, [use] { use->setFocus(); });
    use->setEnabled(false);
    ListBoxCLUTs->setCurrentRow(0);
    connect(use, &QPushButton::clicked, this, &QDialog::accept);
    connect(standard, &QPushButton::clicked, this, [this] {
        Chosen.clear();
        done(ResultUseStandard);
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {use, standard, cancel}) buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(ListBoxCLUTs);
    layout->addLayout(buttons);
    resize(360, 280);
}

std::string ClutAfterChoice(int result, const std::string& chosen, const std::string& previous) {
    if (result == QDialog::Accepted) return chosen;
    if (result == ResultUseStandard) return {};
    return previous;
}

}  // namespace kestrune
