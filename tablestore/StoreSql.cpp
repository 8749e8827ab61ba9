#include "StoreSql.h"

#include "TError.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

using namespace Qt::StringLiterals;

namespace StoreSql {

namespace {

QString Native(const QString& fileName)
{
    return QDir::toNativeSeparators(fileName);
}

QString SqliteText(sqlite3* db, int rc)
{
    if (db && sqlite3_errcode(db) == rc)
        return QString::fromUtf8(sqlite3_errmsg(db));
    return QString::fromUtf8(sqlite3_errstr(rc));
}

int CollateNoCase(void*, int n1, const void* a, int n2, const void* b)
{
    auto* p = static_cast<const unsigned char*>(a);
    auto* q = static_cast<const unsigned char*>(b);
    const int n = std::min(n1, n2);
    for (int i = 0; i < n; ++i) {
        unsigned char ca = p[i], cb = q[i];
        if ((ca | cb) & 0x80) {
            const QString sa = QString::fromUtf8(reinterpret_cast<const char*>(p), n1);
            const QString sb = QString::fromUtf8(reinterpret_cast<const char*>(q), n2);
            const int c = sa.compare(sb, Qt::CaseInsensitive);
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
        if (ca >= 'a' && ca <= 'z')
            ca = ca - 'a' + 'A';
        if (cb >= 'a' && cb <= 'z')
            cb = cb - 'a' + 'A';
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return n1 < n2 ? -1 : (n1 > n2 ? 1 : 0);
}

int Digits(const char* s, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

} // namespace

QByteArray Quote(const QString& name)
{
    QByteArray q = name.toUtf8();
    q.replace('"', "\"\"");
    return '"' + q + '"';
}

QString ErrorText(sqlite3* db, int rc, const QString& fileName)
{
    const QString file = Native(fileName);
    const QString detail = SqliteText(db, rc);
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return u"Database file '%1' is locked by another program"_s.arg(file);
    case SQLITE_NOTADB:
        return u"File '%1' is not a database file"_s.arg(file);
    case SQLITE_CORRUPT:
        return u"Database file '%1' is damaged and needs to be repaired (%2)"_s.arg(file, detail);
    case SQLITE_FULL:
        return u"The disk is full: database file '%1' cannot grow (%2)"_s.arg(file, detail);
    case SQLITE_READONLY:
        return u"Database file '%1' is read-only"_s.arg(file);
    case SQLITE_CANTOPEN:
        return u"Database file '%1' cannot be opened (%2)"_s.arg(file, detail);
    case SQLITE_IOERR:
        return u"Read or write error on database file '%1' (%2)"_s.arg(file, detail);
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return u"No permission to use database file '%1' (%2)"_s.arg(file, detail);
    case SQLITE_CONSTRAINT:
        return u"Key violation in database file '%1' (%2)"_s.arg(file, detail);
    case SQLITE_NOMEM:
        return u"Not enough memory for database file '%1'"_s.arg(file);
    default:
        return u"Database error in '%1': %2"_s.arg(file, detail);
    }
}

void Throw(sqlite3* db, int rc, const QString& fileName)
{
    throw TStoreError(ErrorText(db, rc, fileName), rc & 0xff);
}

void Exec(sqlite3* db, const char* sql, const QString& fileName)
{
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        Throw(db, rc, fileName);
}

QByteArray QueryText(sqlite3* db, const char* sql, const QString& fileName)
{
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        Throw(db, rc, fileName);
    QByteArray result;
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        result = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                            sqlite3_column_bytes(stmt, 0));
    else if (rc != SQLITE_DONE) {
        const QString text = ErrorText(db, rc, fileName);
        sqlite3_finalize(stmt);
        throw TStoreError(text, rc & 0xff);
    }
    sqlite3_finalize(stmt);
    return result;
}

QByteArray DeclaredType(const TFieldDef& def)
{
    switch (def.type) {
    case TFieldType::String:
        return "VARCHAR(" + QByteArray::number(def.size) + ")";
    case TFieldType::Memo:
        return "MEMO TEXT";
    case TFieldType::Integer:
    case TFieldType::AutoInc:
        return "INTEGER";
    case TFieldType::Date:
        return "DATE TEXT";
    case TFieldType::Time:
        return "TIME TEXT";
    case TFieldType::Float:
        return "FLOAT";
    case TFieldType::Boolean:
        return "BOOLEAN";
    }
    return "MEMO TEXT";
}

TFieldDef FieldFromColumn(const QString& name, const QString& declaredType, bool primaryKey)
{
    const QString t = declaredType.trimmed().toUpper();
    TFieldDef def{name, TFieldType::Memo, 0};
    if (t.startsWith(u"VARCHAR("_s) && t.endsWith(u')')) {
        def.type = TFieldType::String;
        def.size = t.mid(8, t.size() - 9).toInt();
    } else if (t.startsWith(u"MEMO"_s) || t == u"TEXT"_s)
        def.type = TFieldType::Memo;
    else if (t.startsWith(u"DATE"_s))
        def.type = TFieldType::Date;
    else if (t.startsWith(u"TIME"_s))
        def.type = TFieldType::Time;
    else if (t == u"INTEGER"_s || t == u"INT"_s)
        def.type = primaryKey ? TFieldType::AutoInc : TFieldType::Integer;
    else if (t == u"FLOAT"_s || t == u"REAL"_s || t == u"DOUBLE"_s)
        def.type = TFieldType::Float;
    else if (t == u"BOOLEAN"_s)
        def.type = TFieldType::Boolean;
    return def;
}

QString IndexFileName(const QString& table, const QString& index)
{
    return table + u'.' + index;
}

QByteArray CreateTableSql(const TTableDef& def)
{
    if (def.name.trimmed().isEmpty())
        throw TError(u"Table name missing"_s);
    if (def.fields.isEmpty())
        throw TError(u"Table '%1' has no fields"_s.arg(def.name));
    QByteArray sql = "CREATE TABLE " + Quote(def.name) + " (";
    QSet<QString> names;
    int autoIncs = 0;
    for (int i = 0; i < def.fields.size(); ++i) {
        const TFieldDef& f = def.fields[i];
        if (f.name.trimmed().isEmpty())
            throw TError(u"Field name missing in table '%1'"_s.arg(def.name));
        if (names.contains(f.name.toUpper()))
            throw TError(u"Duplicate field name '%1' in table '%2'"_s.arg(f.name, def.name));
        names.insert(f.name.toUpper());
        if (f.type == TFieldType::String && f.size <= 0)
            throw TError(u"Invalid size %1 of field '%2'"_s.arg(f.size).arg(f.name));
        if (i)
            sql += ", ";
        sql += Quote(f.name) + ' ' + DeclaredType(f);
        if (f.type == TFieldType::AutoInc) {
            if (++autoIncs > 1)
                throw TError(u"Table '%1' has more than one auto-increment field"_s.arg(def.name));
            sql += " PRIMARY KEY AUTOINCREMENT";
        }
    }
    sql += ')';
    return sql;
}

QByteArray CreateIndexSql(const QString& table, const TIndexDef& index)
{
    if (index.name.trimmed().isEmpty())
        throw TError(u"Index name missing in table '%1'"_s.arg(table));
    if (index.fields.isEmpty())
        throw TError(u"Index '%1' has no fields"_s.arg(index.name));
    const bool unique = index.options & (TIndexOption::Unique | TIndexOption::Primary);
    QByteArray sql = QByteArray("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " +
                     Quote(IndexFileName(table, index.name)) +
                     (index.options & TIndexOption::Primary ? " /*primary*/" : "") + " ON " + Quote(table) +
                     " (";
    for (int i = 0; i < index.fields.size(); ++i) {
        if (i)
            sql += ", ";
        sql += Quote(index.fields[i]);
        if (index.options & TIndexOption::CaseInsensitive)
            sql += " COLLATE NOCASE";
        if (index.options & TIndexOption::Descending)
            sql += " DESC";
    }
    sql += ')';
    return sql;
}

TTableDef ReadTableDef(sqlite3* db, const QString& table, const QString& fileName)
{
    TTableDef def;
    sqlite3_stmt* stmt = nullptr;
    auto prepare = [&](const QByteArray& sql) {
        const int rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr);
        if (rc != SQLITE_OK)
            Throw(db, rc, fileName);
    };
    auto text = [&](int col) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, col)));
    };
    auto finish = [&](int rc) {
        sqlite3_finalize(stmt);
        stmt = nullptr;
        if (rc != SQLITE_DONE)
            Throw(db, rc, fileName);
    };

    prepare("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    const QByteArray tableUtf8 = table.toUtf8();
    sqlite3_bind_text(stmt, 1, tableUtf8.constData(), int(tableUtf8.size()), SQLITE_TRANSIENT);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        def.name = text(0);
    finish(rc == SQLITE_ROW ? SQLITE_DONE : rc);
    if (def.name.isEmpty())
        throw TError(u"Table '%1' does not exist in database file '%2'"_s.arg(table, Native(fileName)));

    prepare("PRAGMA table_info(" + Quote(def.name) + ")");
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        def.fields.append(FieldFromColumn(text(1), text(2), sqlite3_column_int(stmt, 5) != 0));
    finish(rc);

    struct TRawIndex
    {
        QString fileName;
        QString sql;
    };
    QList<TRawIndex> raw;
    prepare("SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ?1 COLLATE NOCASE "
            "AND sql IS NOT NULL ORDER BY rowid");
    sqlite3_bind_text(stmt, 1, tableUtf8.constData(), int(tableUtf8.size()), SQLITE_TRANSIENT);
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        raw.append({text(0), text(1)});
    finish(rc);

    const QString prefix = def.name + u'.';
    for (const TRawIndex& r : raw) {
        TIndexDef index;
        index.name =
            r.fileName.startsWith(prefix, Qt::CaseInsensitive) ? r.fileName.mid(prefix.size()) : r.fileName;
        if (r.sql.contains(u"/*primary*/"_s))
            index.options |= TIndexOption::Primary;
        // A primary index is unique by itself; the flag is kept for other unique ones.
        if (r.sql.startsWith(u"CREATE UNIQUE"_s, Qt::CaseInsensitive) &&
            !(index.options & TIndexOption::Primary))
            index.options |= TIndexOption::Unique;
        prepare("PRAGMA index_xinfo(" + Quote(r.fileName) + ")");
        bool allDesc = true, anyNoCase = false;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            if (sqlite3_column_int(stmt, 5) == 0) // the row id that closes every index entry
                continue;
            index.fields.append(text(2));
            allDesc = allDesc && sqlite3_column_int(stmt, 3) != 0;
            anyNoCase = anyNoCase || text(4).compare(u"NOCASE"_s, Qt::CaseInsensitive) == 0;
        }
        finish(rc);
        if (allDesc && !index.fields.isEmpty())
            index.options |= TIndexOption::Descending;
        if (anyNoCase)
            index.options |= TIndexOption::CaseInsensitive;
        def.indexes.append(index);
    }
    return def;
}

