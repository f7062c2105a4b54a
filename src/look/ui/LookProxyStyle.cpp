#include "look/ui/LookProxyStyle.h"

#include "look/ui/LookFenetre.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QStyleOptionGroupBox>
#include <QStyleOptionTab>
#include <QWidget>

namespace {

constexpr int CaptionIndent = 6; // pixels from the frame's left edge to its caption
constexpr int HeaderPadding = 4; // pixels above and below the caption

QColor colourProperty(const QWidget* widget, const char* name) {
    return widget->property(name).value<QColor>();
}

} // namespace

LookProxyStyle::LookProxyStyle(QStyle* base) : QProxyStyle(base) {}

QFont LookProxyStyle::headerFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    font.setBold(true);
    return font;
}

int LookProxyStyle::headerHeight() {
    return QFontMetrics(headerFont()).height() + 2 * HeaderPadding;
}

bool LookProxyStyle::drawsFrame(const QStyleOptionComplex* option, const QWidget* widget) {
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    return box && widget && widget->property(window_look::HeaderTop).isValid() &&
           !(box->subControls & SC_GroupBoxCheckBox);
}

QRect LookProxyStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                     SubControl subControl, const QWidget* widget) const {
    if (control != CC_GroupBox || !drawsFrame(option, widget)) {
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    }
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    const QRect& r = box->rect;
    const int header = headerHeight();
    switch (subControl) {
    case SC_GroupBoxFrame:
        return r;
    case SC_GroupBoxLabel:
        return QRect(r.left() + CaptionIndent, r.top(),
                     QFontMetrics(headerFont()).horizontalAdvance(box->text) + 2, header);
    case SC_GroupBoxContents:
        return r.adjusted(1, header, -1, -1);
    default:
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    }
}

void LookProxyStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                        QPainter* painter, const QWidget* widget) const {
    if (control != CC_GroupBox || !drawsFrame(option, widget)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    const QRect r = box->rect;
    const QRect header(r.left(), r.top(), r.width(), headerHeight());
    painter->save();
    painter->fillRect(r, box->palette.color(QPalette::Window));
    QLinearGradient band(header.topLeft(), header.bottomLeft());
    band.setColorAt(0, colourProperty(widget, window_look::HeaderTop));
    band.setColorAt(1, colourProperty(widget, window_look::HeaderBottom));
    painter->fillRect(header, band);
    painter->setPen(colourProperty(widget, window_look::HeaderBorder));
    painter->drawRect(r.adjusted(0, 0, -1, -1));
    painter->setFont(headerFont());
    painter->setPen(Qt::black);
    painter->drawText(subControlRect(CC_GroupBox, box, SC_GroupBoxLabel, widget),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, box->text);
    painter->restore();
}

bool LookProxyStyle::drawsTab(const QStyleOption* option, const QWidget* widget) {
    return qstyleoption_cast<const QStyleOptionTab*>(option) && widget &&
           widget->property(window_look::TabFrom).isValid();
}

void LookProxyStyle::drawControl(ControlElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
    const bool tabPart = element == CE_TabBarTabShape || element == CE_TabBarTabLabel;
    if (!tabPart || !drawsTab(option, widget)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const bool active = option->state & State_Selected;
    if (element == CE_TabBarTabLabel) {
        painter->save();
        QFont font = painter->font();
        font.setBold(active);
        painter->setFont(font);
        QProxyStyle::drawControl(element, option, painter, widget);
        painter->restore();
        return;
    }
    const QRect r = option->rect.adjusted(0, 0, -1, 0);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(
        0, colourProperty(widget, active ? window_look::TabActiveFrom : window_look::TabFrom));
    fill.setColorAt(1,
                    colourProperty(widget, active ? window_look::TabActiveTo : window_look::TabTo));
    painter->save();
    painter->fillRect(r, fill);
    painter->setPen(active ? colourProperty(widget, window_look::TabActive)
                           : option->palette.color(QPalette::Dark));
    painter->drawRect(r.adjusted(0, 0, 0, -1));
    painter->restore();
}

QSize LookProxyStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                       const QSize& size, const QWidget* widget) const {
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_TabBarTab && drawsTab(option, widget)) {
        // Room for the caption in bold, whichever tab is active.
        const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
        QFont bold = widget->font();
        bold.setBold(true);
        const int extra = QFontMetrics(bold).horizontalAdvance(tab->text) -
                          QFontMetrics(widget->font()).horizontalAdvance(tab->text);
        result.rwidth() += qMax(0, extra);
    }
    return result;
}
