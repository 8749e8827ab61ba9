#include "StoreFixture.h"
#include "TError.h"
#include "TestMain.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Three people; Ann has three visits, Bob none, Cy two, added in mixed order.
void Family(TStoreFixture& f)
{
    f.Create();
    f.OpenTables(false);
    f.AddPerson(u"Ann"_s);
    f.AddPerson(u"Bob"_s);
    f.AddPerson(u"Cy"_s);
    f.AddVisit(1, QDate(2020, 1, 1), u"a1"_s);
    f.AddVisit(3, QDate(2021, 1, 1), u"c1"_s);
    f.AddVisit(1, QDate(2022, 1, 1), u"a2"_s);
    f.AddVisit(3, QDate(2019, 1, 1), u"X"_s);
    f.AddVisit(1, QDate(2021, 6, 1), u"a3"_s);
    f.db.Close();
    f.OpenTables(true);
}

} // namespace

class TLinksTest : public QObject
{
    Q_OBJECT
private slots:
    void detailFollowsMaster()
    {
        TStoreFixture f;
        Family(f);
        f.people.First();
        QCOMPARE(f.visits.RecordCount(), 3);
        QCOMPARE(Walk(f.visits, u"WHAT"_s), QStringList({u"a1"_s, u"a2"_s, u"a3"_s}));
        f.visits.Last();
        QCOMPARE(f.visits.RecNo(), 3);

        f.people.Next();
        QCOMPARE(f.visits.RecordCount(), 0);
        QVERIFY(f.visits.Eof());
        QVERIFY(f.visits.Bof());
        QCOMPARE(f.visits.RecNo(), 0);
        QVERIFY(f.visits.FieldByName(u"WHAT"_s).IsNull());

        f.people.Next();
        // After the master moved the detail stands on its first row.
        QCOMPARE(f.visits.FieldByName(u"WHAT"_s).AsString(), u"c1"_s);
        QCOMPARE(f.visits.RecNo(), 1);
        QCOMPARE(Walk(f.visits, u"WHAT"_s), QStringList({u"c1"_s, u"X"_s}));

        // Under an index that begins with the link field the link holds; newest first.
        f.visits.SetIndexName(u"IPD"_s);
        QCOMPARE(Walk(f.visits, u"WHAT"_s), QStringList({u"c1"_s, u"X"_s}));
        f.people.First();
        QCOMPARE(Walk(f.visits, u"WHAT"_s), QStringList({u"a2"_s, u"a3"_s, u"a1"_s}));

        // Unlinked, the detail shows every row again.
        f.visits.SetMasterSource(nullptr, {}, {});
        QCOMPARE(f.visits.RecordCount(), 5);
    }

    void appendedDetailRowGetsLinkValue()
    {
        TStoreFixture f;
        Family(f);
        f.people.Last();
        f.visits.Append();
        QCOMPARE(f.visits.FieldByName(u"PERSON"_s).AsInteger(), 3);
        f.visits.FieldByName(u"WHAT"_s).SetAsString(u"c3"_s);
        f.visits.Post();
        QCOMPARE(f.visits.RecordCount(), 3);
        QCOMPARE(f.visits.FieldByName(u"WHAT"_s).AsString(), u"c3"_s);

        // A master row that is itself new: its details attach to it once it is posted.
        f.people.Append();
        f.people.FieldByName(u"NAME"_s).SetAsString(u"Dee"_s);
        QCOMPARE(f.visits.RecordCount(), 0);
        f.people.Post();
        const int dee = f.people.FieldByName(u"ID"_s).AsInteger();
        QCOMPARE(dee, 4);
        QCOMPARE(f.visits.RecordCount(), 0);
        f.AddVisit(0, QDate(2023, 1, 1), u"d1"_s);
        QCOMPARE(f.visits.FieldByName(u"PERSON"_s).AsInteger(), dee);

        f.visits.SetMasterSource(nullptr, {}, {});
        QVERIFY(f.visits.Locate(u"WHAT"_s, u"c3"_s));
        QCOMPARE(f.visits.FieldByName(u"PERSON"_s).AsInteger(), 3);
        QVERIFY(f.visits.Locate(u"WHAT"_s, u"d1"_s));
        QCOMPARE(f.visits.FieldByName(u"PERSON"_s).AsInteger(), dee);
    }