void RegisterCollation(sqlite3* db)
{
    sqlite3_create_collation(db, NoCaseCollation, SQLITE_UTF8, nullptr, CollateNoCase);
}

sqlite3* OpenFile(const QString& fileName, bool create)
{
    const QFileInfo info(fileName);
    if (!create && !info.exists())
        throw TError(u"Database file '%1' not found"_s.arg(Native(fileName)));
    if (info.exists() && info.isDir())
        throw TError(u"Database file '%1' is a folder"_s.arg(Native(fileName)));
    if (create && !info.exists() && !QFileInfo(info.absolutePath()).isDir())
        throw TError(
            u"Database file '%1' cannot be created: the folder does not exist"_s.arg(Native(fileName)));

    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(QFile::encodeName(fileName).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString text =
            create && !info.exists()
                ? u"Database file '%1' cannot be created (%2)"_s.arg(Native(fileName), SqliteText(db, rc))
                : ErrorText(db, rc, fileName);
        sqlite3_close(db);
        throw TError(text);
    }
    try {
        if (sqlite3_db_readonly(db, "main") == 1)
            throw TError(u"Database file '%1' is read-only"_s.arg(Native(fileName)));
        // Beside the file the store keeps its write-ahead log; a folder that allows no new files
        // would let every change fail later.
        if (!QFileInfo(info.absolutePath()).isWritable())
            throw TError(
                u"Database file '%1' cannot be changed: its folder is read-only"_s.arg(Native(fileName)));
        sqlite3_busy_timeout(db, 0);
        Exec(db, "PRAGMA locking_mode=EXCLUSIVE", fileName);
        const QByteArray mode = QueryText(db, "PRAGMA journal_mode=WAL", fileName).toLower();
        if (mode != "wal")
            throw TError(u"Database file '%1' cannot be opened for writing (journal mode %2)"_s.arg(
                Native(fileName), QString::fromUtf8(mode)));
        Exec(db, "PRAGMA synchronous=NORMAL", fileName);
        Exec(db, "PRAGMA cache_size=-32768", fileName);
        // Takes the exclusive lock at once and keeps it while the connection is open.
        Exec(db, "BEGIN EXCLUSIVE; COMMIT", fileName);
        RegisterCollation(db);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    return db;
}

namespace {

// What a check found: a file that cannot be read at all throws; damage is told through problem.
bool CheckVerdict(int rc, bool healthy, const QString& found, QString* problem)
{
    const int primary = rc & 0xff;
    if (primary == SQLITE_NOTADB || primary == SQLITE_BUSY || primary == SQLITE_LOCKED ||
        primary == SQLITE_NOMEM)
        throw TError(found);
    if (healthy)
        return true;
    if (problem)
        *problem = found;
    return false;
}

} // namespace

bool QuickCheck(sqlite3* db, const QString& fileName, QString* problem)
{
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &stmt, nullptr);
    QString found;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            found = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
            rc = SQLITE_DONE;
        }
    }
    if (rc != SQLITE_DONE)
        found = ErrorText(db, rc, fileName);
    sqlite3_finalize(stmt);
    return CheckVerdict(rc, rc == SQLITE_DONE && found == u"ok"_s, found, problem);
}

