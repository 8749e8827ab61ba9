// Speed of the browser on a large database, in one run:
//   ratio_startup  the program started until its main window is shown with the customer list up
//                  (10,000 customers, 100,000 tests, 2,000,000 readings), beside the same start-up
//                  on an empty database;
//   ratio_sort     the customer list sorted by name with a click on its title and read through
//                  from the first row to the last, beside the same ordered query asked of SQLite
//                  directly and stepped through.
// Usage: bench_browser [rounds]   (default 5; the best round counts)
//
// Both sides run interleaved; the ratios are taken from the processor time of the process, which
// other programs on a shared machine disturb far less than the elapsed time; both are printed.

#include "TApplicationStart.h"
#include "TDatabase.h"
#include "TMainFrm.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <sqlite3.h>

#include "BenchTimer.h"

using namespace Qt::StringLiterals;

namespace {

void Check(int rc, sqlite3* db, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(2);
    }
}

// The data folder of one home.
void UseHome(const QString& home)
{
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_DATA_HOME", (home + u"/data"_s).toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + u"/config"_s).toUtf8());
}

// 10,000 customers with 10 tests each and 20 readings per test, written straight into the file.
void FillLargeDatabase(const QString& path)
{
    {
        TDatabase db;
        db.CreateDatabase(path);
    }
    sqlite3* h = nullptr;
    Check(sqlite3_open(path.toUtf8().constData(), &h), h, "open");
    Check(sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr), h, "begin");
    sqlite3_stmt *k = nullptr, *m = nullptr, *r = nullptr;
    Check(sqlite3_prepare_v2(h, "INSERT INTO KundenTable (KN, K1, K2, K3, K4, K5) VALUES (?, ?, ?, ?, ?, '')",
                             -1, &k, nullptr),
          h, "prepare");
    Check(sqlite3_prepare_v2(
              h,
              "INSERT INTO MessungenTable (MKUNDENID, SD, SU, MT, MTNR, \"IN\", DS, DE, MD, EH, KS) "
              "VALUES (?, ?, ?, 'Belastungs- und Dichtheitsprüfung (Belastung)', 1, '60', '100', "
              "'99', ?, 'mbar', '1')",
              -1, &m, nullptr),
          h, "prepare");
    Check(sqlite3_prepare_v2(h, "INSERT INTO MessdatenTable (MESSDATENID, DA, UZ, MW) VALUES (?, ?, ?, ?)",
                             -1, &r, nullptr),
          h, "prepare");
    QRandomGenerator random(4711);
    const char* names[] = {"Müller", "Schmidt", "Schneider", "Fischer", "Weber", "Meyer", "Wagner", "Becker"};
    int test = 0;
    for (int c = 1; c <= 10000; ++c) {
        const QByteArray kn = QByteArray::number(100000 + random.bounded(900000));
        const QByteArray name =
            QByteArray(names[random.bounded(8)]) + ' ' + QByteArray::number(random.bounded(10000));
        const QByteArray street = "Hauptstraße " + QByteArray::number(c);
        sqlite3_bind_text(k, 1, kn.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(k, 2, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(k, 3, street.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(k, 4, "12345 Musterstadt", -1, SQLITE_STATIC);
        sqlite3_bind_text(k, 5, "0123 456789", -1, SQLITE_STATIC);
        Check(sqlite3_step(k), h, "customer");
        sqlite3_reset(k);
        const qint64 customer = sqlite3_last_insert_rowid(h);
        for (int t = 0; t < 10; ++t) {
            const QByteArray date =
                QDate(2015, 1, 1).addDays(test % 3000).toString(u"yyyy-MM-dd"_s).toLatin1();
            sqlite3_bind_int64(m, 1, customer);
            sqlite3_bind_text(m, 2, date.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(m, 3, "09:15:00", -1, SQLITE_STATIC);
            sqlite3_bind_text(m, 4, QByteArray::number(random.bounded(120)).constData(), -1,
                              SQLITE_TRANSIENT);
            Check(sqlite3_step(m), h, "test");
            sqlite3_reset(m);
            const qint64 id = sqlite3_last_insert_rowid(h);
            ++test;
            for (int i = 0; i < 20; ++i) {
                sqlite3_bind_int64(r, 1, id);
                sqlite3_bind_text(r, 2, date.constData(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(
                    r, 3, QTime(9, 15, 0).addSecs(60 * i).toString(u"hh:mm:ss"_s).toLatin1().constData(), -1,
                    SQLITE_TRANSIENT);
                sqlite3_bind_double(r, 4, 100.0 - i * 0.05);
                Check(sqlite3_step(r), h, "reading");
                sqlite3_reset(r);
            }
        }
    }
    sqlite3_finalize(k);
    sqlite3_finalize(m);
    sqlite3_finalize(r);
    Check(sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr), h, "commit");
    sqlite3_close(h);
}

// Starts the program in the home until its main window is up; the program stays open.
TTimes StartProgram(const QString& home, std::unique_ptr<TApplicationStart>& program)
{
    UseHome(home);
    const TStopwatch watch;
    program = std::make_unique<TApplicationStart>();
    program->Start();
    TMainFrm* main = program->MainFrm();
    main->show();
    while (!(main->KundenTable->Active() && !main->Tools1->menuAction()->isVisible()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
    return watch.Stop();
}

// The title click on "Name" and every row's visible texts read through the list's model.
TTimes SortThroughTheList(TMainFrm* main, qint64* checksum, TTimes* click)
{
    TGridModel* model = main->KundenDBGrid->Model();
    // Another order first, so that the click on "Name" really reorders.
    main->KundenDBGridTitleClick(model->ColumnOf(u"KN"_s));
    const TStopwatch watch;
    main->KundenDBGridTitleClick(model->ColumnOf(u"K1"_s));
    click->Best(watch.Stop());
    const int rows = model->rowCount();
    const int columns = model->columnCount();
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            *checksum += model->data(model->index(row, column)).toString().size();
    return watch.Stop();
}

TTimes SortInSqlite(const QString& path, qint64* checksum)
{
    const TStopwatch watch;
    sqlite3* h = nullptr;
    Check(sqlite3_open_v2(path.toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr), h, "open");
    sqlite3_stmt* s = nullptr;
    Check(sqlite3_prepare_v2(h, "SELECT KN, K1, K2, K3, K4, K5 FROM KundenTable ORDER BY K1, KUNDENID", -1,
                             &s, nullptr),
          h, "prepare");
    while (sqlite3_step(s) == SQLITE_ROW)
        for (int column = 0; column < 6; ++column)
            *checksum +=
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, column))).size();
    sqlite3_finalize(s);
    sqlite3_close(h);
    return watch.Stop();
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir root;
    const QString emptyHome = root.path() + u"/empty"_s;
    const QString largeHome = root.path() + u"/large"_s;
    QDir().mkpath(emptyHome);
    QDir().mkpath(largeHome);
    UseHome(largeHome);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    const QString largeDb = TDatabase::DatabasePath();
    QElapsedTimer fill;
    fill.start();
    FillLargeDatabase(largeDb);
    std::printf("fill_large_database: %.0f ms\n", double(fill.elapsed()));
    // The empty database of the other home comes into being at its first start.

    // The store's part of the start-up: opening the file and its three tables.
    TTimes open;
    for (int round = 0; round < rounds; ++round) {
        TDatabase db;
        const TStopwatch watch;
        db.OpenTables(largeDb);
        open.Best(watch.Stop());
    }
    std::printf("open_large_tables_cpu: %.1f ms\n", open.cpu);
    {
        sqlite3* h = nullptr;
        Check(sqlite3_open(largeDb.toUtf8().constData(), &h), h, "open");
        const TStopwatch watch;
        Check(sqlite3_exec(h, "PRAGMA quick_check(1)", nullptr, nullptr, nullptr), h, "check");
        std::printf("sqlite_quick_check_cpu: %.1f ms\n", watch.Stop().cpu);
        sqlite3_close(h);
    }

    TTimes startEmpty, startLarge, sortList, sortSqlite, sortClick;
    qint64 listSum = 0, sqliteSum = 0;
    for (int round = 0; round < rounds; ++round) {
        std::unique_ptr<TApplicationStart> program;
        startEmpty.Best(StartProgram(emptyHome, program));
        program.reset();
        startLarge.Best(StartProgram(largeHome, program));
        qint64 a = 0, b = 0;
        sortList.Best(SortThroughTheList(program->MainFrm(), &a, &sortClick));
        program.reset();
        sortSqlite.Best(SortInSqlite(largeDb, &b));
        listSum = a;
        sqliteSum = b;
    }
    if (listSum != sqliteSum)
        std::fprintf(stderr, "the list and the query read different texts (%lld, %lld)\n", (long long)listSum,
                     (long long)sqliteSum);

    std::printf("startup_empty_wall: %.1f ms\n", startEmpty.wall);
    std::printf("startup_empty_cpu: %.1f ms\n", startEmpty.cpu);
    std::printf("startup_large_wall: %.1f ms\n", startLarge.wall);
    std::printf("startup_large_cpu: %.1f ms\n", startLarge.cpu);
    std::printf("sort_list_wall: %.1f ms\n", sortList.wall);
    std::printf("sort_list_cpu: %.1f ms\n", sortList.cpu);
    std::printf("sort_click_cpu: %.1f ms\n", sortClick.cpu);
    std::printf("sort_sqlite_wall: %.1f ms\n", sortSqlite.wall);
    std::printf("sort_sqlite_cpu: %.1f ms\n", sortSqlite.cpu);
    std::printf("ratio_startup: %.2f\n", startLarge.cpu / startEmpty.cpu);
    std::printf("ratio_sort: %.2f\n", sortList.cpu / sortSqlite.cpu);
    return 0;
}
