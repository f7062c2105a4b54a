#include "shell/ui/ProgramIcon.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace {

constexpr int Sizes[] = {16, 22, 24, 32, 48, 64};

QPixmap tile(int size, const QColor& top, const QColor& bottom) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, size);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    const qreal radius = size / 5.0;
    painter.drawRoundedRect(QRectF(0.5, 0.5, size - 1.0, size - 1.0), radius, radius);
    return pixmap;
}

QPixmap meter(int size) {
    QPixmap pixmap = tile(size, QColor(64, 140, 220), QColor(20, 70, 150));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    // Four bars rising from left to right.
    const qreal margin = size * 0.2;
    const qreal step = (size - 2 * margin) / 4.0;
    const qreal width = step * 0.7;
    for (int bar = 0; bar < 4; ++bar) {
        const qreal height = (size - 2 * margin) * (0.35 + 0.65 * bar / 3.0);
        painter.drawRect(QRectF(margin + bar * step + (step - width) / 2, size - margin - height,
                                width, height));
    }
    return pixmap;
}

QPixmap warning(int size) {
    QPixmap pixmap = tile(size, QColor(240, 80, 60), QColor(170, 20, 20));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(qMax(8, int(size * 0.8)));
    painter.setFont(font);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("!"));
    return pixmap;
}

QIcon build(QPixmap (*draw)(int)) {
    QIcon icon;
    for (const int size : Sizes) {
        icon.addPixmap(draw(size));
    }
    return icon;
}

} // namespace

namespace ProgramIcon {

QIcon normal() {
    return build(&meter);
}

QIcon alert() {
    return build(&warning);
}

} // namespace ProgramIcon
