// Speed of the table store beside SQLite alone, on the program's own tables, in one run:
//   ratio_append  1,000,000 readings appended through the cursor in one transaction, beside the same
//                 rows inserted by one prepared statement;
//   ratio_move    1,000 tests moved through with their readings linked and counted (10,000 customers,
//                 100,000 tests, 2,000,000 readings), beside the same counts asked of SQLite directly.
// Usage: bench_store [folder [append|move]]   (default: a temporary folder, removed afterwards; both)
//
// Each side runs several times, interleaved; the best run counts. The ratios are taken from the
// processor time of the process, which other programs on a shared machine disturb far less than
// the elapsed time; both are printed.

#include "TDatabase.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

#include "BenchTimer.h"

using namespace Qt::StringLiterals;

namespace {

void Check(int rc, sqlite3* db, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

sqlite3_stmt* Prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    Check(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), db, sql);
    return st;
}

const QDate Day0(2024, 3, 14);
const QTime Time0(9, 15, 0);

// The moment of reading i, as the import computes it.
void Moment(int i, QDate* date, QTime* time)
{
    const int secs = Time0.msecsSinceStartOfDay() / 1000 + i;
    *date = Day0.addDays(secs / 86400);
    *time = QTime::fromMSecsSinceStartOfDay((secs % 86400) * 1000);
}

// A database with one customer and one test, open, readings table linked to the test.
void FreshWithOneTest(TDatabase& db, const QString& path)
{
    QFile::remove(path);
    db.CreateDatabase(path);
    db.OpenTables(path);
    db.KundenTable->Append();
    db.KundenTable->FieldByName(u"KN"_s).SetAsString(u"K1"_s);
    db.KundenTable->Post();
    db.MessungenTable->Append();
    db.MessungenTable->FieldByName(u"SD"_s).SetAsDate(Day0);
    db.MessungenTable->Post();
}

TTimes AppendThroughStore(const QString& path, int rows)
{
    TDatabase db;
    FreshWithOneTest(db, path);
    TTable& t = *db.MessdatenTable;
    TField& da = t.FieldByName(u"DA"_s);
    TField& uz = t.FieldByName(u"UZ"_s);
    TField& mw = t.FieldByName(u"MW"_s);
    const TStopwatch watch;
    db.Database->StartTransaction();
    for (int i = 0; i < rows; ++i) {
        QDate d;
        QTime tm;
        Moment(i, &d, &tm);
        t.Append();
        da.SetAsDate(d);
        uz.SetAsTime(tm);
        mw.SetAsFloat(double(float(i % 1000) / 100.0f));
        t.Post();
    }
    db.Database->Commit();
    const TTimes ms = watch.Stop();
    if (t.RecordCount() != rows) {
        std::fprintf(stderr, "store appended %d rows instead of %d\n", t.RecordCount(), rows);
        std::exit(1);
    }
    db.CloseTables();
    return ms;
}

TTimes AppendThroughSqlite(const QString& path, int rows)
{
    TDatabase db;
    FreshWithOneTest(db, path);
    const int test = db.MessungenTable->FieldByName(u"MESSUNGENID"_s).AsInteger();
    sqlite3* h = db.Database->Handle();
    sqlite3_stmt* ins =
        Prepare(h, "INSERT INTO MessdatenTable (MESSDATENID, DA, UZ, MW) VALUES (?, ?, ?, ?)");
    const TStopwatch watch;
    Check(sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr), h, "begin");
    char date[16], time[16];
    for (int i = 0; i < rows; ++i) {
        QDate d;
        QTime tm;
        Moment(i, &d, &tm);
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", d.year(), d.month(), d.day());
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", tm.hour(), tm.minute(), tm.second());
        sqlite3_bind_int(ins, 1, test);
        sqlite3_bind_text(ins, 2, date, 10, SQLITE_STATIC);
        sqlite3_bind_text(ins, 3, time, 8, SQLITE_STATIC);
        sqlite3_bind_double(ins, 4, double(float(i % 1000) / 100.0f));
        Check(sqlite3_step(ins), h, "insert");
        sqlite3_reset(ins);
    }
    Check(sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr), h, "commit");
    const TTimes ms = watch.Stop();
    sqlite3_finalize(ins);
    db.CloseTables();
    return ms;
}

