#include "TDBGrid.h"

#include <algorithm>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>

TGridModel::TGridModel(TTable* table, QObject* parent) : TTableModel(table, parent)
{
    connect(this, &QAbstractItemModel::modelReset, this, [this] { m_fieldIndex.clear(); });
}

int TGridModel::FieldIndex(int column) const
{
    if (m_fieldIndex.size() != columnCount()) {
        m_fieldIndex.clear();
        for (int c = 0; c < columnCount(); ++c) {
            const TField* field = Table() ? Table()->FindField(FieldName(c)) : nullptr;
            m_fieldIndex << (field ? field->Index() : -1);
        }
    }
    return column >= 0 && column < m_fieldIndex.size() ? m_fieldIndex[column] : -1;
}

QVariant TGridModel::data(const QModelIndex& index, int role) const
{
    // The list shows display texts; reading them by field index spares a look-up per cell.
    if (role != Qt::DisplayRole || !index.isValid() || !Table() || !Table()->Active())
        return TTableModel::data(index, role);
    const int field = FieldIndex(index.column());
    if (field < 0)
        return {};
    try {
        return Table()->DisplayTextAt(index.row() + 1, field);
    } catch (...) {
        return {};
    }
}

void TGridModel::SetBoldField(const QString& fieldName)
{
    m_boldField = fieldName;
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

bool TGridModel::TitleBold(int column) const
{
    return !m_boldField.isEmpty() && FieldName(column).compare(m_boldField, Qt::CaseInsensitive) == 0;
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::FontRole) {
        QFont font;
        font.setBold(TitleBold(section));
        return font;
    }
    return TTableModel::headerData(section, orientation, role);
}

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TDBGrid::TitleClick);
}

void TDBGrid::SetTable(TTable* table)
{
    if (m_model && m_model->Table() == table)
        return;
    TGridModel* old = m_model;
    m_model = table ? new TGridModel(table, this) : nullptr;
    setModel(m_model);
    if (m_model)
        m_model->BindSelection(selectionModel());
    delete old;
}

TTable* TDBGrid::Table() const
{
    return m_model ? m_model->Table() : nullptr;
}

void TDBGrid::SetGridColumn(const QString& fieldName, const QString& title)
{
    if (m_model)
        m_model->SetColumn(fieldName, title);
}

QString TDBGrid::ColumnField(int column) const
{
    return m_model ? m_model->FieldName(column) : QString();
}

int TDBGrid::SelectedCount() const
{
    return selectionModel() ? int(selectionModel()->selectedRows().size()) : 0;
}

QList<TBookmark> TDBGrid::SelectedBookmarks() const
{
    QList<TBookmark> marks;
    if (!selectionModel() || !Table())
        return marks;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        const TBookmark mark = Table()->BookmarkAt(index.row() + 1);
        if (mark.IsValid())
            marks << mark;
    }
    std::sort(marks.begin(), marks.end(),
              [](const TBookmark& a, const TBookmark& b) { return a.rowId < b.rowId; });
    return marks;
}

bool TDBGrid::RowSelected(int recNo) const
{
    return selectionModel() && m_model && recNo >= 1 && selectionModel()->isRowSelected(recNo - 1, {});
}

void TDBGrid::ClearSelection()
{
    if (selectionModel())
        selectionModel()->clearSelection();
}

void TDBGrid::SetRowSelected(int recNo, bool selected)
{
    if (!selectionModel() || !m_model || recNo < 1 || recNo > m_model->rowCount() ||
        m_model->columnCount() == 0)
        return;
    const QModelIndex index = m_model->index(recNo - 1, 0);
    selectionModel()->select(index, (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                        QItemSelectionModel::Rows);
}

void TDBGrid::SetCurrentRowSelected(bool selected)
{
    if (Table() && Table()->Active())
        SetRowSelected(Table()->RecNo(), selected);
}

void TDBGrid::keyPressEvent(QKeyEvent* event)
{
    emit KeyDown(event->key(), event->modifiers());
    QTableView::keyPressEvent(event);
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit DblClick();
}
