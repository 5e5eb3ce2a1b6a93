// Two small windows of the main window: the line-by-line diagnostics of
// the pass, and the about box with the version and the map data's sources.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QAction;
class QLabel;
class QPlainTextEdit;

namespace kestrune {

// The load's line-by-line findings, shown beside the main window (not modal).
class TFormLineByLine : public QDialog {
public:
    // While this window is active, pageDown (Ctrl+C of the main window) is
    // off, so that the key copies from the memo.
    TFormLineByLine(QWidget* parent, QAction* pageDown);

    void ShowLines(const std::vector<std::string>& lines);

protected:
    void changeEvent(QEvent* event) override;

private:
    QPlainTextEdit* MemoDecode;
    QAction* pageDown_;
};

class TFormAboutBox : public QDialog {
public:
    explicit TFormAboutBox(QWidget* parent);

    void WebSiteClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Comments;
    QLabel* WebSite;
    // Where the map data comes from and its licences.
    QLabel* LabelMapData;
};

}  // namespace kestrune
