#pragma once

#include <QSize>

// The screen the windows are placed on: its size and the factor between the windows'
// twips and the screen's pixels.
class Screen {
public:
    virtual ~Screen() = default;
    virtual QSize sizeInPixels() const = 0;
    // 1440 / the logical dpi: 15 at 96 dpi.
    virtual double twipsPerPixel() const = 0;

    int widthInTwips() const { return qRound(sizeInPixels().width() * twipsPerPixel()); }
    int heightInTwips() const { return qRound(sizeInPixels().height() * twipsPerPixel()); }
};

// A screen of a fixed size: the program without windows, and the tests.
class FixedScreen final : public Screen {
public:
    FixedScreen() = default;
    FixedScreen(QSize pixels, double twipsPerPixel) : m_pixels(pixels), m_twips(twipsPerPixel) {}

    QSize sizeInPixels() const override { return m_pixels; }
    double twipsPerPixel() const override { return m_twips; }

private:
    QSize m_pixels{1920, 1080};
    double m_twips = 15.0;
};
