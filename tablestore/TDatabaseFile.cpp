#include "TDatabaseFile.h"

#include "StoreSql.h"
#include "TError.h"
#include "TTable.h"

#include <map>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;
using namespace StoreSql;

struct TDatabaseFile::TVersions
{
    // Keyed by the lower-case table name; the counters stay where they are for the cursors.
    std::map<QString, std::unique_ptr<quint64>> counters;
};

TDatabaseFile::TDatabaseFile(QObject* parent) : QObject(parent), m_versions(std::make_unique<TVersions>()) {}

TDatabaseFile::~TDatabaseFile()
{
    Close();
    for (TTable* t : std::as_const(m_tables))
        t->DatabaseGone();
}

void TDatabaseFile::SetFileName(const QString& path)
{
    if (Connected())
        throw TError(u"Cannot change the file of open database '%1'"_s.arg(m_databaseName));
    m_fileName = path;
}

void TDatabaseFile::CreateDatabaseFile()
{
    if (Connected())
        throw TError(u"Database '%1' is open"_s.arg(m_databaseName));
    if (m_fileName.isEmpty())
        throw TError(u"No file name given for database '%1'"_s.arg(m_databaseName));
    sqlite3* db = OpenFile(m_fileName, true);
    CloseFile(db);
}

void TDatabaseFile::Open()
{
    if (Connected())
        return;
    if (m_fileName.isEmpty())
        throw TError(u"No file name given for database '%1'"_s.arg(m_databaseName));
    // A database file always holds at least its first page; an empty one lost everything, the
    // table definitions included, and is repaired like a damaged one.
    const bool emptyFile = QFileInfo(m_fileName).size() == 0;
    sqlite3* db = nullptr;
    try {
        db = OpenFile(m_fileName, false);
    } catch (const TStoreError& e) {
        // Damaged so badly that it cannot even be opened: the user hears of the repair first.
        if (e.code == SQLITE_CORRUPT) {
            m_needsRepair = true;
            emit NeedRepair();
            if (OnNeedRepair)
                OnNeedRepair();
        }
        throw;
    }
    QString problem;
    bool healthy;
    try {
        healthy = StructureCheck(db, m_fileName, &problem) && !emptyFile;
    } catch (...) {
        CloseFile(db);
        throw;
    }
    m_db = db;
    m_inTransaction = false;
    m_needsRepair = !healthy;
    TouchAll();
    emit AfterConnect();
    if (m_needsRepair) {
        emit NeedRepair();
        if (OnNeedRepair)
            OnNeedRepair();
    }
}

void TDatabaseFile::NoteDamage(int rc)
{
    const int primary = rc & 0xff;
    if ((primary != SQLITE_CORRUPT && primary != SQLITE_NOTADB) || m_needsRepair || !m_db)
        return;
    // Said once per connection, and after the event at hand: the damage may come to light while
    // a list paints itself, where no message box may open.
    m_needsRepair = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            emit NeedRepair();
            if (OnNeedRepair)
                OnNeedRepair();
        },
        Qt::QueuedConnection);
}

void TDatabaseFile::Fail(int rc)
{
    NoteDamage(rc);
    Throw(m_db, rc, m_fileName);
}

void TDatabaseFile::Close()
{
    if (!m_db)
        return;
    emit BeforeDisconnect();
    for (TTable* t : QList<TTable*>(m_tables))
        t->Close();
    EndRead();
    if (m_inTransaction)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_inTransaction = false;
    CloseFile(m_db);
    m_db = nullptr;
    TouchAll();
}

void TDatabaseFile::BeginRead()
{
    if (m_db && !m_inTransaction && !m_readOpen && sqlite3_get_autocommit(m_db)) {
        if (sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK)
            m_readOpen = true;
    }
}

void TDatabaseFile::EndRead() const
{
    if (!m_readOpen)
        return;
    m_readOpen = false;
    if (m_db && !sqlite3_get_autocommit(m_db) &&
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void TDatabaseFile::ExecSimple(const char* sql)
{
    if (!m_db)
        throw TError(u"Database '%1' is not open"_s.arg(m_databaseName));
    EndRead();
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        Fail(rc);
}

void TDatabaseFile::StartTransaction()
{
    if (m_inTransaction)
        throw TError(u"A transaction is already active on database '%1'"_s.arg(m_databaseName));
    ExecSimple("BEGIN IMMEDIATE");
    m_inTransaction = true;
}

void TDatabaseFile::Commit(bool forceFlush)
{
    if (!m_inTransaction)
        throw TError(u"No transaction is active on database '%1'"_s.arg(m_databaseName));
    ExecSimple("COMMIT");
    m_inTransaction = false;
    if (forceFlush)
        ExecSimple("PRAGMA wal_checkpoint(FULL)");
}

void TDatabaseFile::Rollback()
{
    if (!m_inTransaction)
        throw TError(u"No transaction is active on database '%1'"_s.arg(m_databaseName));
    m_inTransaction = false;
    // After a failed statement the file may already have rolled back by itself.
    if (!sqlite3_get_autocommit(m_db))
        ExecSimple("ROLLBACK");
    TouchAll();
}

QStringList TDatabaseFile::TableNames() const
{
    if (!m_db)
        throw TError(u"Database '%1' is not open"_s.arg(m_databaseName));
    QStringList names;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(
        m_db,
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
        "ESCAPE '\\' ORDER BY rowid",
        -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        Throw(m_db, rc, m_fileName);
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        names.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))));
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        Throw(m_db, rc, m_fileName);
    return names;
}

