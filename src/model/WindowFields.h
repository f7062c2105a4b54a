#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

// The window-level controls of the window models: a window's place, size and state,
// a control's place and size, a tab strip. Sizes are in twips, the windows' own
// coordinates (15 twips per pixel at 96 dpi). A view keeps its widgets in step with
// them in both directions; without a view they behave the same.

// A control's left, top, width and height, in twips.
class GeometryField final : public QObject {
    Q_OBJECT

public:
    explicit GeometryField(QObject* parent = nullptr) : QObject(parent) {}

    int left() const { return m_left; }
    int top() const { return m_top; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    void setGeometry(int left, int top, int width, int height) {
        if (left != m_left || top != m_top || width != m_width || height != m_height) {
            m_left = left;
            m_top = top;
            m_width = width;
            m_height = height;
            Q_EMIT geometryChanged();
        }
    }
    void move(int left, int top) { setGeometry(left, top, m_width, m_height); }
    void resize(int width, int height) { setGeometry(m_left, m_top, width, height); }

Q_SIGNALS:
    void geometryChanged();

private:
    int m_left = 0;
    int m_top = 0;
    int m_width = 0;
    int m_height = 0;
};

// A window: its name (the keys of its saved position), its geometry, its state and
// whether it is shown, kept on top of the others, showing the busy cursor or
// flashing. Tag is the window's free mark ("1", "0", "-1" for the on-top state).
class FormField final : public QObject {
    Q_OBJECT

public:
    enum class WindowState { Normal, Minimized, Maximized };

    explicit FormField(QString name, QObject* parent = nullptr)
        : QObject(parent), m_name(std::move(name)) {}

    const QString& name() const { return m_name; }
    GeometryField Geometry;
    QString Tag;

    WindowState windowState() const { return m_state; }
    void setWindowState(WindowState state) {
        if (state != m_state) {
            m_state = state;
            Q_EMIT windowStateChanged();
        }
    }
    bool visible() const { return m_visible; }
    void setVisible(bool visible) {
        if (visible != m_visible) {
            m_visible = visible;
            Q_EMIT visibleChanged(visible);
        }
    }
    bool topmost() const { return m_topmost; }
    void setTopmost(bool topmost) {
        if (topmost != m_topmost) {
            m_topmost = topmost;
            Q_EMIT topmostChanged(topmost);
        }
    }
    bool busy() const { return m_busy; }
    void setBusy(bool busy) {
        if (busy != m_busy) {
            m_busy = busy;
            Q_EMIT busyChanged(busy);
        }
    }
    // Gives a shown window the focus: the desktop raises and activates it.
    void setFocus() { Q_EMIT focusRequested(); }
    // The flash state: every change asks the desktop to draw the window's attention.
    bool flash() const { return m_flash; }
    void setFlash(bool flash) {
        m_flash = flash;
        Q_EMIT flashed(flash);
    }

Q_SIGNALS:
    void windowStateChanged();
    void visibleChanged(bool visible);
    void topmostChanged(bool topmost);
    void busyChanged(bool busy);
    void flashed(bool state);
    void focusRequested();

private:
    QString m_name;
    WindowState m_state = WindowState::Normal;
    bool m_visible = false;
    bool m_topmost = false;
    bool m_busy = false;
    bool m_flash = false;
};

// A tab strip: tab texts in order, which are available, the current tab (-1: none)
// and the strip's geometry. Selecting a tab, by the user or by code, raises switched.
class TabStripField final : public QObject {
    Q_OBJECT

public:
    explicit TabStripField(const QStringList& texts, QObject* parent = nullptr)
        : QObject(parent), m_texts(texts), m_available(size_t(texts.size()), true) {}

    GeometryField Geometry;

    int count() const { return int(m_texts.size()); }
    QString text(int tab) const { return tab >= 0 && tab < count() ? m_texts.at(tab) : QString(); }
    bool available(int tab) const { return tab >= 0 && tab < count() && m_available[size_t(tab)]; }
    void setAvailable(int tab, bool available) {
        if (tab >= 0 && tab < count() && m_available[size_t(tab)] != available) {
            m_available[size_t(tab)] = available;
            Q_EMIT availabilityChanged(tab, available);
        }
    }
    int current() const { return m_current; }
    QString currentText() const { return text(m_current); }
    void setCurrent(int tab) {
        if (tab < -1 || tab >= count() || tab == m_current) {
            return;
        }
        m_current = tab;
        Q_EMIT switched(tab);
    }

Q_SIGNALS:
    void availabilityChanged(int tab, bool available);
    void switched(int tab);

private:
    QStringList m_texts;
    std::vector<bool> m_available;
    int m_current = 0;
};
