#pragma once

#include "TDatabaseFile.h"
#include "TField.h"
#include "TTableDefs.h"

#include <functional>
#include <memory>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

// States of a cursor, as the bound controls and the buttons of a window follow them.
enum class TDataSetState
{
    Inactive, // closed
    Browse,
    Edit,  // the current row is being changed
    Insert // a new row is being filled and is not stored yet
};

struct sqlite3_stmt;

// One row as TTable::ForEachRow hands it over: the chosen fields, numbered from 0 in the order
// they were named. Valid only during the call it is given to.
class TRowValues
{
public:
    int Count() const { return int(m_defs.size()); }
    // The value as TField::Value gives it: null, qint64, double, QString, QDate, QTime or bool.
    QVariant Value(int k) const;
    bool IsNull(int k) const;

private:
    friend class TTable;
    TRowValues(sqlite3_stmt* stmt, const QList<TFieldDef>& defs) : m_stmt(stmt), m_defs(defs) {}
    sqlite3_stmt* m_stmt;
    const QList<TFieldDef>& m_defs;
};

// A place in a table that survives reordering and other changes, until its row is deleted.
struct TBookmark
{
    qint64 rowId = 0;
    bool IsValid() const { return rowId != 0; }
    friend bool operator==(const TBookmark&, const TBookmark&) = default;
};

// A cursor over one table of a database file: the rows in the order of the chosen index (or in the
// order they were added), optionally only those linked to the current row of a master table.
// Rows are fetched in windows around the current row, so a table of millions of rows opens,
// counts and scrolls without being loaded; moving a master loads nothing of its details until
// they are read.
//
// Navigation follows the familiar dataset rules: First puts the cursor on the first row (Bof);
// Next on the last row sets Eof and stays there; an empty set is Bof and Eof at once. Moving while
// a row is being edited posts it first when a field was changed, else cancels the edit.
//
// Every failure (index not found, not in edit mode, conversion, the file's errors) throws TError.
class TTable : public QObject
{
    Q_OBJECT
public:
    explicit TTable(QObject* parent = nullptr);
    ~TTable() override;

    // --- what the table is ---
    TDatabaseFile* Database() const;
    void SetDatabase(TDatabaseFile* database);
    const QString& TableName() const;
    void SetTableName(const QString& name); // only while closed
    // The definitions CreateTable builds; Open fills them from the file.
    QList<TFieldDef>& FieldDefs();
    QList<TIndexDef>& IndexDefs();
    // Every table of this program is opened exclusively; the connection holds the file so.
    bool Exclusive() const;
    void SetExclusive(bool exclusive);
    bool Exists() const;
    void CreateTable(); // from FieldDefs and IndexDefs; the table must not exist
    void DeleteTable(); // the table must be closed
    void EmptyTable();  // removes every row (also while open)

    // --- opening ---
    void Open();
    void Close();
    bool Active() const;
    TDataSetState State() const;

    // --- fields ---
    const QList<TField*>& Fields() const;
    int FieldCount() const;
    TField* FindField(const QString& name) const;   // nullptr when there is none
    TField& FieldByName(const QString& name) const; // throws "Field 'X' not found"

    // --- moving ---
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance); // the distance moved
    bool Eof() const;
    bool Bof() const;
    bool IsEmpty() const;
    // Position of the current row in the visible rows, from 1; 0 when there is none.
    int RecNo() const;
    void SetRecNo(int recNo);
    // Number of visible rows (for a linked detail, the rows of the current master row).
    int RecordCount() const;

    // Finds the first visible row, in the current order, whose field holds the value, and makes it
    // the current row. Text compares without regard to letter case when asked; dates, times and
    // numbers compare as values. False, without moving, when no row holds it.
    bool Locate(const QString& fieldName, const QVariant& value, bool caseInsensitive = false);
    // The same over several fields at once: the first row holding every value.
    bool Locate(const QStringList& fieldNames, const QVariantList& values, bool caseInsensitive = false);

    // --- order ---
    // An index by name ("" = the order in which rows were added). The current row stays current.
    const QString& IndexName() const;
    void SetIndexName(const QString& name); // throws "Index 'X' not found"
    // Order by fields separated by ";" (ascending); "" = the order in which rows were added.
    const QString& IndexFieldNames() const;
    void SetIndexFieldNames(const QString& names);
    // The fields of the current order.
    QStringList IndexFields() const;

    // --- bookmarks ---
    TBookmark GetBookmark() const;                // invalid when there is no current row
    void GotoBookmark(const TBookmark& bookmark); // throws "Record not found" when it is gone
    bool BookmarkValid(const TBookmark& bookmark) const;
    // The bookmark of the visible row at a position (from 1), without moving.
    TBookmark BookmarkAt(int recNo) const;

    // --- changing ---
    void Append(); // a new row, filled with the link value of the master
    void Insert(); // the same; rows always join at the end of their order
    void Edit();   // on an empty set the same as Append
    void Post();
    void Cancel();
    void Delete();         // the current row; the row after it becomes current (or the one before)
    bool Modified() const; // a field was set since Edit/Append
    // Drops what was fetched and reads the rows again, keeping the current row when it exists.
    void Refresh();

    // --- master-detail ---
    // Shows only rows whose detailField equals masterField of master's current row and follows the
    // master as it moves (the first linked row becomes current). A row added here gets the master's
    // value in detailField. nullptr removes the link.
    void SetMasterSource(TTable* master, const QString& masterField, const QString& detailField);
    TTable* MasterSource() const;
    const QString& MasterFields() const;
    const QString& DetailFields() const;

    // --- reading a row without moving (grids) ---
    // The value and the display text of a field in the visible row at position recNo (from 1).
    // The current row shows the values being edited.
    QVariant ValueAt(int recNo, int fieldIndex) const;
    QString DisplayTextAt(int recNo, int fieldIndex) const;

    // --- reading chosen fields of every visible row ---
    // Hands each visible row (for a linked detail, the rows of the current master row), in the
    // current order, to each, with only the named fields read, in one pass over the file. The
    // cursor stays where it is; a row being edited is posted first when changed, else dropped.
    // each returns false to stop early and must not change the table. Returns the number of rows
    // handed over; throws "Field 'X' not found" before reading anything.
    int ForEachRow(const QStringList& fieldNames, const std::function<bool(const TRowValues&)>& each);

    // Prepared statements, fetched windows and counts are kept between calls; this lets a
    // benchmark see how many rows a cursor has actually fetched from the file.
    qint64 RowsFetched() const;

signals:
    void StateChange();
    // The current row changed (moved, reloaded) when field is nullptr; else that field of the row
    // being edited changed.
    void DataChange(TField* field);
    // The visible rows changed as a whole (added, deleted, reordered, master moved, emptied):
    // grids reset themselves. Always followed by DataChange(nullptr).
    void RowsChange();
    void AfterOpen();
    void BeforeClose();
    void AfterPost();
    void AfterDelete();

private:
    friend class TField;
    friend class TDatabaseFile;
    void DatabaseGone();
    void SetOrder(const QString& indexName, const QString& fieldNames);
    struct TImpl;
    std::unique_ptr<TImpl> d;
};
