#include "look/ui/LookFenetre.h"

#include "look/LookStyles.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

namespace window_look {

namespace {

// Marks what LookFenetre set, so that another style can take it back.
constexpr const char* InputMark = "lookInputHighlight";

void setBackground(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

void setInputBackground(QWidget& widget, const QColor* highlight) {
    if (!highlight && !widget.property(InputMark).toBool()) {
        return; // as designed
    }
    QPalette palette = widget.palette();
    const QColor colour =
        highlight ? *highlight : QApplication::palette(&widget).color(QPalette::Base);
    palette.setColor(QPalette::Base, colour);
    // A combo that cannot be edited shows its field in the button colour.
    if (qobject_cast<QComboBox*>(&widget) && !static_cast<QComboBox&>(widget).isEditable()) {
        palette.setColor(QPalette::Button,
                         highlight ? *highlight
                                   : QApplication::palette(&widget).color(QPalette::Button));
    }
    widget.setPalette(palette);
    widget.setProperty(InputMark, highlight != nullptr);
}

void frame(QGroupBox& box, const LookStyle& style, const QPalette& platform) {
    box.setProperty(HeaderTop, colour(style.header.top, platform));
    box.setProperty(HeaderBottom, colour(style.header.bottom, platform));
    box.setProperty(HeaderBorder, colour(style.header.border, platform));
    // Styles 15 and 17, those of the input highlight, draw their frames in C1.
    setBackground(box, colour(style.inputHighlight ? style.c1 : style.c2, platform));
    // The header's height sets the frame's margins.
    QEvent restyled(QEvent::StyleChange);
    QCoreApplication::sendEvent(&box, &restyled);
}

void tabStrip(QTabWidget& tabs, const LookStyle& style, const QPalette& platform) {
    if (tabs.count() > 0) {
        tabs.setCurrentIndex(0);
    }
    QTabBar& bar = *tabs.tabBar();
    const bool gradients = style.tabGradients();
    if (!gradients && !bar.property(TabFrom).isValid()) {
        return; // as designed
    }
    const TabStripLook look = style.tabStrip();
    const auto set = [&bar, gradients, &platform](const char* name, const LookColour& c) {
        bar.setProperty(name, gradients ? QVariant(colour(c, platform)) : QVariant());
    };
    set(TabFrom, look.from);
    set(TabTo, look.to);
    set(TabActiveFrom, look.activeFrom);
    set(TabActiveTo, look.activeTo);
    set(TabActive, look.active);
    // The bold caption of the active tab widens the tabs.
    QEvent restyled(QEvent::StyleChange);
    QCoreApplication::sendEvent(&bar, &restyled);
    bar.update();
}

// A container (a plain widget or frame) drawn in the platform's window-background
// colour.
bool whiteContainer(const QWidget& widget, const QPalette& platform) {
    const QMetaObject* type = widget.metaObject();
    return (type == &QWidget::staticMetaObject || type == &QFrame::staticMetaObject) &&
           widget.autoFillBackground() && widget.testAttribute(Qt::WA_SetPalette) &&
           widget.palette().color(QPalette::Window) == platform.color(QPalette::Base);
}

void control(QWidget& widget, const LookStyle& style, const QPalette& platform) {
    const QColor c1 = colour(style.c1, platform);
    const QColor highlightColour = colour(look::InputHighlight, platform);
    const QColor* highlight = style.inputHighlight ? &highlightColour : nullptr;

    if (auto* tabs = qobject_cast<QTabWidget*>(&widget)) {
        tabStrip(*tabs, style, platform);
    } else if (qobject_cast<QCheckBox*>(&widget) || qobject_cast<QRadioButton*>(&widget)) {
        setBackground(widget, c1);
    } else if (qobject_cast<QLineEdit*>(&widget) || qobject_cast<QTextEdit*>(&widget) ||
               qobject_cast<QPlainTextEdit*>(&widget) || qobject_cast<QAbstractSpinBox*>(&widget)) {
        // A box drawn in the button-shadow colour is a display, not an input.
        if (widget.palette().color(QPalette::Base) != platform.color(QPalette::Dark)) {
            setInputBackground(widget, highlight);
        }
    } else if (qobject_cast<QAbstractItemView*>(&widget) || qobject_cast<QComboBox*>(&widget)) {
        setInputBackground(widget, highlight);
    } else if (auto* label = qobject_cast<QLabel*>(&widget)) {
        label->setAutoFillBackground(false);
        if (label->text() == u"...") {
            label->clear();
        }
    } else if (widget.objectName().startsWith(QLatin1String("ShapeFond")) ||
               whiteContainer(widget, platform)) {
        setBackground(widget, c1);
    }
}

} // namespace

QColor colour(const LookColour& colour, const QPalette& platform) {
    if (colour.buttonFace) {
        return platform.color(QPalette::Button);
    }
    return QColor(colour.red, colour.green, colour.blue);
}

QPalette stylePalette(const LookStyle& style, const QPalette& platform, const QPalette& fusion) {
    QPalette palette = fusion;
    palette.setColor(QPalette::Window, colour(style.c2, platform));
    palette.setColor(QPalette::Button, colour(style.c1, platform));
    return palette;
}

void LookFenetre(QWidget& window, const LookStyle& style, const QPalette& platform) {
    // Frames first: what they hold is set after them.
    QList<QGroupBox*> frames = window.findChildren<QGroupBox*>();
    if (auto* self = qobject_cast<QGroupBox*>(&window)) {
        frames.prepend(self);
    }
    for (QGroupBox* box : frames) {
        frame(*box, style, platform);
    }
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        control(*widget, style, platform);
    }
}

} // namespace window_look