    void locateSeesOnlyVisibleRows_data()
    {
        QTest::addColumn<int>("person");
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("caseInsensitive");
        QTest::addColumn<bool>("found");
        QTest::newRow("own row") << 3 << u"X"_s << false << true;
        QTest::newRow("own row, case ignored") << 3 << u"x"_s << true << true;
        QTest::newRow("another person's row") << 1 << u"X"_s << false << false;
        QTest::newRow("another person's row, case ignored") << 1 << u"x"_s << true << false;
        QTest::newRow("no rows at all") << 2 << u"a1"_s << false << false;
    }
    void locateSeesOnlyVisibleRows()
    {
        QFETCH(int, person);
        QFETCH(QString, what);
        QFETCH(bool, caseInsensitive);
        QFETCH(bool, found);
        TStoreFixture f;
        Family(f);
        QVERIFY(f.people.Locate(u"ID"_s, person));
        QCOMPARE(f.visits.Locate(u"WHAT"_s, what, caseInsensitive), found);
        if (found)
            QCOMPARE(f.visits.FieldByName(u"PERSON"_s).AsInteger(), person);
    }

    void movingTheMasterLoadsNoDetailRows()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        f.db.StartTransaction();
        for (int p = 1; p <= 3; ++p) {
            f.AddPerson(u"P%1"_s.arg(p));
            for (int v = 0; v < 5000; ++v)
                f.AddVisit(p, QDate(2020, 1, 1).addDays(v), u"v%1"_s.arg(v));
        }
        f.db.Commit();
        f.db.Close();
        f.OpenTables(true);

        QSignalSpy rows(&f.visits, &TTable::RowsChange);
        const qint64 before = f.visits.RowsFetched();
        for (f.people.First(); !f.people.Eof(); f.people.Next())
            QCOMPARE(f.visits.RecordCount(), 5000);
        f.people.Prior();
        QCOMPARE(f.visits.RecordCount(), 5000);
        QCOMPARE(f.visits.RowsFetched(), before);
        QVERIFY(rows.count() >= 3); // grids over the detail were told each time

        // Reading the detail fetches a window, not the test's rows.
        QCOMPARE(f.visits.FieldByName(u"WHAT"_s).AsString(), u"v0"_s);
        f.visits.SetRecNo(4000);
        QCOMPARE(f.visits.FieldByName(u"WHAT"_s).AsString(), u"v3999"_s);
        QVERIFY(f.visits.RowsFetched() - before < 500);
    }

    void pendingDetailChangeIsPostedBeforeTheMasterMoves()
    {
        TStoreFixture f;
        Family(f);
        f.people.First();
        f.visits.Edit();
        f.visits.FieldByName(u"WHAT"_s).SetAsString(u"edited"_s);
        f.people.Next();
        QCOMPARE(f.visits.State(), TDataSetState::Browse);
        f.people.First();
        QCOMPARE(f.visits.FieldByName(u"WHAT"_s).AsString(), u"edited"_s);

        // A new detail row without a change is dropped instead.
        f.visits.Append();
        f.people.Next();
        f.people.First();
        QCOMPARE(f.visits.RecordCount(), 3);
    }

    void linkToMissingFieldIsRefused()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        try {
            f.visits.SetMasterSource(&f.people, u"ID"_s, u"NOPE"_s);
            QFAIL("linked by a field that is not there");
        } catch (const TError& e) {
            QCOMPARE(e.message(), u"Visits: Field 'NOPE' not found"_s);
        }
        QVERIFY_THROWS_EXCEPTION(TError, f.people.SetMasterSource(&f.people, u"ID"_s, u"ID"_s));
        QCOMPARE(f.visits.MasterSource(), nullptr);
    }
};

TQ5_TEST(TLinksTest)
#include "tst_Links.moc"
