// Repair and compaction of a closed database file.

#include "StoreSql.h"
#include "TDatabaseFile.h"
#include "TError.h"

#include <limits>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;
using namespace StoreSql;

namespace {

QString Native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// "TQ5Report.DB" -> "TQ5Report_damaged_20250314_091500.DB" beside it, never an existing name.
QString DamagedName(const QString& path)
{
    const QFileInfo fi(path);
    const QString stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd_hhmmss"_s);
    const QString suffix = fi.suffix().isEmpty() ? QString() : u'.' + fi.suffix();
    const QString base = fi.absolutePath() + u'/' + fi.completeBaseName() + u"_damaged_"_s + stamp;
    QString name = base + suffix;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo::exists(name + u"-wal"_s); ++n)
        name = base + u'_' + QString::number(n) + suffix;
    return name;
}

QString Text(sqlite3_stmt* st, int col)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, col)),
                             sqlite3_column_bytes(st, col));
}

struct TStmt
{
    sqlite3_stmt* st = nullptr;
    ~TStmt() { sqlite3_finalize(st); }
    int Prepare(sqlite3* db, const QByteArray& sql)
    {
        sqlite3_finalize(st);
        st = nullptr;
        return sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, nullptr);
    }
};

// Copies the readable rows of one table in row id order. Where the scan meets damage it looks for
// the next row id it can read again and goes on from there.
qint64 CopyRows(sqlite3* src, sqlite3* dst, const QString& table, const QString& dstFile, QStringList& report)
{
    TStmt cols;
    if (cols.Prepare(dst, "PRAGMA table_info(" + Quote(table) + ")") != SQLITE_OK)
        Throw(dst, sqlite3_errcode(dst), dstFile);
    QByteArray names, marks;
    int n = 0;
    while (sqlite3_step(cols.st) == SQLITE_ROW) {
        names += ", " + Quote(Text(cols.st, 1));
        marks += ", ?";
        ++n;
    }
    TStmt read, probe, write;
    // NOT INDEXED: an index holds the row ids too, and reading them there would pass over a
    // damaged page of the rows. The probe reads a whole row, so that where it finds one the copy
    // goes on from there.
    const QByteArray from = " FROM " + Quote(table) + " NOT INDEXED WHERE rowid >= ? ORDER BY rowid";
    if (read.Prepare(src, "SELECT rowid" + names + from) != SQLITE_OK) {
        report.append(u"%1: not readable (%2)"_s.arg(table, QString::fromUtf8(sqlite3_errmsg(src))));
        return 0;
    }
    probe.Prepare(src, "SELECT rowid" + names + from + " LIMIT 1");
    if (write.Prepare(dst, "INSERT INTO " + Quote(table) + " (rowid" + names + ") VALUES (?" + marks + ")") !=
        SQLITE_OK)
        Throw(dst, sqlite3_errcode(dst), dstFile);

    auto readable = [&](qint64 from) {
        if (!probe.st)
            return false;
        sqlite3_reset(probe.st);
        sqlite3_bind_int64(probe.st, 1, from);
        const int rc = sqlite3_step(probe.st);
        sqlite3_reset(probe.st);
        return rc == SQLITE_ROW || rc == SQLITE_DONE;
    };

    constexpr qint64 Max = std::numeric_limits<qint64>::max();
    qint64 next = std::numeric_limits<qint64>::min();
    qint64 copied = 0;
    int gaps = 0;
    for (;;) {
        sqlite3_reset(read.st);
        sqlite3_bind_int64(read.st, 1, next);
        int rc;
        bool atEnd = false;
        while ((rc = sqlite3_step(read.st)) == SQLITE_ROW) {
            const qint64 id = sqlite3_column_int64(read.st, 0);
            sqlite3_reset(write.st);
            sqlite3_bind_int64(write.st, 1, id);
            for (int c = 1; c <= n; ++c)
                sqlite3_bind_value(write.st, c + 1, sqlite3_column_value(read.st, c));
            const int wrc = sqlite3_step(write.st);
            if (wrc != SQLITE_DONE)
                Throw(dst, wrc, dstFile);
            ++copied;
            if (id == Max) {
                atEnd = true;
                break;
            }
            next = id + 1;
        }
        if (atEnd || rc == SQLITE_DONE)
            break;
        // Damage from somewhere at or after next: find the first row id that reads again.
        ++gaps;
        sqlite3_reset(read.st);
        qint64 bad = next, good = 0;
        bool found = false;
        for (int k = 0; k < 64; ++k) {
            const qint64 step = qint64(1) << std::min(k, 62);
            const qint64 candidate = k == 63 || bad > Max - step ? Max : bad + step;
            if (readable(candidate)) {
                good = candidate;
                found = true;
                break;
            }
            if (candidate == Max)
                break;
        }
        if (!found)
            break;
        // The distance can exceed the range of a signed number when the damage starts at the
        // table's very first row (bad is still the smallest row id).
        while (quint64(good) - quint64(bad) > 1) {
            const qint64 mid = qint64(quint64(bad) + (quint64(good) - quint64(bad)) / 2);
            if (readable(mid))
                good = mid;
            else
                bad = mid;
        }
        next = good;
    }
    sqlite3_reset(read.st);
    report.append(
        gaps ? u"%1: %2 rows taken over, %3 damaged part(s) skipped"_s.arg(table).arg(copied).arg(gaps)
             : u"%1: %2 rows taken over"_s.arg(table).arg(copied));
    return copied;
}

} // namespace

