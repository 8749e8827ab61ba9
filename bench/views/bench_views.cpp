// Speed of the curve window and the worksheet writer, in one run:
//   ratio_load       LoadReadings of a test with 1,000,000 readings, beside reading the same rows
//                    (date, time, value) straight from SQLite;
//   extra_memory_mb  resident memory after the load less before it;
//   ratio_xls        a 65,536-row, three-column worksheet written from a table of strings, beside
//                    writing the same bytes with one buffered fwrite.
// Usage: bench_views [folder]   (default: a temporary folder, removed afterwards; a folder that
// holds the database of an earlier run is used again)
//
// Each side runs several times, interleaved; the best run counts. Ratios use processor time,
// which other programs on a shared machine disturb less than elapsed time; both are printed.

#include "TDatabase.h"
#include "TMeasurementDataFrm.h"
#include "TReadingsGrid.h"
#include "uXLSExport.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <sqlite3.h>

#include "BenchTimer.h"

using namespace Qt::StringLiterals;

namespace {

template <typename F> TTimes Time(F&& work)
{
    const TStopwatch watch;
    work();
    return watch.Stop();
}

double ResidentMb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

void Check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

constexpr int Readings = 1000000;

// One customer, one test and its readings; the readings go in through SQLite to save time.
int FillDatabase(const QString& path)
{
    TDatabase db;
    db.CreateDatabase(path);
    db.OpenTables(path);
    db.KundenTable->Append();
    db.KundenTable->FieldByName(u"KN"_s).SetAsString(u"1"_s);
    db.KundenTable->Post();
    db.MessungenTable->Append();
    db.MessungenTable->FieldByName(u"MTNR"_s).SetAsInteger(1);
    db.MessungenTable->FieldByName(u"MT"_s).SetAsString(u"Gas, Belastungsprüfung"_s);
    db.MessungenTable->FieldByName(u"IN"_s).SetAsString(u"1"_s);
    db.MessungenTable->FieldByName(u"KS"_s).SetAsString(u"1"_s);
    db.MessungenTable->FieldByName(u"EH"_s).SetAsString(u"mbar"_s);
    db.MessungenTable->Post();
    const int id = db.MessungenTable->FieldByName(u"MESSUNGENID"_s).AsInteger();
    db.CloseTables();

    sqlite3* s = nullptr;
    Check(sqlite3_open(path.toUtf8().constData(), &s), s);
    Check(sqlite3_exec(s, "BEGIN", nullptr, nullptr, nullptr), s);
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(s, "INSERT INTO MessdatenTable (MESSDATENID, DA, UZ, MW) VALUES (?, ?, ?, ?)",
                             -1, &insert, nullptr),
          s);
    const QDateTime start(QDate(2024, 3, 1), QTime(8, 0));
    for (int k = 0; k < Readings; ++k) {
        const QDateTime t = start.addSecs(k);
        const QByteArray da = t.date().toString(u"yyyy-MM-dd"_s).toLatin1();
        const QByteArray uz = t.time().toString(u"hh:mm:ss"_s).toLatin1();
        sqlite3_bind_int(insert, 1, id);
        sqlite3_bind_text(insert, 2, da.constData(), int(da.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, uz.constData(), int(uz.size()), SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 4, 1000 + (k % 997) * 0.1);
        Check(sqlite3_step(insert), s);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(s, "COMMIT", nullptr, nullptr, nullptr), s);
    sqlite3_close(s);
    return id;
}

// The same rows read straight from SQLite into what the window keeps: the first moment and a
// 32-bit value per reading.
size_t ReadRaw(const QString& path, int id)
{
    sqlite3* s = nullptr;
    Check(sqlite3_open(path.toUtf8().constData(), &s), s);
    sqlite3_stmt* q = nullptr;
    Check(sqlite3_prepare_v2(s, "SELECT DA, UZ, MW FROM MessdatenTable WHERE MESSDATENID = ? ORDER BY rowid",
                             -1, &q, nullptr),
          s);
    sqlite3_bind_int(q, 1, id);
    std::vector<float> values;
    QDate date;
    QTime time;
    while (sqlite3_step(q) == SQLITE_ROW) {
        if (values.empty()) {
            date = QDate::fromString(
                QString::fromLatin1(reinterpret_cast<const char*>(sqlite3_column_text(q, 0))),
                u"yyyy-MM-dd"_s);
            time = QTime::fromString(
                QString::fromLatin1(reinterpret_cast<const char*>(sqlite3_column_text(q, 1))), u"hh:mm:ss"_s);
        }
        values.push_back(sqlite3_column_type(q, 2) == SQLITE_NULL ? 0.f : float(sqlite3_column_double(q, 2)));
    }
    sqlite3_finalize(q);
    sqlite3_close(s);
    return values.size() + size_t(date.isValid() && time.isValid());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    const QString path = folder + u"/TQ5Report.DB"_s;

    // A folder that already holds the benchmark's database is used as it is.
    const int id = QFile::exists(path) ? 1 : FillDatabase(path);

    // The store holds its file exclusively: SQLite reads it while the tables are closed.
    TDatabase db;
    TMeasurementDataFrm frm;
    frm.resize(800, 500);

    TTimes raw, load;
    double before = 0, after = 0;
    for (int run = 0; run < 3; ++run) {
        raw.Best(Time([&] {
            if (ReadRaw(path, id) != size_t(Readings) + 1)
                std::exit(1);
        }));
        db.OpenTables(path);
        frm.hide(); // each load starts from a window that has nothing to hold
        before = ResidentMb();
        load.Best(Time([&] { frm.LoadReadings(db.MessdatenTable, db.MessungenTable); }));
        after = ResidentMb();
        if (frm.Grid()->RowCount() != Readings + 1)
            std::exit(1);
        if (run < 2)
            db.CloseTables();
    }

    // Worksheet: 65,536 rows of date, time and value as the curve window holds them.
    QList<QStringList> rows;
    rows.reserve(65536);
    for (int r = 0; r < 65536; ++r)
        rows.append({frm.Grid()->Cells(0, r), frm.Grid()->Cells(1, r), frm.Grid()->Cells(2, r)});
    const QString xls = folder + u"/bench.xls"_s;
    const QString copy = folder + u"/bench.bin"_s;
    QByteArray bytes;
    TTimes writer, plain, safe, fromGrid;
    for (int run = 0; run < 7; ++run) {
        writer.Best(Time([&] { ExportGridToXls(rows, xls); }));
        if (bytes.isEmpty()) {
            QFile f(xls);
            f.open(QIODevice::ReadOnly);
            bytes = f.readAll();
        }
        plain.Best(Time([&] {
            FILE* f = std::fopen(copy.toLocal8Bit().constData(), "wb");
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
            std::fclose(f);
        }));
        // The same bytes through the safe replacement the writer uses (temporary file, flushed
        // to disk, renamed): what writing safely costs beside the records themselves.
        safe.Best(Time([&] {
            QSaveFile f(copy);
            f.open(QIODevice::WriteOnly);
            f.write(bytes);
            f.commit();
        }));
        fromGrid.Best(Time([&] {
            ExportCellsToXls(
                3, 65536, [&](int c, int r) { return frm.Grid()->Cells(c, r); }, xls);
        }));
    }

    std::printf("readings: %d\n", Readings);
    std::printf("load_readings: %.1f ms (cpu %.1f ms)\n", load.wall, load.cpu);
    std::printf("sqlite_read: %.1f ms (cpu %.1f ms)\n", raw.wall, raw.cpu);
    std::printf("extra_memory_mb: %.1f MB\n", after - before);
    std::printf("ratio_load: %.2f\n", load.cpu / raw.cpu);
    std::printf("worksheet_bytes: %lld bytes\n", static_cast<long long>(bytes.size()));
    std::printf("xls_write: %.2f ms (cpu %.2f ms)\n", writer.wall, writer.cpu);
    std::printf("fwrite_same_bytes: %.2f ms (cpu %.2f ms)\n", plain.wall, plain.cpu);
    std::printf("savefile_same_bytes: %.2f ms (cpu %.2f ms)\n", safe.wall, safe.cpu);
    std::printf("xls_from_grid: %.2f ms (cpu %.2f ms)\n", fromGrid.wall, fromGrid.cpu);
    std::printf("ratio_xls: %.2f\n", writer.cpu / plain.cpu);
    return 0;
}
