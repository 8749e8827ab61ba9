#pragma once

#include "TTableDefs.h"

#include <functional>
#include <memory>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

struct sqlite3;
class TTable;

// The connection to one database file. The file is held exclusively while the connection is open:
// a second process (or a second connection) that opens it gets the store's "locked" error.
// A commit is durable against a crash of the program but does not wait for the disk; a crash of
// the program in the middle of a transaction leaves the file as of the last commit.
//
// Errors are thrown as TError with the store's own text ("Database file '...' is locked by another
// program", "File '...' is not a database file", ...).
class TDatabaseFile : public QObject
{
    Q_OBJECT
public:
    explicit TDatabaseFile(QObject* parent = nullptr);
    ~TDatabaseFile() override;

    // The name the tables address the database by, and the path of its file.
    const QString& DatabaseName() const { return m_databaseName; }
    void SetDatabaseName(const QString& name) { m_databaseName = name; }
    const QString& FileName() const { return m_fileName; }
    // Only while closed.
    void SetFileName(const QString& path);

    // Creates an empty database file at FileName when there is none; an existing database file is
    // kept as it is. The connection stays closed.
    void CreateDatabaseFile();
    // Opens FileName. Checks the file's header, table list and the ends of every table, which
    // costs the same for any size of file; a damaged file raises NeedRepair (the connection is
    // open all the same, so that what can be read can be read). Damage further inside is met
    // when it is read: the statement fails with the store's "damaged" error and NeedRepair is
    // raised once, after the event at hand. A missing file, a file that is not a database, a
    // locked, read-only or otherwise unusable file throws TError.
    void Open();
    // Closes every open table of this connection, then the file.
    void Close();
    bool Connected() const { return m_db != nullptr; }

    // True when the file was found damaged since the last Open.
    bool NeedsRepair() const { return m_needsRepair; }
    // Called (besides the signal NeedRepair) when the file is found damaged.
    std::function<void()> OnNeedRepair;

    // One transaction at a time. Commit does not wait for the disk unless forceFlush is set.
    void StartTransaction();
    void Commit(bool forceFlush = false);
    void Rollback();
    bool InTransaction() const { return m_inTransaction; }

    // Tables of the file, and their definitions as stored.
    QStringList TableNames() const;
    bool TableExists(const QString& tableName) const;
    TTableDef TableDefinition(const QString& tableName) const;
    void CreateTable(const TTableDef& def);
    void DeleteTable(const QString& tableName);
    // Removes every row; the table and its definition stay.
    void EmptyTable(const QString& tableName);

    // Runs one statement of SQL with positional parameters ("?"); the number of rows changed.
    // Open tables see the change at their next access.
    int Execute(const QString& sql, const QVariantList& params = {});

    // Repair of a closed database file: every readable row of every table goes into a fresh file at
    // the same path; the damaged file is kept beside it under a new name, which is returned.
    // Tables named in expected that the damaged file no longer holds are created empty. The report
    // lists per table the rows taken over and the damage met.
    struct TRepairResult
    {
        QString damagedCopy;
        QStringList report;
        qint64 rowsCopied = 0;
    };
    static TRepairResult Repair(const QString& path, const QList<TTableDef>& expected = {});
    // Rebuilds a closed database file without its free space. A damaged file is repaired instead
    // (see Repair), which leaves a fresh file just as compact; returns true then.
    static bool Compact(const QString& path, const QList<TTableDef>& expected = {});
    // The same on this connection's file; the connection must be closed.
    TRepairResult Repair(const QList<TTableDef>& expected = {}) { return Repair(m_fileName, expected); }
    bool Compact(const QList<TTableDef>& expected = {}) { return Compact(m_fileName, expected); }

    // The underlying handle (benchmarks and tests); nullptr while closed. Ends the store's own
    // reading transaction first, so that what is done with the handle stands on its own.
    sqlite3* Handle() const
    {
        EndRead();
        return m_db;
    }

    // Increments whenever rows of the table change through any cursor or Execute; open cursors
    // compare it to know whether what they fetched is still current.
    quint64* TableVersion(const QString& tableName);
    void Touch(const QString& tableName);
    void TouchAll();

signals:
    // The file was found damaged; the program tells the user to run the repair.
    void NeedRepair();
    void AfterConnect();
    void BeforeDisconnect();

private:
    friend class TTable;
    void Attach(TTable* table);
    void Detach(TTable* table);
    void ExecSimple(const char* sql);
    // A failed statement: damage is noted (see Open), then the store's error thrown.
    void NoteDamage(int rc);
    [[noreturn]] void Fail(int rc);
    // Reads between writes share one transaction: starting a transaction for each statement costs
    // more than most statements themselves. Every write ends it first, so that a write outside an
    // explicit transaction is committed at once as always.
    void BeginRead();
    void EndRead() const;

    QString m_databaseName;
    QString m_fileName;
    sqlite3* m_db = nullptr;
    bool m_needsRepair = false;
    bool m_inTransaction = false;
    mutable bool m_readOpen = false;
    QList<TTable*> m_tables;
    struct TVersions;
    std::unique_ptr<TVersions> m_versions;
};
