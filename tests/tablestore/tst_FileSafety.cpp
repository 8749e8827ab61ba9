#include "ChildProcess.h"
#include "StoreFixture.h"
#include "TError.h"
#include "TestEnv.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// People "P<n>" with a note long enough to spread them over many pages.
void FillPeople(TStoreFixture& f, int count)
{
    f.db.StartTransaction();
    TField& name = f.people.FieldByName(u"NAME"_s);
    TField& note = f.people.FieldByName(u"NOTE"_s);
    for (int i = 1; i <= count; ++i) {
        f.people.Append();
        name.SetAsString(u"P%1"_s.arg(i));
        note.SetAsString(u"note of P%1 "_s.arg(i).leftJustified(100, u'.'));
        f.people.Post();
    }
    f.db.Commit();
}

// A leaf page of the table's rows from the middle of the file (or its first one), and how many
// rows it holds.
bool LeafPage(const QString& path, const QString& table, int* page, int* rows, bool first = false)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    QList<QPair<int, int>> leaves;
    if (sqlite3_prepare_v2(
            db, "SELECT pageno, ncell FROM dbstat WHERE name = ?1 AND pagetype = 'leaf' ORDER BY pageno", -1,
            &st, nullptr) == SQLITE_OK) {
        const QByteArray t = table.toUtf8();
        sqlite3_bind_text(st, 1, t.constData(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW)
            leaves.append({sqlite3_column_int(st, 0), sqlite3_column_int(st, 1)});
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    if (leaves.size() < 3)
        return false;
    const int pick = first ? 0 : int(leaves.size() / 2);
    *page = leaves[pick].first;
    *rows = leaves[pick].second;
    return true;
}

// Overwrites a page of the file with garbage.
bool Damage(const QString& path, int page)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(qint64(page - 1) * 4096))
        return false;
    return file.write(QByteArray(4096, '\xA5')) == 4096;
}

// Every folder from here up gets "others may pass", so that an unprivileged child reaches the file.
void LetOthersPass(const QString& folder)
{
    for (QDir d(folder); !d.isRoot(); d.cdUp()) {
        const QString p = d.absolutePath();
        QFile::setPermissions(p, QFile::permissions(p) | QFileDevice::ExeOther | QFileDevice::ReadOther);
    }
}

} // namespace

class TFileSafetyTest : public QObject
{
    Q_OBJECT
private slots:
    void transactionCommitsAndRollsBack()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        f.db.StartTransaction();
        QVERIFY(f.db.InTransaction());
        for (const QString& n : {u"a"_s, u"b"_s, u"c"_s})
            f.AddPerson(n);
        try {
            f.db.StartTransaction();
            QFAIL("a second transaction started inside the first");
        } catch (const TError& e) {
            QCOMPARE(e.message(), u"A transaction is already active on database 'Test'"_s);
        }
        f.db.Commit();
        QVERIFY(!f.db.InTransaction());

        f.db.StartTransaction();
        f.AddPerson(u"d"_s);
        f.people.First();
        f.people.Delete();
        QCOMPARE(f.people.RecordCount(), 3);
        f.db.Rollback();
        // Every cursor shows the file as it was before the transaction.
        QCOMPARE(f.people.RecordCount(), 3);
        QCOMPARE(Walk(f.people, u"NAME"_s), QStringList({u"a"_s, u"b"_s, u"c"_s}));
        QVERIFY_THROWS_EXCEPTION(TError, f.db.Commit());

