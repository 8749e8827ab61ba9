#pragma once

#include "TTable.h"
#include "TTableModel.h"

#include <QList>
#include <QTableView>

// A list of a table's rows: whole rows are selected, several at once; the current row follows
// the table's cursor and back. The model reads rows from the table as they are shown, so the list
// stays quick whatever the table holds. A title shown in bold marks the column the list is
// ordered by.
class TGridModel : public TTableModel
{
    Q_OBJECT
public:
    explicit TGridModel(TTable* table, QObject* parent = nullptr);

    // The field whose title is bold (empty: none).
    void SetBoldField(const QString& fieldName);
    const QString& BoldField() const { return m_boldField; }
    bool TitleBold(int column) const;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    // The table's field index of each model column, looked up once per layout of the columns.
    int FieldIndex(int column) const;

    QString m_boldField;
    mutable QList<int> m_fieldIndex;
};

class TDBGrid : public QTableView
{
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);

    // Shows the table (nullptr: nothing).
    void SetTable(TTable* table);
    TTable* Table() const;
    TGridModel* Model() const { return m_model; }

    // Sets the title of the first column bound to the field; an empty title hides the column.
    void SetGridColumn(const QString& fieldName, const QString& title);
    // The field of a visible column, from 0; empty when out of range.
    QString ColumnField(int column) const;

    // The multiple selection.
    int SelectedCount() const;
    // Bookmarks of the selected rows in bookmark order (the order the rows were added).
    QList<TBookmark> SelectedBookmarks() const;
    bool RowSelected(int recNo) const;
    void ClearSelection();
    // Marks or unmarks the row at recNo (from 1), keeping the rest of the selection.
    void SetRowSelected(int recNo, bool selected);
    // Marks or unmarks the table's current row.
    void SetCurrentRowSelected(bool selected);

signals:
    // A key pressed in the list, before the list itself handles it.
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);
    // A click on a column title.
    void TitleClick(int column);
    void DblClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TGridModel* m_model = nullptr;
};