// 10,000 customers, 100,000 tests, 2,000,000 readings, written directly.
void BuildMoveData(const QString& path)
{
    TDatabase db;
    QFile::remove(path);
    db.CreateDatabase(path);
    db.Database->Open();
    sqlite3* h = db.Database->Handle();
    sqlite3_stmt* k =
        Prepare(h, "INSERT INTO KundenTable (KN, K1, K2, K3) VALUES (?, ?, 'Hauptstrasse 1', '12345 Ort')");
    sqlite3_stmt* m =
        Prepare(h, "INSERT INTO MessungenTable (MKUNDENID, SD, SU, MT, MTNR, \"IN\", DS, DE, MD, EH, KS, NR) "
                   "VALUES (?, ?, ?, 'Gas Belastungspruefung', 1, '1', '110.5', '110.2', '10', 'mbar', "
                   "'1', 'TQ5-0001')");
    sqlite3_stmt* r = Prepare(h, "INSERT INTO MessdatenTable (MESSDATENID, DA, UZ, MW) VALUES (?, ?, ?, ?)");
    Check(sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr), h, "begin");
    int test = 0;
    for (int c = 1; c <= 10000; ++c) {
        const QByteArray kn = "K" + QByteArray::number(c), name = "Kunde " + QByteArray::number(c);
        sqlite3_bind_text(k, 1, kn.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(k, 2, name.constData(), -1, SQLITE_TRANSIENT);
        Check(sqlite3_step(k), h, "customer");
        sqlite3_reset(k);
        const sqlite3_int64 customer = sqlite3_last_insert_rowid(h);
        for (int t = 0; t < 10; ++t) {
            ++test;
            sqlite3_bind_int64(m, 1, customer);
            sqlite3_bind_text(m, 2, "2024-03-14", -1, SQLITE_STATIC);
            sqlite3_bind_text(m, 3, "09:15:00", -1, SQLITE_STATIC);
            Check(sqlite3_step(m), h, "test");
            sqlite3_reset(m);
            const sqlite3_int64 id = sqlite3_last_insert_rowid(h);
            for (int i = 0; i < 20; ++i) {
                sqlite3_bind_int64(r, 1, id);
                sqlite3_bind_text(r, 2, "2024-03-14", -1, SQLITE_STATIC);
                sqlite3_bind_text(r, 3, "09:15:00", -1, SQLITE_STATIC);
                sqlite3_bind_double(r, 4, i / 10.0);
                Check(sqlite3_step(r), h, "reading");
                sqlite3_reset(r);
            }
        }
    }
    Check(sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr), h, "commit");
    sqlite3_finalize(k);
    sqlite3_finalize(m);
    sqlite3_finalize(r);
    db.CloseTables();
}

// Moves through `tests` tests from the customer at firstCustomer on; the readings counted.
qint64 MoveThroughStore(TDatabase& db, int firstCustomer, int tests)
{
    qint64 readings = 0;
    int seen = 0;
    TTable& k = *db.KundenTable;
    TTable& m = *db.MessungenTable;
    TTable& r = *db.MessdatenTable;
    for (k.SetRecNo(firstCustomer); !k.Eof() && seen < tests; k.Next())
        for (m.First(); !m.Eof() && seen < tests; m.Next(), ++seen)
            readings += r.RecordCount();
    return readings;
}

