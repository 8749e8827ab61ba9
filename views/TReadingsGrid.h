#pragma once

#include <QAbstractTableModel>
#include <QDate>
#include <QStringList>

#include <vector>

// The readings table of the curve window as a grid of texts: row 0 is the fixed header row,
// row k (from 1) shows reading k's date, time of day and value. The texts are made when a row is
// looked at, from the start moment, the interval and the values (32-bit, NaN for an empty one),
// so a million readings cost four bytes each instead of three cell texts.
//
// As a Qt model it holds the reading rows only; the header row is its horizontal header.
class TReadingsGrid : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TReadingsGrid(QObject* parent = nullptr);

    void SetHeader(const QStringList& header);
    QStringList Header() const { return m_header; }
    // Empties the grid and sets how its times and values are written: reading k's moment is
    // start + (k - 1) × intervalSeconds; values with exactly decimals places ("." as separator),
    // or no value column text at all when showValues is false.
    void Reset(QDate startDate, int startMsecs, qint64 intervalSeconds, int decimals, bool showValues);
    // Takes the readings' values (NaN: no value) and shows them.
    void SetValues(std::vector<float> values);
    qsizetype ReadingCount() const { return qsizetype(m_values.size()); }

    // The grid as a table of strings, header row included.
    int RowCount() const { return int(m_values.size()) + 1; }
    int ColCount() const { return 3; }
    QString Cells(int column, int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void MomentOf(int row, QDate* date, int* msecs) const;

    QStringList m_header{QString(), QString(), QString()};
    QDate m_startDate;
    int m_startMsecs = 0;
    qint64 m_interval = 0;
    int m_decimals = 0;
    bool m_showValues = true;
    std::vector<float> m_values;
};