bool TDatabaseFile::TableExists(const QString& tableName) const
{
    for (const QString& n : TableNames())
        if (n.compare(tableName, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

TTableDef TDatabaseFile::TableDefinition(const QString& tableName) const
{
    if (!m_db)
        throw TError(u"Database '%1' is not open"_s.arg(m_databaseName));
    return ReadTableDef(m_db, tableName, m_fileName);
}

void TDatabaseFile::CreateTable(const TTableDef& def)
{
    if (!m_db)
        throw TError(u"Database '%1' is not open"_s.arg(m_databaseName));
    if (TableExists(def.name))
        throw TError(u"Table '%1' already exists"_s.arg(def.name));
    QList<QByteArray> sql{CreateTableSql(def)};
    for (const TIndexDef& index : def.indexes) {
        for (const QString& f : index.fields) {
            const bool known = std::any_of(def.fields.begin(), def.fields.end(), [&](const TFieldDef& fd) {
                return fd.name.compare(f, Qt::CaseInsensitive) == 0;
            });
            if (!known)
                throw TError(
                    u"Field '%1' of index '%2' not found in table '%3'"_s.arg(f, index.name, def.name));
        }
        sql.append(CreateIndexSql(def.name, index));
    }
    const bool own = !m_inTransaction;
    if (own)
        ExecSimple("BEGIN IMMEDIATE");
    try {
        for (const QByteArray& s : sql)
            Exec(m_db, s.constData(), m_fileName);
        if (own)
            ExecSimple("COMMIT");
    } catch (...) {
        if (own && !sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    Touch(def.name);
}

void TDatabaseFile::DeleteTable(const QString& tableName)
{
    if (!m_db)
        throw TError(u"Database '%1' is not open"_s.arg(m_databaseName));
    for (TTable* t : std::as_const(m_tables))
        if (t->Active() && t->TableName().compare(tableName, Qt::CaseInsensitive) == 0)
            throw TError(u"Table '%1' is in use"_s.arg(tableName));
    if (!TableExists(tableName))
        throw TError(u"Table '%1' does not exist in database file '%2'"_s.arg(
            tableName, QDir::toNativeSeparators(m_fileName)));
    EndRead();
    Exec(m_db, ("DROP TABLE " + Quote(tableName)).constData(), m_fileName);
    Touch(tableName);
}

void TDatabaseFile::EmptyTable(const QString& tableName)
{
    if (!m_db)
        throw TError(u"Database '%1' is not open"_s.arg(m_databaseName));
    if (!TableExists(tableName))
        throw TError(u"Table '%1' does not exist in database file '%2'"_s.arg(
            tableName, QDir::toNativeSeparators(m_fileName)));
    EndRead();
    Exec(m_db, ("DELETE FROM " + Quote(tableName)).constData(), m_fileName);
    Touch(tableName);
}

int TDatabaseFile::Execute(const QString& sql, const QVariantList& params)
{
    if (!m_db)
        throw TError(u"Database '%1' is not open"_s.arg(m_databaseName));
    EndRead();
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, nullptr);
    if (rc != SQLITE_OK)
        Fail(rc);
    QList<QByteArray> keep;
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params[i];
        const int n = i + 1;
        switch (v.typeId()) {
        case QMetaType::UnknownType:
            sqlite3_bind_null(stmt, n);
            break;
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            sqlite3_bind_int64(stmt, n, v.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            sqlite3_bind_double(stmt, n, v.toDouble());
            break;
        case QMetaType::QDate: {
            char buf[10];
            sqlite3_bind_text(stmt, n, buf, FormatIsoDate(v.toDate(), buf), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QTime: {
            char buf[8];
            sqlite3_bind_text(stmt, n, buf, FormatIsoTime(v.toTime(), buf), SQLITE_TRANSIENT);
            break;
        }
        default:
            if (v.isNull()) {
                sqlite3_bind_null(stmt, n);
            } else {
                keep.append(v.toString().toUtf8());
                sqlite3_bind_text(stmt, n, keep.last().constData(), int(keep.last().size()),
                                  SQLITE_TRANSIENT);
            }
        }
    }
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    sqlite3_finalize(stmt);
    TouchAll();
    if (rc != SQLITE_DONE)
        Fail(rc);
    return sqlite3_changes(m_db);
}

quint64* TDatabaseFile::TableVersion(const QString& tableName)
{
    auto& slot = m_versions->counters[tableName.toLower()];
    if (!slot)
        slot = std::make_unique<quint64>(1);
    return slot.get();
}

void TDatabaseFile::Touch(const QString& tableName)
{
    ++*TableVersion(tableName);
}

void TDatabaseFile::TouchAll()
{
    for (auto& [name, counter] : m_versions->counters)
        ++*counter;
}

void TDatabaseFile::Attach(TTable* table)
{
    if (!m_tables.contains(table))
        m_tables.append(table);
}

void TDatabaseFile::Detach(TTable* table)
{
    m_tables.removeAll(table);
}
