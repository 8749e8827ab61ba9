#include "TReadingsGrid.h"

#include "uGlobal.h"

#include <QTime>

#include <cmath>

TReadingsGrid::TReadingsGrid(QObject* parent) : QAbstractTableModel(parent) {}

void TReadingsGrid::SetHeader(const QStringList& header)
{
    m_header = header;
    while (m_header.size() < 3)
        m_header.append(QString());
    emit headerDataChanged(Qt::Horizontal, 0, 2);
}

void TReadingsGrid::Reset(QDate startDate, int startMsecs, qint64 intervalSeconds, int decimals,
                          bool showValues)
{
    beginResetModel();
    m_startDate = startDate;
    m_startMsecs = startMsecs;
    m_interval = intervalSeconds;
    m_decimals = decimals;
    m_showValues = showValues;
    m_values.clear();
    m_values.shrink_to_fit();
    endResetModel();
}

void TReadingsGrid::SetValues(std::vector<float> values)
{
    beginResetModel();
    m_values = std::move(values);
    endResetModel();
}

void TReadingsGrid::MomentOf(int row, QDate* date, int* msecs) const
{
    // Whole milliseconds from the start day, so that a long series does not drift.
    const qint64 total = qint64(m_startMsecs) + qint64(row - 1) * m_interval * 1000;
    qint64 days = total / 86400000;
    qint64 rest = total % 86400000;
    if (rest < 0) {
        rest += 86400000;
        --days;
    }
    *date = m_startDate.addDays(days);
    *msecs = int(rest);
}

QString TReadingsGrid::Cells(int column, int row) const
{
    if (row == 0)
        return m_header.value(column);
    if (row < 1 || row > int(m_values.size()) || column < 0 || column > 2)
        return {};
    if (column == 2) {
        const float v = m_values[size_t(row - 1)];
        if (!m_showValues || std::isnan(v))
            return {};
        return QString::number(double(v), 'f', m_decimals);
    }
    QDate date;
    int msecs = 0;
    MomentOf(row, &date, &msecs);
    if (column == 0)
        return FormatDate(date);
    return FormatTime(QTime::fromMSecsSinceStartOfDay(msecs));
}

int TReadingsGrid::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_values.size());
}

int TReadingsGrid::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant TReadingsGrid::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return Cells(index.column(), index.row() + 1);
}

QVariant TReadingsGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_header.value(section);
    return section + 1;
}
