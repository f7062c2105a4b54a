#include "settings/ui/FieldBinding.h"

#include "model/Fields.h"
#include "model/WindowFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabWidget>

#include <memory>

ListFieldModel::ListFieldModel(ListField& field, QObject* parent)
    : QAbstractListModel(parent), m_field(field), m_rows(field.rows()) {
    connect(&field, &ListField::rowInserted, this, &ListFieldModel::onInserted);
    connect(&field, &ListField::rowsRemoved, this, &ListFieldModel::onRemoved);
    connect(&field, &ListField::cleared, this, &ListFieldModel::onCleared);
}

int ListFieldModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ListFieldModel::data(const QModelIndex& index, int role) const {
    const int row = index.row();
    if (!index.isValid() || row < 0 || row >= m_rows.size()) {
        return QVariant();
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: // a row wider than the list reads in full
    case Qt::AccessibleTextRole:
        return m_rows.at(row);
    default:
        return QVariant();
    }
}

void ListFieldModel::onInserted(int row) {
    const QScopedValueRollback<bool> guard(m_following, true);
    if (row >= 0 && row <= m_rows.size() && row < m_field.count() &&
        m_rows.size() + 1 == m_field.count()) {
        beginInsertRows(QModelIndex(), row, row);
        m_rows.insert(row, m_field.at(row));
        endInsertRows();
    } else {
        resync();
    }
    Q_EMIT followed();
}

void ListFieldModel::onRemoved(int first, int count) {
    const QScopedValueRollback<bool> guard(m_following, true);
    if (first >= 0 && count > 0 && first + count <= m_rows.size() &&
        m_rows.size() - count == m_field.count()) {
        beginRemoveRows(QModelIndex(), first, first + count - 1);
        m_rows.remove(first, count);
        endRemoveRows();
    } else {
        resync();
    }
    Q_EMIT followed();
}

void ListFieldModel::onCleared() {
    const QScopedValueRollback<bool> guard(m_following, true);
    resync();
    Q_EMIT followed();
}

void ListFieldModel::resync() {
    beginResetModel();
    m_rows = m_field.rows();
    endResetModel();
}

QString controlName(const QString& control, int index) {
    return index < 0 ? control : control + QLatin1Char('_') + QString::number(index);
}

void nameControl(QWidget* widget, const QString& objectName, const QString& accessibleName) {
    widget->setObjectName(objectName);
    widget->setAccessibleName(accessibleName.isEmpty() ? objectName : accessibleName);
}

void bindLineEdit(QLineEdit* edit, TextField& field) {
    edit->setText(field.text());
    edit->setEnabled(field.enabled());
    // textEdited: the person's typing only, never a text set from the field.
    QObject::connect(edit, &QLineEdit::textEdited, &field,
                     [&field](const QString& text) { field.setText(text); });
    QObject::connect(&field, &TextField::textChanged, edit, [edit](const QString& text) {
        if (edit->text() != text) {
            edit->setText(text);
        }
    });
    QObject::connect(&field, &TextField::enabledChanged, edit, &QWidget::setEnabled);
}

namespace {

void showValue(QCheckBox* box, int value) {
    box->setTristate(value == 2);
    box->setCheckState(value == 0   ? Qt::Unchecked
                       : value == 1 ? Qt::Checked
                                    : Qt::PartiallyChecked);
}

} // namespace

void bindCheckBox(QCheckBox* box, CheckField& field) {
    showValue(box, field.value());
    box->setEnabled(field.enabled());
    // clicked: the person's click only. The field decides the value; the box then
    // shows it, whatever state the click left it in.
    QObject::connect(box, &QCheckBox::clicked, &field, [box, &field] {
        field.setValue(field.value() == 1 ? 0 : 1);
        showValue(box, field.value());
    });
    QObject::connect(&field, &CheckField::clicked, box,
                     [box](int value) { showValue(box, value); });
    QObject::connect(&field, &CheckField::enabledChanged, box, &QWidget::setEnabled);
}

void bindButton(QPushButton* button, ButtonField& field) {
    const auto apply = [button, &field] {
        // An accessible name of its own (not the caption) stays.
        if (button->accessibleName().isEmpty() || button->accessibleName() == button->text()) {
            button->setAccessibleName(field.caption());
        }
        button->setText(field.caption());
        button->setHidden(!field.visible());
        button->setEnabled(field.enabled());
    };
    apply();
    QObject::connect(&field, &ButtonField::changed, button, apply);
}

void bindIndicator(QWidget* indicator, IndicatorField& field) {
    QSizePolicy policy = indicator->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    indicator->setSizePolicy(policy);
    indicator->setHidden(!field.visible());
    QObject::connect(&field, &IndicatorField::visibleChanged, indicator, &QWidget::setVisible);
}

void bindComboBox(QComboBox* combo, ListField& field) {
    auto* model = new ListFieldModel(field, combo);
    combo->setModel(model);
    combo->setCurrentIndex(field.selection());
    // activated: the person's choice only; the combo's own moves (its first item
    // taken when it fills) are undone after each change of the rows.
    QObject::connect(combo, &QComboBox::activated, &field,
                     [&field](int index) { field.setSelection(index); });
    QObject::connect(&field, &ListField::selectionChanged, combo, [combo](int row) {
        if (combo->currentIndex() != row) {
            combo->setCurrentIndex(row);
        }
    });
    QObject::connect(model, &ListFieldModel::followed, combo, [combo, &field] {
        if (combo->currentIndex() != field.selection()) {
            combo->setCurrentIndex(field.selection());
        }
    });
}

namespace {

void showSelection(QListView* view, const ListFieldModel* model, int row) {
    QItemSelectionModel* selection = view->selectionModel();
    if (row < 0 || row >= model->rowCount()) {
        selection->clear();
        return;
    }
    const QModelIndex index = model->index(row);
    if (selection->currentIndex() != index || !selection->isSelected(index)) {
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    }
    view->scrollTo(index);
}

} // namespace

void bindListView(QListView* view, ListField& field) {
    auto* model = new ListFieldModel(field, view);
    view->setModel(model);
    view->setUniformItemSizes(true); // long lists stay cheap to lay out
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    auto applying = std::make_shared<bool>(false);
    const auto show = [view, model, applying](int row) {
        const QScopedValueRollback<bool> guard(*applying, true);
        showSelection(view, model, row);
    };
    show(field.selection());
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged, &field,
                     [&field, model, applying](const QModelIndex& current) {
                         if (!*applying && !model->following()) {
                             field.setSelection(current.isValid() ? current.row() : -1);
                         }
                     });
    QObject::connect(&field, &ListField::selectionChanged, view, show);
    QObject::connect(model, &ListFieldModel::followed, view,
                     [show, &field] { show(field.selection()); });
}

void bindTabWidget(QTabWidget* tabs, TabStripField& field) {
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setTabVisible(tab, field.available(tab));
    }
    if (field.current() >= 0 && field.current() < tabs->count()) {
        tabs->setCurrentIndex(field.current());
    }
    QObject::connect(&field, &TabStripField::availabilityChanged, tabs,
                     [tabs](int tab, bool available) { tabs->setTabVisible(tab, available); });
    QObject::connect(&field, &TabStripField::switched, tabs, [tabs](int tab) {
        if (tab >= 0 && tabs->currentIndex() != tab) {
            tabs->setCurrentIndex(tab);
        }
    });
    QObject::connect(tabs, &QTabWidget::currentChanged, &field, [&field](int tab) {
        if (tab >= 0) {
            field.setCurrent(tab);
        }
    });
}
