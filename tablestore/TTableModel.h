#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QString>

class QItemSelectionModel;
class TTable;

// A grid model over a cursor: the rows are read from the table by position in windows as the
// view asks for them, so a list of a million rows scrolls without being copied. Columns are the
// table's fields in field order; each has a title and can be hidden (a hidden column is not part
// of the model). The model follows the table (rows reset when the table's rows change) and, once
// bound to a view's selection model, the table's current row and the view's current row follow
// each other.
class TTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct TColumn
    {
        QString fieldName;
        QString title;
        bool visible = true;
    };

    explicit TTableModel(TTable* table, QObject* parent = nullptr);
    ~TTableModel() override;

    TTable* Table() const { return m_table; }

    // Every field of the table, titled with its name, visible; called again when the table opens.
    void ResetColumns();
    // All columns, hidden ones included, in field order.
    const QList<TColumn>& Columns() const { return m_columns; }
    // The first column bound to the field: sets its title, shows it when the title is not empty
    // and hides it when it is. False when no column is bound to that field.
    bool SetColumn(const QString& fieldName, const QString& title);
    void SetColumnVisible(const QString& fieldName, bool visible);
    // Field name of a model column (visible columns only, from 0); empty when out of range.
    QString FieldName(int column) const;
    // Model column of a field, -1 when hidden or unknown.
    int ColumnOf(const QString& fieldName) const;

    // The view's current row and the table's current row follow each other from now on.
    void BindSelection(QItemSelectionModel* selection);
    // The model row of the table's current row, -1 when there is none.
    int CurrentRow() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void TableRowsChanged();
    void TableDataChanged();
    void SyncSelection();
    void RebuildVisible();

    QPointer<TTable> m_table;
    QList<TColumn> m_columns;
    QList<int> m_visible; // model column -> index in m_columns
    QPointer<QItemSelectionModel> m_selection;
    bool m_syncing = false;
    mutable int m_rowCount = -1;
};
