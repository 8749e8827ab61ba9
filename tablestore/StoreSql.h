#pragma once

// Plumbing shared by the connection, the cursor and the repair: statements, error texts, the
// declared column types that carry our field types, and the way the file is opened.

#include "TError.h"
#include "TTableDefs.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>
#include <sqlite3.h>

namespace StoreSql {

// Double-quoted identifier.
QByteArray Quote(const QString& name);

// An error of the file itself; code is the primary result code of the failed call.
class TStoreError : public TError
{
public:
    TStoreError(const QString& message, int code) : TError(message), code(code) {}
    int code;
};

// The store's own text for a failed call on a file: "Database file '...' is locked by another program".
QString ErrorText(sqlite3* db, int rc, const QString& fileName);
[[noreturn]] void Throw(sqlite3* db, int rc, const QString& fileName);

// Runs statements without results; throws with the store's text.
void Exec(sqlite3* db, const char* sql, const QString& fileName);
// A one-value query (pragma or count); throws with the store's text.
QByteArray QueryText(sqlite3* db, const char* sql, const QString& fileName);

// Declared column types and their field types.
QByteArray DeclaredType(const TFieldDef& def);
TFieldDef FieldFromColumn(const QString& name, const QString& declaredType, bool primaryKey);

// The CREATE TABLE and CREATE INDEX statements of a table definition. Index names are kept per
// table in the file ("<table>.<index>"), as every table has its own set of index names.
QByteArray CreateTableSql(const TTableDef& def);
QByteArray CreateIndexSql(const QString& table, const TIndexDef& index);
QString IndexFileName(const QString& table, const QString& index);
// The definition of a table as the file holds it; throws when the table is missing.
TTableDef ReadTableDef(sqlite3* db, const QString& table, const QString& fileName);

// Opens a file for our use: exclusive lock, write-ahead log, commits that do not wait for the
// disk, our collation. create: make the file when it is missing. Throws with the store's text;
// the handle is closed again on failure.
sqlite3* OpenFile(const QString& fileName, bool create);
// True when the file passes the quick check; false when it is damaged (a text of what was found
// goes into problem). Throws when the file cannot be read at all.
bool QuickCheck(sqlite3* db, const QString& fileName, QString* problem);
// The same answer for damage that lies where every use of the file passes: the header, the table
// list and the first and last rows of every table and index. Costs the same for any size of file.
bool StructureCheck(sqlite3* db, const QString& fileName, QString* problem);
void CloseFile(sqlite3* db);

// Collation comparing text without regard to letter case, also beyond ASCII ("ü" = "Ü").
inline constexpr const char* NoCaseCollation = "TQ5NOCASE";
void RegisterCollation(sqlite3* db);

// A prepared statement that is reset when the guard goes.
class TReset
{
public:
    explicit TReset(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    ~TReset()
    {
        if (m_stmt)
            sqlite3_reset(m_stmt);
    }
    TReset(const TReset&) = delete;
    TReset& operator=(const TReset&) = delete;

private:
    sqlite3_stmt* m_stmt;
};

// Dates and times as kept in the file.
int FormatIsoDate(QDate date, char* out); // "YYYY-MM-DD", 10 characters, no terminator
int FormatIsoTime(QTime time, char* out); // "hh:mm:ss", 8 characters
QDate ParseIsoDate(const char* text, int length);
QTime ParseIsoTime(const char* text, int length);

} // namespace StoreSql
