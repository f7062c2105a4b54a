#include "model/ui/FormBinding.h"

#include "model/WindowFields.h"

#include <QApplication>
#include <QEvent>
#include <QScopedValueRollback>
#include <QWidget>

#include <cmath>

FormBinding::FormBinding(QWidget& window, FormField& form, double twipsPerPixel)
    : QObject(&window), m_window(window), m_form(form),
      m_twipsPerPixel(twipsPerPixel > 0 ? twipsPerPixel : 15.0) {
    applyGeometry();
    applyTopmost(form.topmost());
    m_window.installEventFilter(this);
    connect(&form.Geometry, &GeometryField::geometryChanged, this, [this] {
        if (!m_applying) {
            applyGeometry();
        }
    });
    connect(&form, &FormField::visibleChanged, this, [this](bool visible) {
        if (!m_applying) {
            applyVisible(visible);
        }
    });
    connect(&form, &FormField::topmostChanged, this, [this](bool on) { applyTopmost(on); });
    connect(&form, &FormField::busyChanged, this, [this](bool busy) {
        if (busy) {
            m_window.setCursor(Qt::WaitCursor);
        } else {
            m_window.unsetCursor();
        }
    });
    connect(&form, &FormField::flashed, this, [this](bool state) {
        if (state && m_window.isVisible()) {
            QApplication::alert(&m_window); // the window manager's urgency hint
        }
    });
    connect(&form, &FormField::focusRequested, this, [this] {
        if (m_window.isVisible()) {
            m_window.raise();
            m_window.activateWindow();
        }
    });
    connect(&form, &FormField::windowStateChanged, this, [this] {
        if (m_applying) {
            return;
        }
        const QScopedValueRollback<bool> guard(m_applying, true);
        switch (m_form.windowState()) {
        case FormField::WindowState::Minimized:
            m_window.setWindowState(Qt::WindowMinimized);
            break;
        case FormField::WindowState::Maximized:
            m_window.setWindowState(Qt::WindowMaximized);
            break;
        case FormField::WindowState::Normal:
            m_window.setWindowState(Qt::WindowNoState);
            break;
        }
    });
    if (form.visible()) {
        applyVisible(true);
    }
}

int FormBinding::toPixels(int twips) const {
    return int(std::lround(double(twips) / m_twipsPerPixel));
}

int FormBinding::toTwips(int pixels) const {
    return int(std::lround(double(pixels) * m_twipsPerPixel));
}

void FormBinding::applyGeometry() {
    const QScopedValueRollback<bool> guard(m_applying, true);
    const GeometryField& g = m_form.Geometry;
    m_window.move(toPixels(g.left()), toPixels(g.top()));
    if (g.width() > 0 && g.height() > 0) {
        m_window.resize(toPixels(g.width()), toPixels(g.height()));
    }
}

void FormBinding::applyVisible(bool visible) {
    const QScopedValueRollback<bool> guard(m_applying, true);
    if (visible) {
        m_window.show();
        m_window.raise();
        m_window.activateWindow();
    } else {
        m_window.hide();
    }
}

void FormBinding::applyTopmost(bool topmost) {
    if (m_window.windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topmost) {
        return;
    }
    const bool shown = m_window.isVisible();
    m_window.setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (shown) {
        m_window.show(); // a change of flags hides the window
    }
}

void FormBinding::readGeometry() {
    const QScopedValueRollback<bool> guard(m_applying, true);
    const QPoint place = m_window.pos();
    const QSize size = m_window.size();
    m_form.Geometry.setGeometry(toTwips(place.x()), toTwips(place.y()), toTwips(size.width()),
                                toTwips(size.height()));
}

bool FormBinding::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_window || m_applying) {
        return false;
    }
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
        // The place of a normal window only: a minimised or maximised one keeps the
        // place it will come back to.
        if (m_window.windowState() == Qt::WindowNoState) {
            readGeometry();
        }
        break;
    case QEvent::WindowStateChange: {
        const QScopedValueRollback<bool> guard(m_applying, true);
        const Qt::WindowStates state = m_window.windowState();
        m_form.setWindowState(
            state.testFlag(Qt::WindowMinimized)   ? FormField::WindowState::Minimized
            : state.testFlag(Qt::WindowMaximized) ? FormField::WindowState::Maximized
                                                  : FormField::WindowState::Normal);
        break;
    }
    case QEvent::Show:
    case QEvent::Hide:
        if (!event->spontaneous()) {
            const QScopedValueRollback<bool> guard(m_applying, true);
            m_form.setVisible(m_window.isVisible());
        }
        break;
    default:
        break;
    }
    return false;
}
