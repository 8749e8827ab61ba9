#include "TTableModel.h"

#include "TTable.h"

#include <QItemSelectionModel>

TTableModel::TTableModel(TTable* table, QObject* parent) : QAbstractTableModel(parent), m_table(table)
{
    connect(table, &TTable::AfterOpen, this, &TTableModel::ResetColumns);
    connect(table, &TTable::RowsChange, this, &TTableModel::TableRowsChanged);
    connect(table, &TTable::DataChange, this, [this](TField* field) {
        if (field)
            TableDataChanged();
        else
            SyncSelection();
    });
    ResetColumns();
}

TTableModel::~TTableModel() = default;

void TTableModel::ResetColumns()
{
    beginResetModel();
    QList<TColumn> columns;
    if (m_table)
        for (TField* f : m_table->Fields()) {
            // Keep what was set for a field that is still there.
            auto old = std::find_if(m_columns.begin(), m_columns.end(),
                                    [&](const TColumn& c) { return c.fieldName == f->FieldName(); });
            columns.append(old != m_columns.end() ? *old : TColumn{f->FieldName(), f->FieldName(), true});
        }
    m_columns = columns;
    m_visible.clear();
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].visible)
            m_visible.append(i);
    m_rowCount = -1;
    endResetModel();
}

void TTableModel::RebuildVisible()
{
    beginResetModel();
    m_visible.clear();
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].visible)
            m_visible.append(i);
    endResetModel();
    SyncSelection();
}

bool TTableModel::SetColumn(const QString& fieldName, const QString& title)
{
    for (TColumn& c : m_columns) {
        if (c.fieldName.compare(fieldName, Qt::CaseInsensitive) != 0)
            continue;
        c.title = title;
        const bool visible = !title.isEmpty();
        if (visible != c.visible) {
            c.visible = visible;
            RebuildVisible();
        } else if (const int col = ColumnOf(fieldName); col >= 0) {
            emit headerDataChanged(Qt::Horizontal, col, col);
        }
        return true;
    }
    return false;
}

void TTableModel::SetColumnVisible(const QString& fieldName, bool visible)
{
    for (TColumn& c : m_columns)
        if (c.fieldName.compare(fieldName, Qt::CaseInsensitive) == 0 && c.visible != visible) {
            c.visible = visible;
            RebuildVisible();
            return;
        }
}

QString TTableModel::FieldName(int column) const
{
    if (column < 0 || column >= m_visible.size())
        return {};
    return m_columns[m_visible[column]].fieldName;
}

int TTableModel::ColumnOf(const QString& fieldName) const
{
    for (int i = 0; i < m_visible.size(); ++i)
        if (m_columns[m_visible[i]].fieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TTableModel::BindSelection(QItemSelectionModel* selection)
{
    if (m_selection)
        disconnect(m_selection, nullptr, this, nullptr);
    m_selection = selection;
    if (!selection)
        return;
    connect(selection, &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (m_syncing || !current.isValid() || !m_table || !m_table->Active())
                    return;
                m_syncing = true;
                try {
                    m_table->SetRecNo(current.row() + 1);
                } catch (...) {
                    // The view keeps its row; the table stays where it was.
                }
                m_syncing = false;
            });
    SyncSelection();
}

int TTableModel::CurrentRow() const
{
    if (!m_table || !m_table->Active())
        return -1;
    try {
        return m_table->RecNo() - 1;
    } catch (...) {
        return -1;
    }
}

void TTableModel::TableRowsChanged()
{
    beginResetModel();
    m_rowCount = -1;
    endResetModel();
}

void TTableModel::TableDataChanged()
{
    const int row = CurrentRow();
    if (row >= 0 && row < rowCount() && !m_visible.isEmpty())
        emit dataChanged(index(row, 0), index(row, int(m_visible.size()) - 1), {Qt::DisplayRole});
}

void TTableModel::SyncSelection()
{
    if (!m_selection || m_syncing)
        return;
    const int row = CurrentRow();
    m_syncing = true;
    if (row >= 0 && row < rowCount() && !m_visible.isEmpty()) {
        const int col = std::max(0, m_selection->currentIndex().column());
        if (m_selection->currentIndex().row() != row)
            m_selection->setCurrentIndex(index(row, std::min(col, int(m_visible.size()) - 1)),
                                         QItemSelectionModel::NoUpdate);
    }
    m_syncing = false;
}

int TTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_table || !m_table->Active())
        return 0;
    if (m_rowCount < 0) {
        try {
            m_rowCount = m_table->RecordCount();
        } catch (...) {
            m_rowCount = 0;
        }
    }
    return m_rowCount;
}

int TTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_visible.size());
}

QVariant TTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_table || !m_table->Active() || index.column() >= m_visible.size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    try {
        TField* f = m_table->FindField(m_columns[m_visible[index.column()]].fieldName);
        if (!f)
            return {};
        if (role == Qt::EditRole)
            return m_table->ValueAt(index.row() + 1, f->Index());
        return m_table->DisplayTextAt(index.row() + 1, f->Index());
    } catch (...) {
        return {};
    }
}

QVariant TTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= m_visible.size())
        return {};
    return m_columns[m_visible[section]].title;
}
