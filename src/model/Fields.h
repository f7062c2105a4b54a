#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// The typed controls of the window models. A view binds its widgets to them in
// both directions; with no view attached they behave the same.

// A text box: its text (set by the user or by code) and whether it is enabled.
class TextField final : public QObject {
    Q_OBJECT

public:
    explicit TextField(QString text = QString(), QObject* parent = nullptr)
        : QObject(parent), m_text(std::move(text)) {}

    const QString& text() const { return m_text; }
    void setText(const QString& text) {
        m_text = text;
        Q_EMIT textChanged(m_text); // a change event on every set, as a text box raises
    }
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled) {
        if (m_enabled != enabled) {
            m_enabled = enabled;
            Q_EMIT enabledChanged(enabled);
        }
    }

Q_SIGNALS:
    void textChanged(const QString& text);
    void enabledChanged(bool enabled);

private:
    QString m_text;
    bool m_enabled = true;
};

// A check box: value 0 (unchecked), 1 (checked) or 2 (grayed). Its click action
// runs whenever the value changes, by the user or by code.
class CheckField final : public QObject {
    Q_OBJECT

public:
    explicit CheckField(QObject* parent = nullptr) : QObject(parent) {}

    int value() const { return m_value; }
    void setValue(int value) {
        if (m_value != value) {
            m_value = value;
            Q_EMIT clicked(value);
        }
    }
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled) {
        if (m_enabled != enabled) {
            m_enabled = enabled;
            Q_EMIT enabledChanged(enabled);
        }
    }

Q_SIGNALS:
    void clicked(int value);
    void enabledChanged(bool enabled);

private:
    int m_value = 0;
    bool m_enabled = true;
};

// A button: caption, visible, enabled.
class ButtonField final : public QObject {
    Q_OBJECT

public:
    explicit ButtonField(QString caption = QString(), QObject* parent = nullptr)
        : QObject(parent), m_caption(std::move(caption)) {}

    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption) {
        if (m_caption != caption) {
            m_caption = caption;
            Q_EMIT changed();
        }
    }
    bool visible() const { return m_visible; }
    void setVisible(bool visible) {
        if (m_visible != visible) {
            m_visible = visible;
            Q_EMIT changed();
        }
    }
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled) {
        if (m_enabled != enabled) {
            m_enabled = enabled;
            Q_EMIT changed();
        }
    }

Q_SIGNALS:
    void changed();

private:
    QString m_caption;
    bool m_visible = true;
    bool m_enabled = true;
};

// A shape used as an indicator: shown or hidden.
class IndicatorField final : public QObject {
    Q_OBJECT

public:
    explicit IndicatorField(QObject* parent = nullptr) : QObject(parent) {}

    bool visible() const { return m_visible; }
    void setVisible(bool visible) {
        if (m_visible != visible) {
            m_visible = visible;
            Q_EMIT visibleChanged(visible);
        }
    }

Q_SIGNALS:
    void visibleChanged(bool visible);

private:
    bool m_visible = false;
};

// A list box or the list of a combo: rows of text and a selection (-1: none).
class ListField final : public QObject {
    Q_OBJECT

public:
    // Display lists are emptied before a row is added once they hold more than this.
    static constexpr int DisplayCap = 1000;

    explicit ListField(QObject* parent = nullptr) : QObject(parent) {}

    const QStringList& rows() const { return m_rows; }
    int count() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    const QString& at(int row) const { return m_rows.at(row); }

    void addItem(const QString& text) {
        m_rows.append(text);
        Q_EMIT rowInserted(int(m_rows.size()) - 1);
    }
    void insertItem(int row, const QString& text) {
        row = qBound(0, row, count());
        m_rows.insert(row, text);
        if (m_selection >= row) {
            ++m_selection;
        }
        Q_EMIT rowInserted(row);
    }
    // Adds a row at the end (or at the top), emptying the list first when it holds
    // more than the display cap.
    void addCapped(const QString& text, bool atTop = false) {
        if (count() > DisplayCap) {
            clear();
        }
        if (atTop) {
            insertItem(0, text);
        } else {
            addItem(text);
        }
    }
    QString takeFirst() {
        QString first = m_rows.takeFirst();
        if (m_selection >= 0) {
            --m_selection;
        }
        Q_EMIT rowsRemoved(0, 1);
        return first;
    }
    // Removes the first n rows (all of them when n reaches the count).
    void removeFirst(int n) {
        if (n <= 0) {
            return;
        }
        if (n >= count()) {
            clear();
            return;
        }
        m_rows.remove(0, n);
        m_selection = m_selection >= n ? m_selection - n : -1;
        Q_EMIT rowsRemoved(0, n);
    }
    void removeItem(int row) {
        if (row < 0 || row >= count()) {
            return;
        }
        m_rows.removeAt(row);
        if (m_selection == row) {
            m_selection = -1;
        } else if (m_selection > row) {
            --m_selection;
        }
        Q_EMIT rowsRemoved(row, 1);
    }
    void clear() {
        m_rows.clear();
        m_selection = -1;
        Q_EMIT cleared();
    }

    int selection() const { return m_selection; }
    void setSelection(int row) {
        const int next = (row >= 0 && row < count()) ? row : -1;
        if (next != m_selection) {
            m_selection = next;
            Q_EMIT selectionChanged(next);
        }
    }

Q_SIGNALS:
    void rowInserted(int row);
    void rowsRemoved(int first, int count);
    void cleared();
    void selectionChanged(int row);

private:
    QStringList m_rows;
    int m_selection = -1;
};
