#include "StoreFixture.h"
#include "TError.h"
#include "TestMain.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using TRowList = QList<QVariantList>;

// What ForEachRow hands over for the fields, row by row.
TRowList Read(TTable& table, const QStringList& fields)
{
    TRowList rows;
    table.ForEachRow(fields, [&](const TRowValues& row) {
        QVariantList values;
        for (int k = 0; k < row.Count(); ++k) {
            if (row.IsNull(k) != row.Value(k).isNull())
                values.append(u"IsNull disagrees"_s);
            values.append(row.Value(k));
        }
        rows.append(values);
        return true;
    });
    return rows;
}

// The same fields read by walking the cursor from First to Eof.
TRowList WalkValues(TTable& table, const QStringList& fields)
{
    TRowList rows;
    for (table.First(); !table.Eof(); table.Next()) {
        QVariantList values;
        for (const QString& f : fields)
            values.append(table.FieldByName(f).Value());
        rows.append(values);
    }
    return rows;
}

// People in an order of their own, more than one fetch window of them, with nulls in every
// nullable field now and then and names that differ only in letter case.
void Crowd(TStoreFixture& f)
{
    f.Create();
    f.OpenTables(false);
    for (int i = 0; i < 150; ++i) {
        const QString name = (i % 2 ? u"p"_s : u"P"_s) + QString::number((i * 37) % 150);
        const QDate born = i % 7 == 0 ? QDate() : QDate(1950, 1, 1).addDays((i * 53) % 9000);
        const QString grade = i % 5 == 0 ? QString() : QString(QChar(u'A' + i % 4));
        f.AddPerson(name, born, grade, i * 0.25 - 10);
    }
}

} // namespace

class TRowReaderTest : public QObject
{
    Q_OBJECT
private slots:
    // The rows come in the cursor's order with the values its fields give, fields in the order
    // asked for; the cursor stays where it was.
    void readsWhatTheCursorShows_data()
    {
        QTest::addColumn<QString>("index");
        QTest::newRow("order of adding") << QString();
        QTest::newRow("by name") << u"INAME"_s;
        QTest::newRow("by name, any case") << u"INAMECI"_s;
        QTest::newRow("born, newest first, nulls") << u"IBORN"_s;
        QTest::newRow("grade and name") << u"IGRADE"_s;
    }
    void readsWhatTheCursorShows()
    {
        QFETCH(QString, index);
        TStoreFixture f;
        Crowd(f);
        f.people.SetIndexName(index);
        const QStringList fields{u"GRADE"_s, u"ID"_s, u"BORN"_s, u"SCORE"_s, u"NAME"_s};
        const TRowList walked = WalkValues(f.people, fields);
        QCOMPARE(walked.size(), 150);

        f.people.SetRecNo(70);
        const TBookmark at = f.people.GetBookmark();
        QCOMPARE(Read(f.people, fields), walked);
        QCOMPARE(f.people.GetBookmark(), at);
        QCOMPARE(f.people.RecNo(), 70);
    }

    // A linked detail hands over the rows of the master's current row only.
    void linkedDetailReadsItsMastersRows()
    {
        TStoreFixture f;
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
        f.visits.SetIndexName(u"IPD"_s);
        const QStringList fields{u"WHAT"_s, u"DAY"_s};

        f.people.First();
        QCOMPARE(Read(f.visits, fields), TRowList({{u"a2"_s, QDate(2022, 1, 1)},
                                                   {u"a3"_s, QDate(2021, 6, 1)},
                                                   {u"a1"_s, QDate(2020, 1, 1)}}));
        f.people.Next();
        QCOMPARE(f.visits.ForEachRow(fields, [](const TRowValues&) { return true; }), 0);
        f.people.Next();
        QCOMPARE(Read(f.visits, fields),
                 TRowList({{u"c1"_s, QDate(2021, 1, 1)}, {u"X"_s, QDate(2019, 1, 1)}}));
        QCOMPARE(f.visits.FieldByName(u"WHAT"_s).AsString(), u"c1"_s);
    }

    // A changed row being edited is stored first and read as stored; returning false stops the
    // pass; an unknown field is refused before any row is handed over.
    void editsStopsAndUnknownFields()
    {
        TStoreFixture f;
        Crowd(f);
        f.people.SetRecNo(3);
        f.people.Edit();
        f.people.FieldByName(u"NAME"_s).SetAsString(u"changed"_s);
        QStringList names;
        const int handed = f.people.ForEachRow({u"NAME"_s}, [&](const TRowValues& row) {
            names.append(row.Value(0).toString());
            return names.size() < 4;
        });
        QCOMPARE(handed, 4);
        QCOMPARE(names.value(2), u"changed"_s);
        QCOMPARE(f.people.State(), TDataSetState::Browse);
        QCOMPARE(f.people.FieldByName(u"NAME"_s).AsString(), u"changed"_s);

        bool called = false;
        QVERIFY_THROWS_EXCEPTION(TError, f.people.ForEachRow({u"NAME"_s, u"NOPE"_s}, [&](const TRowValues&) {
            called = true;
            return true;
        }));
        QVERIFY(!called);
    }
};

TQ5_TEST(TRowReaderTest)
#include "tst_RowReader.moc"
