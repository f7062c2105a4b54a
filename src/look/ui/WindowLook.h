#pragma once

#include <QObject>
#include <QPalette>
#include <QString>

class LookState;
class QWidget;

// Puts the look onto the program's windows, the top-level widgets whose object name
// starts with "Frm" (message boxes and file dialogs keep the application's look).
// Each time the look is applied, the application takes its style and palette and
// every window of the program passes through LookFenetre; a window shown for the
// first time afterwards passes through it then. Until the look is first applied,
// the windows keep the platform's own look.
class WindowLook final : public QObject {
    Q_OBJECT

public:
    // Takes the platform's style and palette as they stand: build it before anything
    // else changes them.
    explicit WindowLook(const LookState& look, QObject* parent = nullptr);

    // The window's controls, to the style in use.
    void LookFenetre(QWidget& window) const;

    const QPalette& platformPalette() const { return m_platformPalette; }
    const QString& platformStyle() const { return m_platformStyle; }
    static bool isProgramWindow(const QObject& object);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();

    const LookState& m_look;
    QPalette m_platformPalette;
    QString m_platformStyle;
    int m_generation = 0; // how many times the look was applied; 0: never
};
