#include "StoreFixture.h"
#include "TError.h"
#include "TestMain.h"
#include "TTableModel.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <QItemSelectionModel>
#include <QTest>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// The people the order tests walk: many equal keys, empty names and dates, mixed letter case,
// grades that sort differently as text and as numbers; more rows than one fetch window.
struct TPerson
{
    int id;
    std::optional<QString> name;
    std::optional<QDate> born;
    std::optional<QString> grade;
};

QList<TPerson> OrderFixture(TStoreFixture& f)
{
    static const QString names[] = {u"anna"_s, u"Bert"_s, u"carl"_s, u"Dora"_s,
                                    u"emil"_s, QString(), u"Anna"_s};
    QList<TPerson> people;
    f.db.StartTransaction();
    for (int i = 1; i <= 150; ++i) {
        TPerson p{i, {}, {}, {}};
        if (!names[i % 7].isEmpty())
            p.name = names[i % 7];
        if (i % 5)
            p.born = QDate(1980 + i % 3, 1 + i % 2, 1);
        if (i % 4)
            p.grade = QString::number(i * 7 % 12);
        f.AddPerson(p.name.value_or(QString()), p.born.value_or(QDate()), p.grade.value_or(QString()));
        people.append(p);
    }
    f.db.Commit();
    return people;
}

// -1, 0, 1 with an empty value below every other one.
template <typename T> int CompareOpt(const std::optional<T>& a, const std::optional<T>& b, auto less)
{
    if (!a && !b)
        return 0;
    if (!a)
        return -1;
    if (!b)
        return 1;
    if (less(*a, *b))
        return -1;
    if (less(*b, *a))
        return 1;
    return 0;
}

QString AsciiUpper(const QString& s)
{
    QString u = s;
    for (QChar& c : u)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    return u;
}

using TCompare = std::function<int(const TPerson&, const TPerson&)>;

TCompare ByName()
{
    return
        [](const TPerson& a, const TPerson& b) { return CompareOpt(a.name, b.name, std::less<QString>()); };
}

} // namespace

class TCursorTest : public QObject
{
    Q_OBJECT
private slots:
    void walksEveryOrderBothWays_data()
    {
        QTest::addColumn<QString>("indexName");
        QTest::addColumn<QString>("fieldNames");
        QTest::addColumn<int>("order");
        // 0 as added, 1 name, 2 name without regard to case, 3 birth newest first, 4 grade as text then name
        QTest::newRow("as added") << QString() << QString() << 0;
        QTest::newRow("index on name") << u"INAME"_s << QString() << 1;
        QTest::newRow("index name in other case") << u"iname"_s << QString() << 1;
        QTest::newRow("name without regard to case") << u"INAMECI"_s << QString() << 2;
        QTest::newRow("birth descending") << u"IBORN"_s << QString() << 3;
        QTest::newRow("grade as text, then name") << u"IGRADE"_s << QString() << 4;
        QTest::newRow("field names") << QString() << u"NAME"_s << 1;
    }
    void walksEveryOrderBothWays()
    {
        QFETCH(QString, indexName);
        QFETCH(QString, fieldNames);
        QFETCH(int, order);
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        QList<TPerson> people = OrderFixture(f);

        TCompare cmp;
        switch (order) {
        case 1:
            cmp = ByName();
            break;
        case 2:
            cmp = [](const TPerson& a, const TPerson& b) {
                auto up = [](const std::optional<QString>& s) {
                    return s ? std::optional<QString>(AsciiUpper(*s)) : std::nullopt;
                };
                return CompareOpt(up(a.name), up(b.name), std::less<QString>());
            };
            break;
        case 3:
            // Newest first; a person without a date sorts below every date, so last.
            cmp = [](const TPerson& a, const TPerson& b) {
                return -CompareOpt(a.born, b.born, std::less<QDate>());
            };
            break;
        case 4:
            cmp = [](const TPerson& a, const TPerson& b) {
                const int g = CompareOpt(a.grade, b.grade, std::less<QString>());
                return g ? g : CompareOpt(a.name, b.name, std::less<QString>());
            };
            break;
        default:
            cmp = [](const TPerson&, const TPerson&) { return 0; };
        }
        // Rows with equal keys stay in the order they were added.
        std::stable_sort(people.begin(), people.end(),
                         [&](const TPerson& a, const TPerson& b) { return cmp(a, b) < 0; });
        QStringList expected;
        for (const TPerson& p : people)
            expected.append(QString::number(p.id));

        if (!indexName.isEmpty())
            f.people.SetIndexName(indexName);
        if (!fieldNames.isEmpty())
            f.people.SetIndexFieldNames(fieldNames);

        QCOMPARE(Walk(f.people, u"ID"_s), expected);
        QStringList back = expected;
        std::reverse(back.begin(), back.end());
        f.people.Refresh(); // nothing fetched: walking back reads every window from its end
        QCOMPARE(WalkBack(f.people, u"ID"_s), back);
        QCOMPARE(f.people.RecordCount(), 150);

        // Jumping to a row by position, and moving on from a row found by value.
        TField& id = f.people.FieldByName(u"ID"_s);
        for (int recNo : {1, 64, 65, 99, 128, 150, 3}) {
            f.people.SetRecNo(recNo);
            QCOMPARE(id.AsString(), expected[recNo - 1]);
            QCOMPARE(f.people.RecNo(), recNo);
        }
        for (int at : {0, 5, 63, 64, 100, 149}) {
            QVERIFY(f.people.Locate(u"ID"_s, expected[at].toInt()));
            QCOMPARE(f.people.RecNo(), at + 1);
            QVERIFY(f.people.Locate(u"ID"_s, expected[at].toInt()));
            f.people.Next();
            QCOMPARE(id.AsString(), expected[std::min(at + 1, 149)]);
            QCOMPARE(f.people.Eof(), at == 149);
            QVERIFY(f.people.Locate(u"ID"_s, expected[at].toInt()));
            f.people.Prior();
            QCOMPARE(id.AsString(), expected[std::max(at - 1, 0)]);
            QCOMPARE(f.people.Bof(), at == 0);
        }
        f.people.SetRecNo(10);
        QCOMPARE(f.people.MoveBy(-1000), -9);
        QVERIFY(f.people.Bof());
        QCOMPARE(id.AsString(), expected[0]);
        QCOMPARE(f.people.MoveBy(70), 70);
        QCOMPARE(id.AsString(), expected[70]);
        QCOMPARE(f.people.MoveBy(1000), 79);
        QVERIFY(f.people.Eof());
        QCOMPARE(id.AsString(), expected[149]);
    }