        f.db.Close();
        QCOMPARE(CountRowsInFile(f.Path(), u"People"_s), 3);
    }

    void fileHeldByAnotherProcessIsLocked()
    {
        TStoreFixture f;
        f.Create();
        f.db.Close();
        ChildProcess::TChild* holder = ChildProcess::Start("hold", f.Path(), "open");
        QVERIFY2(ChildProcess::Output(holder).contains("open"), ChildProcess::Output(holder).constData());
        const QString locked =
            u"Database file '%1' is locked by another program"_s.arg(QDir::toNativeSeparators(f.Path()));
        try {
            f.db.Open();
            QFAIL("opened a file another process holds");
        } catch (const TError& e) {
            QCOMPARE(e.message(), locked);
        }
        QVERIFY(!f.db.Connected());
        ChildProcess::Stop(holder);

        // Within one process the same: one connection holds the file.
        f.db.Open();
        TDatabaseFile second;
        second.SetFileName(f.Path());
        try {
            second.Open();
            QFAIL("a second connection opened the file");
        } catch (const TError& e) {
            QCOMPARE(e.message(), locked);
        }
        f.db.Close();
        second.Open();
        QVERIFY(second.Connected());
    }

    void processKilledInsideTransactionLosesNothingCommitted()
    {
        TStoreFixture f;
        f.Create();
        f.db.Close();
        ChildProcess::TChild* child = ChildProcess::Start("bigtx", f.Path(), "inside");
        QVERIFY2(ChildProcess::Output(child).contains("committed\ninside"),
                 ChildProcess::Output(child).constData());
        ChildProcess::Kill(child);
        QVERIFY(QFileInfo::exists(f.Path() + u"-wal"_s)); // the killed writer left its log behind

        QSignalSpy repair(&f.db, &TDatabaseFile::NeedRepair);
        f.OpenTables(false);
        QVERIFY(!f.db.NeedsRepair());
        QCOMPARE(repair.count(), 0);
        QCOMPARE(f.people.RecordCount(), 100);
        QCOMPARE(Walk(f.people, u"NAME"_s).last(), u"P99"_s);
        f.AddPerson(u"after"_s);
        f.db.Close();
        QCOMPARE(CountRowsInFile(f.Path(), u"People"_s), 101);
    }

    void damagedPagesAskForRepairAndRepairKeepsReadableRows()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        FillPeople(f, 2000);
        for (int i = 1; i <= 30; ++i)
            f.AddVisit(i, QDate(2024, 1, 1), u"v%1"_s.arg(i));
        f.db.Close();
        int page = 0, lost = 0;
        QVERIFY(LeafPage(f.Path(), u"People"_s, &page, &lost));
        QVERIFY(lost > 0);
        QVERIFY(Damage(f.Path(), page));
        const QByteArray damagedBytes = ReadAll(f.Path());

        int told = 0;
        f.db.OnNeedRepair = [&] { ++told; };
        QSignalSpy repair(&f.db, &TDatabaseFile::NeedRepair);
        // Opening looks at the ends of every table only: a damaged page inside comes to light when
        // it is read, and is told once, after the event at hand.
        f.OpenTables(false);
        QVERIFY(!f.db.NeedsRepair());
        for (int pass = 0; pass < 2; ++pass) {
            QString error;
            try {
                for (f.people.First(); !f.people.Eof(); f.people.Next())
                    f.people.FieldByName(u"NOTE"_s).AsString();
            } catch (const TError& e) {
                error = e.message();
            }
            QVERIFY2(error.contains(u"is damaged and needs to be repaired"_s), qPrintable(error));
            QVERIFY(f.db.NeedsRepair());
            QCOMPARE(told, pass); // not yet the first time, and not again the second
            QCoreApplication::processEvents();
            QCOMPARE(repair.count(), 1);
            QCOMPARE(told, 1);
        }
        f.db.Close();

        const TDatabaseFile::TRepairResult result = TDatabaseFile::Repair(f.Path());
        QCOMPARE(QFileInfo(result.damagedCopy).absolutePath(), QFileInfo(f.Path()).absolutePath());
        QCOMPARE(ReadAll(result.damagedCopy), damagedBytes); // the damaged file is kept as it was
        QCOMPARE(result.rowsCopied, qint64(2000 - lost + 30));

        f.OpenTables(false);
        QVERIFY(!f.db.NeedsRepair());
        QCOMPARE(f.people.RecordCount(), 2000 - lost);
        QCOMPARE(f.visits.RecordCount(), 30);
        // Every row that came over is whole; the lost ones are one run of neighbours.
        int previous = 0, gaps = 0;
        for (f.people.First(); !f.people.Eof(); f.people.Next()) {
            const int id = f.people.FieldByName(u"ID"_s).AsInteger();
            QCOMPARE(f.people.FieldByName(u"NAME"_s).AsString(), u"P%1"_s.arg(id));
            QVERIFY(f.people.FieldByName(u"NOTE"_s).AsString().startsWith(u"note of P%1 "_s.arg(id)));
            gaps += id != previous + 1;
            previous = id;
        }
        QCOMPARE(gaps, 1);
        // The indexes were rebuilt and numbering goes on after the highest number given.
        f.people.SetIndexName(u"INAME"_s);
        QVERIFY(f.people.Locate(u"NAME"_s, u"P2000"_s));
        f.AddPerson(u"new"_s);
        QCOMPARE(f.people.FieldByName(u"ID"_s).AsInteger(), 2001);
    }

    void damageAtTheStartOfATableIsFoundOnOpeningAndRepaired()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        FillPeople(f, 2000);
        f.db.Close();
        int page = 0, rows = 0;
        QVERIFY(LeafPage(f.Path(), u"People"_s, &page, &rows, true));
        QVERIFY(Damage(f.Path(), page));
        int told = 0;
        f.db.OnNeedRepair = [&] { ++told; };
        f.db.Open();
        QVERIFY(f.db.NeedsRepair());
        QCOMPARE(told, 1);
        f.db.Close();
        // The rows after the damaged first page come over.
        QCOMPARE(TDatabaseFile::Repair(f.Path()).rowsCopied, qint64(2000 - rows));
        f.OpenTables(false);
        QCOMPARE(f.people.RecordCount(), 2000 - rows);
        f.people.First();
        QCOMPARE(f.people.FieldByName(u"ID"_s).AsInteger(), rows + 1);
    }

    void filesThatAreNoDatabase_data()
    {
        QTest::addColumn<QByteArray>("content"); // "cut:N" cuts a real database file after N bytes
        QTest::addColumn<bool>("needsRepair");
        QTest::addColumn<QString>("error"); // empty: opens
        const QString notADatabase = u"File '%1' is not a database file"_s;
        const QString damaged = u"Database file '%1' is damaged and needs to be repaired"_s;
        QTest::newRow("text file") << QByteArray("Kunde;Name;Strasse\r\n").repeated(300) << false
                                   << notADatabase;
        QTest::newRow("zeros") << QByteArray(8192, '\0') << false << notADatabase;
        QTest::newRow("header cut") << QByteArray("cut:50") << true << damaged;
        QTest::newRow("truncated to a third") << QByteArray("cut:third") << true << damaged;
        QTest::newRow("first page only") << QByteArray("cut:4096") << true << damaged;
        QTest::newRow("empty file") << QByteArray() << true << QString();
    }
    void filesThatAreNoDatabase()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, needsRepair);
        QFETCH(QString, error);
        TStoreFixture f;
        if (content.startsWith("cut:")) {
            f.Create();
            f.OpenTables(false);
            FillPeople(f, 2000);
            f.db.Close();
            QByteArray bytes = ReadAll(f.Path());
            content = bytes.left(content == "cut:third" ? bytes.size() / 3 : content.mid(4).toInt());
        }
        QVERIFY(WriteAll(f.Path(), content));
        f.db.SetFileName(f.Path());
        QSignalSpy repair(&f.db, &TDatabaseFile::NeedRepair);
        if (!error.isEmpty()) {
            try {
                f.db.Open();
                QFAIL("opened a file that is no database");
            } catch (const TError& e) {
                QVERIFY2(e.message().startsWith(error.arg(QDir::toNativeSeparators(f.Path()))),
                         qPrintable(e.message()));
            }
            QVERIFY(!f.db.Connected());
            QCOMPARE(ReadAll(f.Path()), content); // left as it was
        } else {
            f.db.Open();
            f.db.Close();
        }
        QCOMPARE(repair.count(), needsRepair ? 1 : 0);
        if (!needsRepair)
            return;
        // Repair makes a usable file of it, with the tables it is told to expect.
        TTableDef people{
            u"People"_s, {{u"ID"_s, TFieldType::AutoInc, 0}, {u"NAME"_s, TFieldType::String, 10}}, {}};
        TDatabaseFile::Repair(f.Path(), {people});
        f.db.Open();
        QVERIFY(!f.db.NeedsRepair());
        QVERIFY(f.db.TableExists(u"People"_s));
    }

    void readOnlyFileOrFolderIsRefusedInItsOwnWords_data()
    {
        QTest::addColumn<bool>("folderReadOnly");
        QTest::addColumn<QString>("error");
        QTest::newRow("file") << false << u"Database file '%1' is read-only"_s;
        QTest::newRow("folder") << true << u"Database file '%1' cannot be changed: its folder is read-only"_s;
    }
    void readOnlyFileOrFolderIsRefusedInItsOwnWords()
    {
        QFETCH(bool, folderReadOnly);
        QFETCH(QString, error);
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        f.AddPerson(u"kept"_s);
        f.db.Close();
        LetOthersPass(f.Folder());
        const auto rw = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
        const auto ro = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        const auto x = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
        QVERIFY(QFile::setPermissions(f.Path(), folderReadOnly ? rw : ro));
        QVERIFY(QFile::setPermissions(f.Folder(), ro | x));
        const QByteArray out = ChildProcess::Run("open", f.Path());
        QFile::setPermissions(f.Folder(), rw | x);
        QFile::setPermissions(f.Path(), rw);
        QCOMPARE(QString::fromUtf8(out), u"error:"_s + error.arg(QDir::toNativeSeparators(f.Path())));
        QCOMPARE(CountRowsInFile(f.Path(), u"People"_s), 1);
    }

    void fullDiskEndsTheTransactionWithoutLosingCommittedRows()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        FillPeople(f, 50);
        // The file may grow by a few pages only, as on a disk that is nearly full.
        sqlite3_exec(f.db.Handle(), "PRAGMA max_page_count = 60", nullptr, nullptr, nullptr);
        f.db.StartTransaction();
        QString error;
        try {
            for (int i = 0; i < 10000; ++i)
                f.AddPerson(u"more"_s);
        } catch (const TError& e) {
            error = e.message();
        }
        QVERIFY(error.startsWith(
            u"The disk is full: database file '%1' cannot grow"_s.arg(QDir::toNativeSeparators(f.Path()))));
        f.db.Rollback();
        QCOMPARE(f.people.RecordCount(), 50);
        f.db.Close();
        f.db.Open();
        QVERIFY(!f.db.NeedsRepair());
        f.db.Close();
        QCOMPARE(CountRowsInFile(f.Path(), u"People"_s), 50);
    }

    void compactionShrinksAfterMassDeletion()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        FillPeople(f, 3000);
        QCOMPARE(f.db.Execute(u"DELETE FROM People WHERE ID > 100"_s), 2900);
        f.db.Close();
        const qint64 before = QFileInfo(f.Path()).size();
        TDatabaseFile::Compact(f.Path());
        const qint64 after = QFileInfo(f.Path()).size();
        QVERIFY2(after * 4 < before, qPrintable(u"%1 -> %2 bytes"_s.arg(before).arg(after)));
        f.OpenTables(false);
        QCOMPARE(f.people.RecordCount(), 100);
        f.people.Last();
        QCOMPARE(f.people.FieldByName(u"NAME"_s).AsString(), u"P100"_s);
        // Not while the file is in use.
        QVERIFY_THROWS_EXCEPTION(TError, TDatabaseFile::Compact(f.Path()));
    }

    void compactionOfADamagedFileRepairsIt()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        FillPeople(f, 2000);
        QCOMPARE(f.db.Execute(u"DELETE FROM People WHERE ID > 1500"_s), 500);
        f.db.Close();
        int page = 0, lost = 0;
        QVERIFY(LeafPage(f.Path(), u"People"_s, &page, &lost));
        QVERIFY(Damage(f.Path(), page));
        const QByteArray damagedBytes = ReadAll(f.Path());

        QVERIFY(TDatabaseFile::Compact(f.Path()));
        // The damaged file stays beside the fresh one, as after a repair.
        const QStringList copies =
            QDir(f.Folder())
                .entryList({QFileInfo(f.Path()).completeBaseName() + u"_damaged_*"_s}, QDir::Files);
        QCOMPARE(copies.size(), 1);
        QCOMPARE(ReadAll(f.Folder() + u'/' + copies[0]), damagedBytes);
        QVERIFY(QFileInfo(f.Path()).size() < damagedBytes.size());

        f.OpenTables(false);
        QVERIFY(!f.db.NeedsRepair());
        QCOMPARE(f.people.RecordCount(), 1500 - lost);
        f.db.Close();
        // A sound file is only rebuilt.
        QVERIFY(!TDatabaseFile::Compact(f.Path()));
        QCOMPARE(QDir(f.Folder()).entryList({u"*_damaged_*"_s}, QDir::Files).size(), 1);
    }

    void emptyingRemovesRowsAndKeepsTable()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        FillPeople(f, 200);
        const TTableDef def = f.db.TableDefinition(u"People"_s);
        f.people.SetRecNo(150);
        f.people.EmptyTable();
        QCOMPARE(f.people.RecordCount(), 0);
        QVERIFY(f.people.Eof());
        QVERIFY(f.db.TableExists(u"People"_s));
        QCOMPARE(f.db.TableDefinition(u"People"_s).fields, def.fields);
        QCOMPARE(f.db.TableDefinition(u"People"_s).indexes, def.indexes);
        f.AddPerson(u"again"_s);
        QCOMPARE(Walk(f.people, u"NAME"_s), QStringList({u"again"_s}));
    }

    void tablesComeFromTheirDefinitions()
    {
        TStoreFixture f;
        f.Create();
        const TTableDef people = f.db.TableDefinition(u"People"_s);
        QCOMPARE(people.fields, f.people.FieldDefs());
        QCOMPARE(people.indexes, f.people.IndexDefs());
        QCOMPARE(f.db.TableNames(), QStringList({u"People"_s, u"Visits"_s}));

        try {
            f.people.CreateTable();
            QFAIL("created a table twice");
        } catch (const TError& e) {
            QCOMPARE(e.message(), u"Table 'People' already exists"_s);
        }
        TTable bad;
        bad.SetDatabase(&f.db);
        bad.SetTableName(u"Bad"_s);
        bad.FieldDefs() = {{u"A"_s, TFieldType::Integer, 0}};
        bad.IndexDefs() = {{u"IB"_s, {u"B"_s}, {}}};
        QVERIFY_THROWS_EXCEPTION(TError, bad.CreateTable());
        QVERIFY(!f.db.TableExists(u"Bad"_s));

        f.people.Open();
        QVERIFY_THROWS_EXCEPTION(TError, f.people.DeleteTable());
        f.people.Close();
        f.people.DeleteTable();
        QVERIFY(!f.people.Exists());
        try {
            f.people.Open();
            QFAIL("opened a deleted table");
        } catch (const TError& e) {
            QCOMPARE(e.message(), u"Table 'People' does not exist in database file '%1'"_s.arg(
                                      QDir::toNativeSeparators(f.Path())));
        }
    }
};

TQ5_TEST(TFileSafetyTest)
#include "tst_FileSafety.moc"