bool StructureCheck(sqlite3* db, const QString& fileName, QString* problem)
{
    QList<QByteArray> probes;
    int rc = SQLITE_OK;
    {
        sqlite3_stmt* stmt = nullptr;
        rc = sqlite3_prepare_v2(
            db, "SELECT type, name, tbl_name FROM sqlite_master WHERE type IN ('table', 'index')", -1, &stmt,
            nullptr);
        if (rc == SQLITE_OK) {
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
                const QByteArray type(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
                const QString name =
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
                const QString table =
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2)));
                if (name.startsWith(u"sqlite_"_s, Qt::CaseInsensitive))
                    continue;
                if (type == "table") {
                    for (const char* order : {" ORDER BY rowid LIMIT 1", " ORDER BY rowid DESC LIMIT 1"})
                        probes.append("SELECT * FROM " + Quote(name) + order);
                } else {
                    // The first entry of the index, read through the index alone.
                    probes.append("SELECT 1 FROM " + Quote(table) + " INDEXED BY " + Quote(name) +
                                  " LIMIT 1");
                }
            }
        }
        sqlite3_finalize(stmt);
    }
    for (qsizetype i = 0; i < probes.size() && (rc == SQLITE_DONE || rc == SQLITE_OK); ++i) {
        sqlite3_stmt* stmt = nullptr;
        rc = sqlite3_prepare_v2(db, probes[i].constData(), int(probes[i].size()), &stmt, nullptr);
        if (rc == SQLITE_OK)
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            }
        sqlite3_finalize(stmt);
    }
    const bool healthy = rc == SQLITE_DONE || rc == SQLITE_OK;
    return CheckVerdict(rc, healthy, healthy ? QString() : ErrorText(db, rc, fileName), problem);
}