TDatabaseFile::TRepairResult TDatabaseFile::Repair(const QString& path, const QList<TTableDef>& expected)
{
    if (!QFileInfo(path).isFile())
        throw TError(u"Database file '%1' not found"_s.arg(Native(path)));
    TRepairResult result;
    const QString damaged = DamagedName(path);
    const QString wal = path + u"-wal"_s;
    if (!QFile::rename(path, damaged))
        throw TError(u"Database file '%1' cannot be renamed for the repair"_s.arg(Native(path)));
    if (QFileInfo::exists(wal))
        QFile::rename(wal, damaged + u"-wal"_s);
    QFile::remove(path + u"-shm"_s);
    result.damagedCopy = damaged;

    sqlite3* src = nullptr;
    sqlite3* dst = nullptr;
    try {
        if (sqlite3_open_v2(QFile::encodeName(damaged).constData(), &src, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK)
            Throw(src, sqlite3_errcode(src), damaged);
        sqlite3_busy_timeout(src, 0);
        // Tolerate a damaged schema as far as possible and check cells before trusting them.
        sqlite3_exec(src, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr);
        sqlite3_exec(src, "PRAGMA writable_schema=ON", nullptr, nullptr, nullptr);
        sqlite3_exec(src, "PRAGMA cell_size_check=ON", nullptr, nullptr, nullptr);
        RegisterCollation(src);

        dst = OpenFile(path, true);

        QStringList tables;
        QList<QByteArray> indexSql;
        {
            TStmt schema;
            int rc = schema.Prepare(src, "SELECT type, name, sql FROM sqlite_master ORDER BY rowid");
            if (rc == SQLITE_OK) {
                while ((rc = sqlite3_step(schema.st)) == SQLITE_ROW) {
                    const QString type = Text(schema.st, 0), name = Text(schema.st, 1);
                    const QByteArray sql =
                        QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(schema.st, 2)));
                    if (name.startsWith(u"sqlite_"_s, Qt::CaseInsensitive) || sql.isEmpty())
                        continue;
                    if (type == u"table"_s) {
                        if (sqlite3_exec(dst, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK)
                            tables.append(name);
                        else
                            result.report.append(u"%1: definition not readable"_s.arg(name));
                    } else if (type == u"index"_s) {
                        indexSql.append(sql);
                    }
                }
            }
            if (rc != SQLITE_DONE)
                result.report.append(u"Table list damaged (%1)"_s.arg(QString::fromUtf8(sqlite3_errstr(rc))));
        }
        for (const TTableDef& def : expected) {
            const bool present = std::any_of(tables.begin(), tables.end(), [&](const QString& t) {
                return t.compare(def.name, Qt::CaseInsensitive) == 0;
            });
            if (present)
                continue;
            Exec(dst, CreateTableSql(def).constData(), path);
            for (const TIndexDef& index : def.indexes)
                Exec(dst, CreateIndexSql(def.name, index).constData(), path);
            result.report.append(u"%1: created empty"_s.arg(def.name));
        }

        Exec(dst, "BEGIN IMMEDIATE", path);
        for (const QString& t : std::as_const(tables))
            result.rowsCopied += CopyRows(src, dst, t, path, result.report);
        Exec(dst, "COMMIT", path);

        for (const QByteArray& sql : std::as_const(indexSql))
            if (sqlite3_exec(dst, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
                result.report.append(u"Index not rebuilt: %1 (%2)"_s.arg(
                    QString::fromUtf8(sql), QString::fromUtf8(sqlite3_errmsg(dst))));

        // Numbers once given stay given: the counters of the numbered fields come along.
        TStmt seq;
        if (seq.Prepare(src, "SELECT name, seq FROM sqlite_sequence") == SQLITE_OK) {
            TStmt up;
            if (up.Prepare(dst, "UPDATE sqlite_sequence SET seq = max(seq, ?2) WHERE name = ?1") ==
                SQLITE_OK) {
                while (sqlite3_step(seq.st) == SQLITE_ROW) {
                    sqlite3_reset(up.st);
                    sqlite3_bind_value(up.st, 1, sqlite3_column_value(seq.st, 0));
                    sqlite3_bind_int64(up.st, 2, sqlite3_column_int64(seq.st, 1));
                    sqlite3_step(up.st);
                }
            }
        }
        CloseFile(dst);
        dst = nullptr;
        CloseFile(src);
        src = nullptr;
    } catch (...) {
        CloseFile(dst);
        CloseFile(src);
        // Nothing is lost: the damaged file goes back under its own name.
        QFile::remove(path);
        QFile::remove(wal);
        QFile::rename(damaged, path);
        if (QFileInfo::exists(damaged + u"-wal"_s))
            QFile::rename(damaged + u"-wal"_s, wal);
        throw;
    }
    return result;
}

bool TDatabaseFile::Compact(const QString& path, const QList<TTableDef>& expected)
{
    // A damaged file cannot be rebuilt in place: VACUUM stops at the first damaged page. The
    // repair writes a fresh file of every readable row, which is as compact as a rebuilt one.
    sqlite3* db = OpenFile(path, false);
    bool damaged = false;
    try {
        damaged = !QuickCheck(db, path, nullptr);
        if (!damaged) {
            const int rc = sqlite3_exec(db, "VACUUM", nullptr, nullptr, nullptr);
            const int primary = rc & 0xFF;
            damaged = primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
            if (rc != SQLITE_OK && !damaged)
                Throw(db, rc, path);
        }
    } catch (...) {
        CloseFile(db);
        throw;
    }
    CloseFile(db);
    if (damaged)
        Repair(path, expected);
    return damaged;
}
