// Speed of the card import, in one run:
//   ratio_import    a card of 20 files with 1,000,000 reading rows in all (test types 1 to 11) imported
//                   through the button's operation, beside the same rows inserted into the readings
//                   table by one bare prepared statement in one transaction;
//   repaints_per_s  paint events the progress window received per second of the import, while a timer
//                   marks it dirty every 10 ms (as windows moving over it would): the import lets the
//                   event loop run by time, so this stays near 20 however long a file is.
// Usage: bench_import [folder]   (default: a temporary folder, removed afterwards)

#include "CardExchange.h"
#include "Platform.h"
#include "TDatabase.h"
#include "TDatabaseImpExpFrm.h"
#include "TWaitFrm.h"
#include "uGlobal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

using TClock = std::chrono::steady_clock;

constexpr int kFiles = 20;
constexpr int kTestsPerFile = 5;
constexpr int kRowsPerTest = 10000; // 20 * 5 * 10,000 = 1,000,000

double Ms(TClock::time_point from)
{
    return std::chrono::duration<double, std::milli>(TClock::now() - from).count();
}

void Check(int rc, sqlite3* db, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

void WriteCard(const QString& card)
{
    QDir().mkpath(card);
    int type = 0;
    for (int f = 1; f <= kFiles; ++f) {
        QByteArray file;
        file += "KN=" + QByteArray::number(1000 + f) + "\r\nK1=Kunde " + QByteArray::number(f) +
                "\r\nK2=Stra\xdf"
                "e 1\r\nK3=12345 Ort\r\n";
        for (int t = 0; t < kTestsPerFile; ++t) {
            type = type % 11 + 1;
            file += "MT=" + QByteArray::number(type) +
                    "\r\nSD=14.03.10\r\nSU=" + QTime(8 + t, 0, 0).toString(u"HH:mm:ss"_s).toLatin1() +
                    "\r\nIN=1\r\nMD=3\r\nDS=1013\r\nDE=1012\r\nEH=mbar\r\nKS=1\r\nSM=\r\n";
            for (int i = 0; i < kRowsPerTest; ++i) {
                file += QByteArray::number(i);
                file += ';';
                file += QByteArray::number(1000.0 + (i % 977) / 10.0, 'f', 1);
                file += "\r\n";
            }
            file += "EM=\r\n";
        }
        QFile out(card + u"/TQ5_"_s + QString::number(f).rightJustified(4, u'0') + u".DAT"_s);
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
            std::fprintf(stderr, "cannot write the card\n");
            std::exit(1);
        }
    }
}

struct TImportRun
{
    double ms = 0;
    long paints = 0;
    qint64 readings = 0;
};

class TPaintCounter : public QObject
{
public:
    long paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

TImportRun RunImport(const QString& folder, TWaitFrm& wait)
{
    const QString path = folder + u"/import.db"_s;
    QFile::remove(path);
    TDatabase db;
    db.OpenOrCreate(path);
    TDatabaseImpExpFrm importer;
    long lines = 0;
    TCardHost host;
    host.database = &db;
    host.waitFrm = &wait;
    host.importer = &importer;
    host.protocol = [&](const QString&) { ++lines; };
    host.setStatus = [](const QString&) {};
    host.showLists = [](bool) {};

    TPaintCounter counter;
    wait.installEventFilter(&counter);
    QTimer dirty;
    QObject::connect(&dirty, &QTimer::timeout, &wait, [&] { wait.update(); });
    dirty.start(10);

    const auto t0 = TClock::now();
    LoadMesFromCard(host);
    TImportRun run;
    run.ms = Ms(t0);
    dirty.stop();
    wait.removeEventFilter(&counter);
    run.paints = counter.paints;

    sqlite3_stmt* st = nullptr;
    sqlite3* h = db.Database->Handle();
    Check(sqlite3_prepare_v2(h, "SELECT COUNT(*) FROM MessdatenTable", -1, &st, nullptr), h, "count");
    Check(sqlite3_step(st), h, "count");
    run.readings = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    db.CloseTables();
    return run;
}

// The same rows, values worked out beforehand, through one prepared statement in one transaction.
double RunBare(const QString& folder)
{
    const QString path = folder + u"/bare.db"_s;
    QFile::remove(path);
    {
        TDatabase db;
        db.CreateDatabase(path);
    }
    struct TRow
    {
        int id;
        char da[11];
        char uz[9];
        double mw;
    };
    std::vector<TRow> rows;
    rows.reserve(size_t(kFiles) * kTestsPerFile * kRowsPerTest);
    int id = 0;
    for (int f = 0; f < kFiles; ++f)
        for (int t = 0; t < kTestsPerFile; ++t) {
            ++id;
            for (int i = 0; i < kRowsPerTest; ++i) {
                TRow r{};
                r.id = id;
                const int secs = (8 + t) * 3600 + i;
                std::snprintf(r.da, sizeof r.da, "2010-03-14");
                std::snprintf(r.uz, sizeof r.uz, "%02d:%02d:%02d", secs / 3600, secs / 60 % 60, secs % 60);
                r.mw = double(float(1000.0 + (i % 977) / 10.0));
                rows.push_back(r);
            }
        }
    TDatabase db;
    db.OpenTables(path);
    sqlite3* h = db.Database->Handle();
    sqlite3_stmt* st = nullptr;
    Check(sqlite3_prepare_v2(h, "INSERT INTO MessdatenTable (MESSDATENID, DA, UZ, MW) VALUES (?, ?, ?, ?)",
                             -1, &st, nullptr),
          h, "prepare");
    const auto t0 = TClock::now();
    db.Database->StartTransaction();
    for (const TRow& r : rows) {
        sqlite3_bind_int(st, 1, r.id);
        sqlite3_bind_text(st, 2, r.da, 10, SQLITE_STATIC);
        sqlite3_bind_text(st, 3, r.uz, 8, SQLITE_STATIC);
        sqlite3_bind_double(st, 4, r.mw);
        Check(sqlite3_step(st), h, "insert");
        sqlite3_reset(st);
    }
    db.Database->Commit(false);
    const double ms = Ms(t0);
    sqlite3_finalize(st);
    db.CloseTables();
    return ms;
}

long PeakRssKb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    QDir().mkpath(folder);
    const QString card = folder + u"/card"_s;
    WriteCard(card);

    Platform::TMappedDrives drives;
    drives.Add(u'E', card);
    Platform::SetDriveProvider(&drives);
    DataDrive = u'E';
    NoProt = false;
    TWaitFrm wait;

    TImportRun best;
    double bare = 1e300;
    for (int round = 0; round < 3; ++round) {
        const TImportRun run = RunImport(folder, wait);
        if (round == 0 || run.ms < best.ms)
            best = run;
        bare = std::min(bare, RunBare(folder));
    }
    if (best.readings != qint64(kFiles) * kTestsPerFile * kRowsPerTest) {
        std::fprintf(stderr, "import stored %lld readings\n", static_cast<long long>(best.readings));
        return 1;
    }
    std::printf("import_rows: %lld rows\n", static_cast<long long>(best.readings));
    std::printf("import_time: %.0f ms\n", best.ms);
    std::printf("bare_insert_time: %.0f ms\n", bare);
    std::printf("import_rows_per_s: %.0f rows/s\n", best.readings / (best.ms / 1000.0));
    std::printf("repaints_per_s: %.1f 1/s\n", best.paints / (best.ms / 1000.0));
    std::printf("peak_rss: %ld KB\n", PeakRssKb());
    std::printf("ratio_import: %.2f\n", best.ms / bare);
    Platform::SetDriveProvider(nullptr);
    return 0;
}
