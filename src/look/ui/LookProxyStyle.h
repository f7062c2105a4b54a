#pragma once

#include <QProxyStyle>

// The program's style on top of a base style (Fusion for the skins, the platform's
// own for the plain look): frames that LookFenetre has set are drawn with their
// header band, a gradient behind the caption in bold Arial 8, square corners and a
// one-pixel border; tab bars it has set, with gradient tabs and the active one's
// caption in bold; everything else is the base style's.
class LookProxyStyle final : public QProxyStyle {
    Q_OBJECT

public:
    // Takes ownership of base.
    explicit LookProxyStyle(QStyle* base);

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                         SubControl subControl, const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;

    // The frames' caption font.
    static QFont headerFont();

private:
    // A frame drawn here: one that carries its header colours and has no check box.
    static bool drawsFrame(const QStyleOptionComplex* option, const QWidget* widget);
    static int headerHeight();
    // A tab of a tab bar drawn here.
    static bool drawsTab(const QStyleOption* option, const QWidget* widget);
};
