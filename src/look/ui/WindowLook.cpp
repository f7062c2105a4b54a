#include "look/ui/WindowLook.h"

#include "look/LookState.h"
#include "look/ui/LookFenetre.h"
#include "look/ui/LookProxyStyle.h"

#include <QApplication>
#include <QEvent>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace {

// The look's application a window last passed through.
constexpr const char* GenerationMark = "lookGeneration";

const QString SkinBase = QStringLiteral("Fusion");

} // namespace

namespace {

// The style the platform gave the application, beneath the look's own.
QString platformStyleName() {
    const QStyle* style = QApplication::style();
    if (const auto* look = qobject_cast<const LookProxyStyle*>(style)) {
        style = look->baseStyle();
    }
    return style->name();
}

} // namespace

WindowLook::WindowLook(const LookState& look, QObject* parent)
    : QObject(parent), m_look(look), m_platformPalette(QApplication::palette()),
      m_platformStyle(platformStyleName()) {
    connect(&look, &LookState::changed, this, &WindowLook::apply);
    qApp->installEventFilter(this);
}

bool WindowLook::isProgramWindow(const QObject& object) {
    if (!object.isWidgetType()) {
        return false;
    }
    const auto& widget = static_cast<const QWidget&>(object);
    return widget.isWindow() && widget.objectName().startsWith(QLatin1String("Frm"));
}

void WindowLook::LookFenetre(QWidget& window) const {
    window_look::LookFenetre(window, m_look.colours(), m_platformPalette);
    window.setProperty(GenerationMark, m_generation);
}

void WindowLook::apply() {
    ++m_generation;
    const bool platform = m_look.platformLook();
    QStyle* base = QStyleFactory::create(platform ? m_platformStyle : SkinBase);
    if (!base) {
        base = QStyleFactory::create(SkinBase);
    }
    auto* style = new LookProxyStyle(base);
    QApplication::setStyle(style); // the application owns it from here
    QApplication::setPalette(platform
                                 ? m_platformPalette
                                 : window_look::stylePalette(m_look.colours(), m_platformPalette,
                                                             style->standardPalette()));
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (isProgramWindow(*window)) {
            LookFenetre(*window);
        }
    }
}

bool WindowLook::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && m_generation > 0 && isProgramWindow(*watched)) {
        auto* window = static_cast<QWidget*>(watched);
        if (window->property(GenerationMark).toInt() != m_generation) {
            LookFenetre(*window);
        }
    }
    return QObject::eventFilter(watched, event);
}
