#pragma once

#include "log/LogFileViewer.h"
#include "platform/DialogsHost.h"

#include <functional>

class PathSpace;
class QWidget;

// The dialogs of the windowed program: message boxes and questions titled as asked,
// with French buttons, the first one the default; a choice in a list; the
// base-choice window; the folder and log-file choosers, which speak Windows paths
// to the program and native paths to the desktop.
class WidgetDialogs final : public DialogsHost, public LogFileChooser {
public:
    // The program that the dialogs serve is built with them, so what they need of it
    // comes after: its path space; the window the dialogs belong to (the main window
    // once it exists); and a call made with true before a dialog shows and false
    // after it, so that windows kept on top step aside meanwhile.
    void attach(const PathSpace& paths, std::function<QWidget*()> parent,
                std::function<void(bool)> aroundDialog);

    Answer ask(const QString& title, const QString& text, Buttons buttons, Icon icon,
               Answer safeAnswer) override;
    int choose(const QString& title, const QString& prompt, const QStringList& items,
               int preselected, int safeChoice) override;
    // The base-choice window, modal over the main window.
    int chooseBase(const BaseChoice& choice) override;
    QString browseFolder(const QString& title, const QString& startFolder) override;
    std::optional<QString> chooseLogFile(const QString& initialFolder, const QString& filter,
                                         const QString& proposedFile) override;

    // A Windows dialog filter ("Logs|*.log") as a Qt one ("Logs (*.log)").
    static QString qtFilter(const QString& windowsFilter);

private:
    QWidget* parentWindow() const { return m_parent ? m_parent() : nullptr; }
    void around(bool before) const;
    QString toNative(const QString& windowsPath) const;
    QString toWindows(const QString& nativePath) const;

    const PathSpace* m_paths = nullptr;
    std::function<QWidget*()> m_parent;
    std::function<void(bool)> m_aroundDialog;
};
