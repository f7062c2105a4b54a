#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

class ButtonField;
class CheckField;
class IndicatorField;
class ListField;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListView;
class QPushButton;
class QTabWidget;
class QWidget;
class TabStripField;
class TextField;

// Binds widgets to the window models' fields in both directions. What the person
// does goes through the field (setText, setValue, setSelection, setCurrent), so the
// change flags and click actions run exactly as they do without a view; what the
// program sets in a field shows in the widget without being echoed back. Each
// binding lives as long as its widget.

// The rows of a list field as a list model, for a QListView or a QComboBox. It
// follows the field's insertions, removals and clearing one change at a time, so a
// long list that grows by a row costs one row, never a copy of the whole list.
class ListFieldModel final : public QAbstractListModel {
    Q_OBJECT

public:
    explicit ListFieldModel(ListField& field, QObject* parent = nullptr);

    ListField& field() const { return m_field; }
    // True while the model follows a change of the field: a selection a view moves
    // meanwhile is the view's bookkeeping, not the person's choice.
    bool following() const { return m_following; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // The model has followed a change of the field's rows.
    void followed();

private:
    void onInserted(int row);
    void onRemoved(int first, int count);
    void onCleared();

    // Catches up with the field at once when a change did not add up.
    void resync();

    ListField& m_field;
    // The rows as the views know them: the field has already changed when it
    // signals, and between a begin and an end the views must still read the rows of
    // before. The texts themselves are shared with the field's.
    QStringList m_rows;
    bool m_following = false;
};

// The object name of element index of a control array ("TexteSound4IP_2"), or the
// bare control name when index is negative.
QString controlName(const QString& control, int index = -1);
// Object name, and accessible name (the control name when accessibleName is empty).
void nameControl(QWidget* widget, const QString& objectName,
                 const QString& accessibleName = QString());

// Text and enabled state; every keystroke sets the field's text.
void bindLineEdit(QLineEdit* edit, TextField& field);
// Value 0, 1 or 2 (grey) and enabled state; a click ticks a clear or grey box and
// clears a ticked one.
void bindCheckBox(QCheckBox* box, CheckField& field);
// Caption, visible and enabled state; the accessible name follows the caption.
// What a click does is the caller's: the field has no action of its own.
void bindButton(QPushButton* button, ButtonField& field);
// Shown or hidden; a hidden indicator keeps its place in a layout.
void bindIndicator(QWidget* indicator, IndicatorField& field);
// A combo's items and chosen item: the person's choice sets the field's selection.
void bindComboBox(QComboBox* combo, ListField& field);
// A list's rows and selection, on a ListFieldModel; the selected row is scrolled
// into view.
void bindListView(QListView* view, ListField& field);
// Tabs shown while available, and the current tab: a tab the person picks becomes
// the field's current tab. The widget's tabs are the field's, in the same order.
void bindTabWidget(QTabWidget* tabs, TabStripField& field);