    void unknownIndexIsRefusedAndOrderStays()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        f.AddPerson(u"b"_s);
        f.AddPerson(u"a"_s);
        f.people.SetIndexName(u"INAME"_s);
        try {
            f.people.SetIndexName(u"ILD"_s);
            QFAIL("an unknown index was accepted");
        } catch (const TError& e) {
            QCOMPARE(e.message(), u"People: Index 'ILD' not found"_s);
        }
        QCOMPARE(f.people.IndexName(), u"INAME"_s);
        QCOMPARE(Walk(f.people, u"NAME"_s), QStringList({u"a"_s, u"b"_s}));
        QVERIFY_THROWS_EXCEPTION(TError, f.people.SetIndexFieldNames(u"NAME;NOPE"_s));
        QCOMPARE(Walk(f.people, u"NAME"_s), QStringList({u"a"_s, u"b"_s}));
    }

    void emptyTableIsBofAndEof()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        f.people.First();
        QVERIFY(f.people.Bof());
        QVERIFY(f.people.Eof());
        QVERIFY(f.people.IsEmpty());
        QCOMPARE(f.people.RecNo(), 0);
        QCOMPARE(f.people.RecordCount(), 0);
        QVERIFY(f.people.FieldByName(u"NAME"_s).IsNull());
        QCOMPARE(f.people.FieldByName(u"NAME"_s).AsString(), QString());
        QVERIFY(!f.people.GetBookmark().IsValid());
        try {
            f.people.Delete();
            QFAIL("deleting in an empty table");
        } catch (const TError& e) {
            QCOMPARE(e.message(), u"People: Cannot perform this operation on an empty dataset"_s);
        }
    }

    void bookmarkFindsRowAfterReordering()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        OrderFixture(f);
        f.people.SetRecNo(77);
        const QString id = f.people.FieldByName(u"ID"_s).AsString();
        const TBookmark mark = f.people.GetBookmark();

        f.people.SetIndexName(u"IBORN"_s);
        QCOMPARE(f.people.FieldByName(u"ID"_s).AsString(), id); // the current row stays current
        const int recNoByBirth = f.people.RecNo();
        f.people.Last();
        f.people.GotoBookmark(mark);
        QCOMPARE(f.people.FieldByName(u"ID"_s).AsString(), id);
        QCOMPARE(f.people.RecNo(), recNoByBirth);
        QCOMPARE(f.people.BookmarkAt(recNoByBirth), mark);

        f.people.Delete();
        QVERIFY(!f.people.BookmarkValid(mark));
        try {
            f.people.GotoBookmark(mark);
            QFAIL("went to a deleted row");
        } catch (const TError& e) {
            QCOMPARE(e.message(), u"People: Record not found"_s);
        }
    }

    void appendPostsAtEndAndCancelLeavesNothing()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        f.AddPerson(u"one"_s);
        f.AddPerson(u"two"_s);
        f.people.First();

        f.people.Append();
        QCOMPARE(f.people.State(), TDataSetState::Insert);
        QVERIFY(f.people.FieldByName(u"ID"_s).IsNull());
        f.people.FieldByName(u"NAME"_s).SetAsString(u"never"_s);
        f.people.Cancel();
        QCOMPARE(f.people.State(), TDataSetState::Browse);
        QCOMPARE(f.people.FieldByName(u"NAME"_s).AsString(), u"one"_s);
        QCOMPARE(f.people.RecordCount(), 2);

        f.people.Append();
        f.people.FieldByName(u"NAME"_s).SetAsString(u"three"_s);
        f.people.Post();
        QCOMPARE(f.people.FieldByName(u"ID"_s).AsInteger(), 3);
        QCOMPARE(f.people.FieldByName(u"NAME"_s).AsString(), u"three"_s);
        QCOMPARE(f.people.RecordCount(), 3);
        QCOMPARE(f.people.RecNo(), 3);
        QCOMPARE(Walk(f.people, u"NAME"_s), QStringList({u"one"_s, u"two"_s, u"three"_s}));

        // Numbers once given are not given again.
        f.people.Last();
        f.people.Delete();
        f.AddPerson(u"four"_s);
        QCOMPARE(f.people.FieldByName(u"ID"_s).AsInteger(), 4);
    }

    void editPostsOrCancels()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        f.AddPerson(u"one"_s, QDate(2001, 2, 3));
        f.AddPerson(u"two"_s);
        f.people.First();
        f.people.Edit();
        QCOMPARE(f.people.State(), TDataSetState::Edit);
        f.people.FieldByName(u"NAME"_s).SetAsString(u"changed"_s);
        QCOMPARE(f.people.FieldByName(u"NAME"_s).AsString(), u"changed"_s);
        f.people.Cancel();
        QCOMPARE(f.people.FieldByName(u"NAME"_s).AsString(), u"one"_s);

        f.people.Edit();
        f.people.FieldByName(u"NAME"_s).SetAsString(u"changed"_s);
        f.people.FieldByName(u"BORN"_s).Clear();
        f.people.Post();
        QCOMPARE(f.people.RecNo(), 1);

        TTable other;
        other.SetDatabase(&f.db);
        other.SetTableName(u"People"_s);
        other.Open();
        QCOMPARE(other.FieldByName(u"NAME"_s).AsString(), u"changed"_s);
        QVERIFY(other.FieldByName(u"BORN"_s).IsNull());

        // Moving with a changed row posts it first.
        f.people.Edit();
        f.people.FieldByName(u"NAME"_s).SetAsString(u"moved"_s);
        f.people.Next();
        QCOMPARE(f.people.State(), TDataSetState::Browse);
        other.Refresh();
        QCOMPARE(other.FieldByName(u"NAME"_s).AsString(), u"moved"_s);
    }

    void deleteMakesNeighbourCurrent_data()
    {
        QTest::addColumn<int>("recNo");
        QTest::addColumn<QString>("nowCurrent");
        QTest::newRow("first") << 1 << u"b"_s;
        QTest::newRow("middle") << 2 << u"c"_s;
        QTest::newRow("last") << 3 << u"b"_s;
    }
    void deleteMakesNeighbourCurrent()
    {
        QFETCH(int, recNo);
        QFETCH(QString, nowCurrent);
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        for (const QString& n : {u"a"_s, u"b"_s, u"c"_s})
            f.AddPerson(n);
        f.people.SetRecNo(recNo);
        f.people.Delete();
        QCOMPARE(f.people.FieldByName(u"NAME"_s).AsString(), nowCurrent);
        QCOMPARE(f.people.RecordCount(), 2);
        QCOMPARE(f.people.RecNo(), std::min(recNo, 2));
        f.people.Delete();
        f.people.Delete();
        QVERIFY(f.people.IsEmpty());
        QVERIFY(f.people.Eof());
    }

    void textIsCutToFieldLength()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        f.AddPerson(u"ABCDEFGHIJKLMNO"_s);
        QCOMPARE(f.people.FieldByName(u"NAME"_s).AsString(), u"ABCDEFGHIJ"_s);
        f.db.Close();
        f.OpenTables(false);
        QCOMPARE(f.people.FieldByName(u"NAME"_s).AsString(), u"ABCDEFGHIJ"_s);
        QCOMPARE(f.people.FieldByName(u"NAME"_s).Size(), 10);
    }

    void changesOutsideEditingAreRefused()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        f.AddPerson(u"a"_s);
        try {
            f.people.FieldByName(u"NAME"_s).SetAsString(u"x"_s);
            QFAIL("changed a field while browsing");
        } catch (const TError& e) {
            QCOMPARE(e.message(), u"People: Dataset not in edit or insert mode"_s);
        }
        QVERIFY_THROWS_EXCEPTION(TError, f.people.Post());
        try {
            f.people.FieldByName(u"NOPE"_s);
            QFAIL("found a field that is not there");
        } catch (const TError& e) {
            QCOMPARE(e.message(), u"People: Field 'NOPE' not found"_s);
        }
        f.people.Close();
        QVERIFY_THROWS_EXCEPTION(TError, f.people.First());
    }

    void valuesThatDoNotConvertKeepTheRowInEditing_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("month 13") << u"BORN"_s << u"14.13.10"_s << u"'14.13.10' is not a valid date"_s;
        QTest::newRow("not a date") << u"BORN"_s << u"gestern"_s << u"'gestern' is not a valid date"_s;
        QTest::newRow("hour 25") << u"AT"_s << u"25:00:00"_s << u"'25:00:00' is not a valid time"_s;
        QTest::newRow("comma") << u"SCORE"_s << u"1,5"_s << u"'1,5' is not a valid floating point value"_s;
        QTest::newRow("number") << u"ID"_s << u"12a"_s << u"'12a' is not a valid integer value"_s;
    }
    void valuesThatDoNotConvertKeepTheRowInEditing()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, error);
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        f.people.Append();
        f.people.FieldByName(u"NAME"_s).SetAsString(u"kept"_s);
        try {
            f.people.FieldByName(field).SetAsString(text);
            QFAIL("took a value it cannot read");
        } catch (const TError& e) {
            QCOMPARE(e.message(), error);
        }
        QCOMPARE(f.people.State(), TDataSetState::Insert);
        QCOMPARE(f.people.FieldByName(u"NAME"_s).AsString(), u"kept"_s);
        f.people.Post();
        QCOMPARE(f.people.RecordCount(), 1);
    }

    void datesAndTimesAreKeptAsSortableText()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        f.people.Append();
        f.people.FieldByName(u"BORN"_s).SetAsString(u"14.03.10"_s);
        f.people.FieldByName(u"AT"_s).SetAsString(u"9:15"_s);
        f.people.FieldByName(u"SCORE"_s).SetAsString(u"2.5"_s);
        f.people.Post();
        QCOMPARE(f.people.FieldByName(u"BORN"_s).AsDate(), QDate(2010, 3, 14));
        QCOMPARE(f.people.FieldByName(u"BORN"_s).AsString(), u"14.03.10"_s);
        QCOMPARE(f.people.FieldByName(u"AT"_s).AsString(), u"09:15:00"_s);
        QCOMPARE(f.people.FieldByName(u"SCORE"_s).AsFloat(), 2.5);

        sqlite3_stmt* st = nullptr;
        QCOMPARE(
            sqlite3_prepare_v2(f.db.Handle(), "SELECT BORN, AT, typeof(SCORE) FROM People", -1, &st, nullptr),
            SQLITE_OK);
        QCOMPARE(sqlite3_step(st), SQLITE_ROW);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))),
                 QByteArray("2010-03-14"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 1))),
                 QByteArray("09:15:00"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 2))), QByteArray("real"));
        sqlite3_finalize(st);

        TField& born = f.people.FieldByName(u"BORN"_s);
        born.SetDisplayFormat(u"dd.mm.yyyy"_s);
        QCOMPARE(born.DisplayText(), u"14.03.2010"_s);
        TField& at = f.people.FieldByName(u"AT"_s);
        at.SetDisplayFormat(u"hh:mm:ss"_s);
        QCOMPARE(at.DisplayText(), u"09:15:00"_s);
    }

    void locateFindsFirstInOrder_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("caseInsensitive");
        QTest::addColumn<int>("id"); // 0: not found
        QTest::newRow("exact") << QString() << u"NAME"_s << QVariant(u"Bert"_s) << false << 3;
        QTest::newRow("case differs") << QString() << u"NAME"_s << QVariant(u"bert"_s) << false << 0;
        QTest::newRow("case ignored") << QString() << u"NAME"_s << QVariant(u"bert"_s) << true << 3;
        QTest::newRow("case ignored, umlaut") << QString() << u"NAME"_s << QVariant(u"MÜLLER"_s) << true << 1;
        QTest::newRow("umlaut exact") << QString() << u"NAME"_s << QVariant(u"müller"_s) << false << 2;
        QTest::newRow("first in current order")
            << u"INAME"_s << u"NAME"_s << QVariant(u"bert"_s) << true << 4;
        QTest::newRow("date") << QString() << u"BORN"_s << QVariant(QDate(1999, 9, 9)) << false << 5;
        QTest::newRow("date as text") << QString() << u"BORN"_s << QVariant(u"09.09.99"_s) << false << 5;
        QTest::newRow("float") << QString() << u"SCORE"_s << QVariant(2.5) << false << 4;
        QTest::newRow("nothing") << QString() << u"NAME"_s << QVariant(u"Zora"_s) << true << 0;
    }
    void locateFindsFirstInOrder()
    {
        QFETCH(QString, index);
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        QFETCH(bool, caseInsensitive);
        QFETCH(int, id);
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        f.AddPerson(u"Müller"_s);
        f.AddPerson(u"müller"_s);
        f.AddPerson(u"Bert"_s);
        f.AddPerson(u"BERT"_s, {}, {}, 2.5);
        f.AddPerson({}, QDate(1999, 9, 9));
        if (!index.isEmpty())
            f.people.SetIndexName(index);
        f.people.Last();
        const int before = f.people.FieldByName(u"ID"_s).AsInteger();
        QCOMPARE(f.people.Locate(field, value, caseInsensitive), id != 0);
        QCOMPARE(f.people.FieldByName(u"ID"_s).AsInteger(), id ? id : before);
    }

    void modelShowsMillionsWithoutCopying()
    {
        TStoreFixture f;
        f.Create();
        f.OpenTables(false);
        constexpr int rows = 100000;
        f.db.StartTransaction();
        TField& name = f.people.FieldByName(u"NAME"_s);
        TField& note = f.people.FieldByName(u"NOTE"_s);
        for (int i = 1; i <= rows; ++i) {
            f.people.Append();
            name.SetAsString(u"N%1"_s.arg(i));
            note.SetAsString(u"note"_s);
            f.people.Post();
        }
        f.db.Commit();
        f.people.First();

        TTableModel model(&f.people);
        QVERIFY(model.SetColumn(u"NAME"_s, u"Name"_s));
        QVERIFY(model.SetColumn(u"NOTE"_s, QString())); // hidden
        QVERIFY(!model.SetColumn(u"NOPE"_s, u"x"_s));
        QCOMPARE(model.columnCount(), 6);
        QCOMPARE(model.ColumnOf(u"NOTE"_s), -1);
        const int nameCol = model.ColumnOf(u"NAME"_s);
        QCOMPARE(model.FieldName(nameCol), u"NAME"_s);
        QCOMPARE(model.headerData(nameCol, Qt::Horizontal).toString(), u"Name"_s);

        const qint64 fetchedBefore = f.people.RowsFetched();
        QCOMPARE(model.rowCount(), rows);
        QCOMPARE(model.data(model.index(rows - 1, nameCol)).toString(), u"N%1"_s.arg(rows));
        QCOMPARE(model.data(model.index(rows / 2, nameCol)).toString(), u"N%1"_s.arg(rows / 2 + 1));
        for (int r = 70000; r < 70040; ++r) // a screenful
            QCOMPARE(model.data(model.index(r, nameCol)).toString(), u"N%1"_s.arg(r + 1));
        QVERIFY2(f.people.RowsFetched() - fetchedBefore < 1000,
                 "the model read far more rows than it showed");
        QCOMPARE(f.people.RecNo(), 1); // reading rows does not move the cursor

        // The view's current row and the table's current row follow each other.
        QItemSelectionModel selection(&model);
        model.BindSelection(&selection);
        QCOMPARE(selection.currentIndex().row(), 0);
        f.people.SetRecNo(65000);
        QCOMPARE(selection.currentIndex().row(), 64999);
        selection.setCurrentIndex(model.index(12, nameCol), QItemSelectionModel::ClearAndSelect);
        QCOMPARE(f.people.RecNo(), 13);
        QCOMPARE(name.AsString(), u"N13"_s);

        // Rows added through the table appear in the model.
        f.AddPerson(u"last"_s);
        QCOMPARE(model.rowCount(), rows + 1);
        QCOMPARE(model.data(model.index(rows, nameCol)).toString(), u"last"_s);
        QCOMPARE(selection.currentIndex().row(), rows);
    }
};

TQ5_TEST(TCursorTest)
#include "tst_Cursor.moc"