void CloseFile(sqlite3* db)
{
    if (db)
        sqlite3_close_v2(db);
}

int FormatIsoDate(QDate date, char* out)
{
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    if (y < 0 || y > 9999)
        y = 0;
    out[0] = char('0' + y / 1000);
    out[1] = char('0' + y / 100 % 10);
    out[2] = char('0' + y / 10 % 10);
    out[3] = char('0' + y % 10);
    out[4] = '-';
    out[5] = char('0' + m / 10);
    out[6] = char('0' + m % 10);
    out[7] = '-';
    out[8] = char('0' + d / 10);
    out[9] = char('0' + d % 10);
    return 10;
}

int FormatIsoTime(QTime time, char* out)
{
    const int h = time.hour(), m = time.minute(), s = time.second();
    out[0] = char('0' + h / 10);
    out[1] = char('0' + h % 10);
    out[2] = ':';
    out[3] = char('0' + m / 10);
    out[4] = char('0' + m % 10);
    out[5] = ':';
    out[6] = char('0' + s / 10);
    out[7] = char('0' + s % 10);
    return 8;
}

QDate ParseIsoDate(const char* text, int length)
{
    if (length != 10 || text[4] != '-' || text[7] != '-')
        return {};
    const int y = Digits(text, 4), m = Digits(text + 5, 2), d = Digits(text + 8, 2);
    if (y < 0 || m < 0 || d < 0)
        return {};
    return QDate(y, m, d);
}

QTime ParseIsoTime(const char* text, int length)
{
    if (length != 8 || text[2] != ':' || text[5] != ':')
        return {};
    const int h = Digits(text, 2), m = Digits(text + 3, 2), s = Digits(text + 6, 2);
    if (h < 0 || m < 0 || s < 0)
        return {};
    return QTime(h, m, s);
}

} // namespace StoreSql
