#pragma once

#include "look/LookStyles.h"

#include <QObject>

// The window look in use, as the windows read it: the style number (0 to 20, 0
// until a style is loaded), its frame family, and the skin loaded, if any. Each
// time the look is applied, changed tells the windows to take it.
class LookState final : public QObject {
    Q_OBJECT

public:
    explicit LookState(QObject* parent = nullptr) : QObject(parent) {}

    qint32 style() const { return m_style; }
    qint32 family() const { return m_family; }
    // The style whose skin is loaded; null until one is, and kept when a number
    // outside the table loads nothing.
    const LookStyle* skin() const { return m_skin; }
    // The colours, frames and inputs the windows take: those of the style number.
    const LookStyle& colours() const { return *look::find(m_style); }
    // No skin, or the plain one: the platform's own look.
    bool platformLook() const { return !m_skin || m_skin->platformLook(); }

    // Loads a style's skin: its number and family become the look's.
    void load(const LookStyle& style) {
        m_skin = &style;
        m_style = style.number;
        m_family = style.family;
    }
    // The look, as it now stands, goes onto the windows.
    void apply() { Q_EMIT changed(); }

Q_SIGNALS:
    void changed();

private:
    qint32 m_style = 0;
    qint32 m_family = 0;
    const LookStyle* m_skin = nullptr;
};