qint64 MoveThroughSqlite(sqlite3* h, int firstCustomer, int tests)
{
    static sqlite3_stmt* customers =
        Prepare(h, "SELECT KUNDENID FROM KundenTable ORDER BY rowid LIMIT -1 OFFSET ?");
    static sqlite3_stmt* ofCustomer =
        Prepare(h, "SELECT MESSUNGENID FROM MessungenTable WHERE MKUNDENID = ? ORDER BY MKUNDENID, rowid");
    static sqlite3_stmt* count = Prepare(h, "SELECT COUNT(*) FROM MessdatenTable WHERE MESSDATENID = ?");
    qint64 readings = 0;
    int seen = 0;
    sqlite3_bind_int(customers, 1, firstCustomer - 1);
    while (seen < tests && sqlite3_step(customers) == SQLITE_ROW) {
        sqlite3_bind_int64(ofCustomer, 1, sqlite3_column_int64(customers, 0));
        while (seen < tests && sqlite3_step(ofCustomer) == SQLITE_ROW) {
            sqlite3_bind_int64(count, 1, sqlite3_column_int64(ofCustomer, 0));
            sqlite3_step(count);
            readings += sqlite3_column_int64(count, 0);
            sqlite3_reset(count);
            ++seen;
        }
        sqlite3_reset(ofCustomer);
    }
    sqlite3_reset(customers);
    return readings;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    QDir().mkpath(folder);
    const QString appendPath = folder + u"/append.db"_s;
    const QString movePath = folder + u"/move.db"_s;

    const QByteArray only = argc > 2 ? QByteArray(argv[2]) : QByteArray();

    constexpr int appendRows = 1000000;
    if (only.isEmpty() || only == "append") {
        TTimes store, sqlite;
        for (int round = 0; round < 3; ++round) {
            sqlite.Best(AppendThroughSqlite(appendPath, appendRows));
            store.Best(AppendThroughStore(appendPath, appendRows));
        }
        QFile::remove(appendPath);
        std::printf("append_rows: %d rows\n", appendRows);
        std::printf("append_store: %.1f ms\n", store.wall);
        std::printf("append_sqlite: %.1f ms\n", sqlite.wall);
        std::printf("append_store_cpu: %.1f ms\n", store.cpu);
        std::printf("append_sqlite_cpu: %.1f ms\n", sqlite.cpu);
        std::printf("append_store_rate: %.0f rows/s\n", appendRows / store.wall * 1000);
        std::printf("ratio_append: %.2f\n", store.cpu / sqlite.cpu);
        std::fflush(stdout);
    }
    if (!only.isEmpty() && only != "move")
        return 0;

    // A folder given on the command line keeps the readings database for the next run.
    if (argc < 2 || !QFile::exists(movePath)) {
        const auto built = TClock::now();
        BuildMoveData(movePath);
        std::printf("move_build: %.1f ms\n", Ms(built));
    }

    TDatabase db;
    db.OpenTables(movePath);
    sqlite3* h = db.Database->Handle();
    constexpr int tests = 1000;
    const int passes =
        qEnvironmentVariableIntValue("BENCH_PASSES") > 0 ? qEnvironmentVariableIntValue("BENCH_PASSES") : 20;
    TTimes store, sqlite;
    qint64 storeCounted = 0, sqliteCounted = 0;
    const qint64 fetchedBefore = db.MessdatenTable->RowsFetched();
    MoveThroughStore(db, 1, tests); // warm both the same way
    MoveThroughSqlite(h, 1, tests);
    for (int pass = 0; pass < passes; ++pass) {
        const int first = 1 + pass * 400 % 9800;
        TStopwatch watch;
        sqliteCounted += MoveThroughSqlite(h, first, tests);
        sqlite.Best(watch.Stop());
        watch = TStopwatch();
        storeCounted += MoveThroughStore(db, first, tests);
        store.Best(watch.Stop());
    }
    const qint64 fetched = db.MessdatenTable->RowsFetched() - fetchedBefore;
    if (storeCounted != sqliteCounted) {
        std::fprintf(stderr, "counts differ: store %lld, sqlite %lld\n", storeCounted, sqliteCounted);
        return 1;
    }
    std::printf("move_tests: %d tests\n", tests);
    std::printf("move_readings_counted: %lld rows\n", storeCounted / passes);
    std::printf("move_readings_fetched: %lld rows\n", fetched);
    std::printf("move_store: %.3f ms\n", store.wall);
    std::printf("move_sqlite: %.3f ms\n", sqlite.wall);
    std::printf("move_store_cpu: %.3f ms\n", store.cpu);
    std::printf("move_sqlite_cpu: %.3f ms\n", sqlite.cpu);
    std::printf("ratio_move: %.2f\n", store.cpu / sqlite.cpu);
    db.CloseTables();
    if (argc < 2)
        QFile::remove(movePath);
    return 0;
}
