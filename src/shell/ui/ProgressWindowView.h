#pragma once

#include <QWidget>

class FrmMsg;
class QLabel;

// The start-up progress window: the current step on a small window with rounded
// corners, kept on top at the top of the screen while the program starts.
class ProgressWindowView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int CornerPixels = 24; // the corner ellipses' width and height

    ProgressWindowView(FrmMsg& model, double twipsPerPixel, QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* m_label = nullptr;
};
