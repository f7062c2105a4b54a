#pragma once

#include "model/Fields.h"
#include "model/WindowFields.h"
#include "settings/ui/FieldBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTabWidget>

// The settings window's controls, each named after its control and bound to its
// field. Shared by the window's tab pages.
namespace setup_controls {

inline QLineEdit* lineEdit(TextField& field, const QString& name, const QString& accessible,
                           QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    nameControl(edit, name, accessible);
    bindLineEdit(edit, field);
    return edit;
}

// A check box with its caption; one without a caption is named for its control.
inline QCheckBox* checkBox(CheckField& field, const QString& name, const QString& caption,
                           QWidget* parent, const QString& accessible = QString()) {
    auto* box = new QCheckBox(caption, parent);
    nameControl(box, name, accessible.isEmpty() ? caption : accessible);
    bindCheckBox(box, field);
    return box;
}

// A button whose caption never changes: what it does is the caller's.
inline QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    nameControl(b, name, caption);
    b->setAutoDefault(false);
    return b;
}

inline QComboBox* comboBox(ListField& field, const QString& name, const QString& accessible,
                           QWidget* parent) {
    auto* combo = new QComboBox(parent);
    nameControl(combo, name, accessible);
    bindComboBox(combo, field);
    return combo;
}

inline QListView* listView(ListField& field, const QString& name, const QString& accessible,
                           QWidget* parent) {
    auto* view = new QListView(parent);
    nameControl(view, name, accessible);
    bindListView(view, field);
    return view;
}

// A label that names the control beside it, for the keyboard (buddy) and the
// screen reader (the control's accessible name).
inline QLabel* labelFor(const QString& text, QWidget* control, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(control);
    return label;
}

// A tab strip whose tabs are the field's, each on its page, in order.
inline QTabWidget* tabWidget(TabStripField& field, const QString& name,
                             const QList<QWidget*>& pages, QWidget* parent) {
    auto* tabs = new QTabWidget(parent);
    nameControl(tabs, name);
    for (int tab = 0; tab < pages.size(); ++tab) {
        tabs->addTab(pages.at(tab), field.text(tab));
    }
    bindTabWidget(tabs, field);
    return tabs;
}

} // namespace setup_controls
