#pragma once

#include <QObject>

class FormField;
class QWidget;

// Keeps a top-level window and its model in step, both ways: place and size (the
// model in twips, the widget in pixels), minimised or maximised, shown or hidden,
// kept on top, busy cursor, and the flash that asks the desktop for attention.
class FormBinding final : public QObject {
    Q_OBJECT

public:
    // twipsPerPixel: 15 at 96 dpi.
    FormBinding(QWidget& window, FormField& form, double twipsPerPixel);

    // The model's place and size, onto the window.
    void applyGeometry();

    int toPixels(int twips) const;
    int toTwips(int pixels) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyVisible(bool visible);
    void applyTopmost(bool topmost);
    void readGeometry();

    QWidget& m_window;
    FormField& m_form;
    double m_twipsPerPixel;
    bool m_applying = false; // a change made from the model is not echoed back
};
