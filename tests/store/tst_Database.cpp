#include "DamagedFile.h"
#include "ScriptedDialogs.h"
#include "TDatabase.h"
#include "TError.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "uGlobal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct TTest
{
    QDate sd;
    QTime su;
    QString md;
    QString mt;
};

// Appends through the links, as the card import does: the link fields are never set by hand.
void AddCustomer(TDatabase& db, const QString& kn)
{
    db.KundenTable->Append();
    db.KundenTable->FieldByName(u"KN"_s).SetAsString(kn);
    db.KundenTable->Post();
}

void AddTest(TDatabase& db, const TTest& t, int readings = 0)
{
    db.MessungenTable->Append();
    db.MessungenTable->FieldByName(u"SD"_s).SetAsDate(t.sd);
    db.MessungenTable->FieldByName(u"SU"_s).SetAsTime(t.su);
    db.MessungenTable->FieldByName(u"MD"_s).SetAsString(t.md);
    db.MessungenTable->FieldByName(u"MT"_s).SetAsString(t.mt);
    db.MessungenTable->Post();
    for (int i = 0; i < readings; ++i) {
        db.MessdatenTable->Append();
        db.MessdatenTable->FieldByName(u"DA"_s).SetAsDate(t.sd);
        db.MessdatenTable->FieldByName(u"UZ"_s).SetAsTime(t.su.addSecs(i));
        db.MessdatenTable->FieldByName(u"MW"_s).SetAsFloat(i / 10.0);
        db.MessdatenTable->Post();
    }
}

QStringList Column(TTable* table, const QString& field)
{
    QStringList values;
    for (table->First(); !table->Eof(); table->Next())
        values.append(table->FieldByName(field).DisplayText());
    return values;
}

QString FieldsText(const QList<TFieldDef>& fields)
{
    static const char* types[] = {"String", "Memo", "Integer", "AutoInc", "Date", "Time", "Float", "Boolean"};
    QStringList parts;
    for (const TFieldDef& f : fields)
        parts.append(f.name + u' ' + QLatin1StringView(types[int(f.type)]) +
                     (f.type == TFieldType::String ? u'(' + QString::number(f.size) + u')' : QString()));
    return parts.join(u", "_s);
}

QString IndexesText(const QList<TIndexDef>& indexes)
{
    QStringList parts;
    for (const TIndexDef& i : indexes) {
        QString p = i.name + u" ["_s + i.fields.join(u';') + u']';
        if (i.options & TIndexOption::Primary)
            p += u" primary"_s;
        if (i.options & TIndexOption::Unique)
            p += u" unique"_s;
        if (i.options & TIndexOption::Descending)
            p += u" descending"_s;
        if (i.options & TIndexOption::CaseInsensitive)
            p += u" case-insensitive"_s;
        parts.append(p);
    }
    return parts.join(u", "_s);
}

} // namespace

class TDatabaseTest : public QObject
{
    Q_OBJECT
private slots:
    void firstStartCreatesTheThreeTablesAndSecondChangesNothing()
    {
        TTestHome home;
        const QString path = TDatabase::DatabasePath();
        QCOMPARE(path, GetDataFolder() + u"/TQ5Report.DB"_s);
        QVERIFY(!QFileInfo::exists(path));
        {
            TDatabase db;
            db.OpenOrCreate(path);
            QVERIFY(QFileInfo::exists(path));
            QCOMPARE(db.Database->DatabaseName(), u"TQ5Report.DB"_s);
            QCOMPARE(db.Database->TableNames(),
                     QStringList({u"KundenTable"_s, u"MessungenTable"_s, u"MessdatenTable"_s}));

            QCOMPARE(FieldsText(db.Database->TableDefinition(u"KundenTable"_s).fields),
                     u"KUNDENID AutoInc, KN String(20), K1 String(30), K2 String(30), K3 String(30), K4 "
                     u"String(30), "
                     "K5 String(30), KMEMO Memo"_s);
            QCOMPARE(
                IndexesText(db.Database->TableDefinition(u"KundenTable"_s).indexes),
                u"I_KUNDENID [KUNDENID] primary, KN [KN], K1 [K1], K2 [K2], K3 [K3], K4 [K4], K5 [K5]"_s);
            QCOMPARE(
                FieldsText(db.Database->TableDefinition(u"MessungenTable"_s).fields),
                u"MKUNDENID Integer, MESSUNGENID AutoInc, SD Date, SU Time, MT String(50), MTNR Integer, "
                "IN String(20), DS String(20), DE String(20), MD String(20), DM String(20), SZ String(20), "
                "ST String(20), ET String(20), EH String(20), KS String(20), LD String(20), RD String(20), "
                "LR String(20), LU String(20), NR String(20), MMEMO Memo"_s);
            QCOMPARE(IndexesText(db.Database->TableDefinition(u"MessungenTable"_s).indexes),
                     u"I_MKUNDENID [MKUNDENID], I_MESSUNGENID [MESSUNGENID], IMT [MKUNDENID;MT], "
                     "ISD [MKUNDENID;SD] descending, ISU [MKUNDENID;SU] descending, IMD [MKUNDENID;MD]"_s);
            QCOMPARE(FieldsText(db.Database->TableDefinition(u"MessdatenTable"_s).fields),
                     u"MESSDATENID Integer, DA Date, UZ Time, MW Float, MW2 Float, MW3 Float, MW4 Float, "
                     "MW5 Float, MW6 Float, MW7 Float"_s);
            QCOMPARE(IndexesText(db.Database->TableDefinition(u"MessdatenTable"_s).indexes),
                     u"I_MESSDATENID [MESSDATENID]"_s);

            for (TTable* t : {db.KundenTable, db.MessungenTable, db.MessdatenTable}) {
                QVERIFY(t->Active());
                QCOMPARE(t->RecordCount(), 0);
            }
            QCOMPARE(db.MessungenTable->MasterSource(), db.KundenTable);
            QCOMPARE(db.MessdatenTable->MasterSource(), db.MessungenTable);
            db.CloseTables();
            QVERIFY(!db.Database->Connected());
        }
        const QByteArray first = ReadAll(path);
        {
            TDatabase db;
            db.OpenOrCreate(path);
            QCOMPARE(db.Database->TableNames().size(), 3);
        }
        QCOMPARE(ReadAll(path), first);
    }

    void linksFollowCustomerAndTest()
    {
        TTestHome home;
        TDatabase db;
        db.OpenOrCreate(TDatabase::DatabasePath());
        AddCustomer(db, u"K-1"_s);
        AddTest(db, {QDate(2010, 3, 14), QTime(9, 15), u"10"_s, u"Gas"_s}, 3);
        AddTest(db, {QDate(2010, 3, 15), QTime(8, 0), u"5"_s, u"Wasser"_s}, 2);
        AddCustomer(db, u"K-2"_s);
        AddTest(db, {QDate(2011, 1, 1), QTime(7, 0), u"1"_s, u"Abwasser"_s}, 4);

        db.KundenTable->First();
        QCOMPARE(db.MessungenTable->RecordCount(), 2);
        QCOMPARE(db.MessungenTable->FieldByName(u"MKUNDENID"_s).AsInteger(),
                 db.KundenTable->FieldByName(u"KUNDENID"_s).AsInteger());
        QCOMPARE(db.MessdatenTable->RecordCount(), 3);
        QCOMPARE(db.MessdatenTable->FieldByName(u"MESSDATENID"_s).AsInteger(),
                 db.MessungenTable->FieldByName(u"MESSUNGENID"_s).AsInteger());
        QCOMPARE(Column(db.MessdatenTable, u"UZ"_s),
                 QStringList({u"09:15:00"_s, u"09:15:01"_s, u"09:15:02"_s}));
        db.MessungenTable->Next();
        QCOMPARE(db.MessdatenTable->RecordCount(), 2);
        db.KundenTable->Next();
        QCOMPARE(Column(db.MessungenTable, u"MT"_s), QStringList({u"Abwasser"_s}));
        QCOMPARE(db.MessdatenTable->RecordCount(), 4);

        // The import finds a customer without regard to case and a test by date and time.
        QVERIFY(db.KundenTable->Locate(u"KN"_s, u"k-1"_s, true));
        QVERIFY(db.MessungenTable->Locate(u"SU"_s, QTime(8, 0)));
        QCOMPARE(db.MessungenTable->FieldByName(u"MT"_s).AsString(), u"Wasser"_s);
        QVERIFY(!db.MessungenTable->Locate(u"SU"_s, QTime(7, 0))); // the other customer's
        QVERIFY(db.MessungenTable->Locate({u"SD"_s, u"SU"_s}, {u"14.03.10"_s, QTime(9, 15)}));
        QCOMPARE(db.MessungenTable->FieldByName(u"MT"_s).AsString(), u"Gas"_s);
        QVERIFY(!db.MessungenTable->Locate({u"SD"_s, u"SU"_s}, {QDate(2010, 3, 14), QTime(8, 0)}));
        QCOMPARE(db.MessungenTable->FieldByName(u"MT"_s).AsString(), u"Gas"_s);
    }

    void testListOrders_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("as added") << QString() << u"MD"_s
                                  << QStringList({u"3"_s, u"10"_s, u"25"_s, u"100"_s});
        QTest::newRow("ISD newest first")
            << u"ISD"_s << u"SD"_s
            << QStringList({u"02.05.12"_s, u"01.05.12"_s, u"31.12.11"_s, u"31.12.11"_s});
        QTest::newRow("ISU latest first")
            << u"ISU"_s << u"SU"_s
            << QStringList({u"23:00:00"_s, u"12:30:00"_s, u"09:05:00"_s, u"09:00:00"_s});
        QTest::newRow("IMD as text") << u"IMD"_s << u"MD"_s
                                     << QStringList({u"10"_s, u"100"_s, u"25"_s, u"3"_s});
        QTest::newRow("IMT") << u"IMT"_s << u"MT"_s
                             << QStringList({u"Gas"_s, u"Heizung"_s, u"Trinkwasser"_s, u"Wasser"_s});
    }
    void testListOrders()
    {
        QFETCH(QString, index);
        QFETCH(QString, field);
        QFETCH(QStringList, expected);
        TTestHome home;
        TDatabase db;
        db.OpenOrCreate(TDatabase::DatabasePath());
        AddCustomer(db, u"other"_s);
        AddTest(db, {QDate(2013, 1, 1), QTime(23, 59), u"1"_s, u"Abwasser"_s});
        AddCustomer(db, u"mine"_s);
        AddTest(db, {QDate(2011, 12, 31), QTime(9, 0), u"3"_s, u"Wasser"_s});
        AddTest(db, {QDate(2012, 5, 2), QTime(12, 30), u"10"_s, u"Gas"_s});
        AddTest(db, {QDate(2011, 12, 31), QTime(23, 0), u"25"_s, u"Trinkwasser"_s});
        AddTest(db, {QDate(2012, 5, 1), QTime(9, 5), u"100"_s, u"Heizung"_s});
        AddCustomer(db, u"third"_s);
        AddTest(db, {QDate(2000, 1, 1), QTime(0, 0), u"0"_s, u"Aaa"_s});
        QVERIFY(db.KundenTable->Locate(u"KN"_s, u"mine"_s));
        if (!index.isEmpty())
            db.MessungenTable->SetIndexName(index);
        QCOMPARE(Column(db.MessungenTable, field), expected);
        // The order stays when the customer changes and comes back.
        db.KundenTable->First();
        QCOMPARE(db.MessungenTable->RecordCount(), 1);
        db.KundenTable->Next();
        QCOMPARE(Column(db.MessungenTable, field), expected);

        try {
            db.MessungenTable->SetIndexName(u"ILD"_s);
            QFAIL("sorted by an index that is not there");
        } catch (const TError& e) {
            QCOMPARE(e.message(), u"MessungenTable: Index 'ILD' not found"_s);
        }
        QCOMPARE(Column(db.MessungenTable, field), expected);
    }

    void customerNumberKeepsItsFirst20Characters()
    {
        TTestHome home;
        const QString path = TDatabase::DatabasePath();
        {
            TDatabase db;
            db.OpenOrCreate(path);
            AddCustomer(db, u"1234567890123456789012345"_s);
            db.KundenTable->Edit();
            db.KundenTable->FieldByName(u"K1"_s).SetAsString(QString(40, u'ä'));
            db.KundenTable->Post();
        }
        TDatabase db;
        db.OpenTables(path);
        QCOMPARE(db.KundenTable->FieldByName(u"KN"_s).AsString(), u"12345678901234567890"_s);
        QCOMPARE(db.KundenTable->FieldByName(u"K1"_s).AsString(), QString(30, u'ä'));
    }

    void startDateAndTimeShowInTheirFormats()
    {
        TTestHome home;
        TDatabase db;
        db.OpenOrCreate(TDatabase::DatabasePath());
        AddCustomer(db, u"K"_s);
        db.MessungenTable->Append();
        // The import hands over the card's texts.
        db.MessungenTable->FieldByName(u"SD"_s).SetAsString(u"14.03.10"_s);
        db.MessungenTable->FieldByName(u"SU"_s).SetAsString(u"09:15:00"_s);
        db.MessungenTable->Post();
        TField& sd = db.MessungenTable->FieldByName(u"SD"_s);
        TField& su = db.MessungenTable->FieldByName(u"SU"_s);
        QCOMPARE(sd.AsDate(), QDate(2010, 3, 14));
        QCOMPARE(sd.DisplayText(), u"14.03.10"_s);
        QCOMPARE(su.AsTime(), QTime(9, 15));
        QCOMPARE(su.DisplayText(), u"09:15:00"_s);
        TTableModel model(db.MessungenTable);
        QCOMPARE(model.data(model.index(0, model.ColumnOf(u"SD"_s))).toString(), u"14.03.10"_s);
    }

    void damagedFileShowsTheRepairMessageAndRepairBringsItBack()
    {
        TTestHome home;
        const QString path = TDatabase::DatabasePath();
        {
            TDatabase db;
            db.OpenOrCreate(path);
            for (int k = 0; k < 20; ++k)
                AddCustomer(db, u"K%1"_s.arg(k));
            db.Database->StartTransaction();
            AddTest(db, {QDate(2010, 3, 14), QTime(9, 15), u"10"_s, u"Gas"_s}, 3000);
            db.Database->Commit();
        }
        QVERIFY(DamageFirstLeaf(path, "MessdatenTable"));

        TDatabase db;
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectMessage();
            db.OpenTables(path);
            QVERIFY(dialogs.Done());
            QCOMPARE(dialogs.messages[0].title, u"Datenbankfehler"_s);
            QCOMPARE(dialogs.messages[0].text,
                     u"Die Datenbank wurde beschädigt.\rBitte führen Sie die Reparaturfunktion aus."_s);
            QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Information));
        }
        QVERIFY(db.KundenTable->Active());

        const TDatabaseFile::TRepairResult result = db.RepairDatabase();
        QVERIFY(QFileInfo::exists(result.damagedCopy));
        QVERIFY(db.Database->Connected());
        QVERIFY(!db.KundenTable->Active());
        db.CloseTables();
        TScriptedDialogs none;
        db.OpenTables(path);
        QCOMPARE(db.KundenTable->RecordCount(), 20);
        QVERIFY(db.KundenTable->Locate(u"KN"_s, u"K19"_s));
        QCOMPARE(db.MessungenTable->RecordCount(), 1);
        QVERIFY(db.MessdatenTable->RecordCount() > 2800);
        QVERIFY(db.MessdatenTable->RecordCount() < 3000);
    }

    void deletingCustomerTakesItsTestsAndReadings()
    {
        TTestHome home;
        TDatabase db;
        db.OpenOrCreate(TDatabase::DatabasePath());
        AddCustomer(db, u"A"_s);
        AddTest(db, {QDate(2010, 1, 1), QTime(1, 0), u"1"_s, u"a1"_s}, 5);
        AddTest(db, {QDate(2010, 1, 2), QTime(1, 0), u"1"_s, u"a2"_s}, 5);
        AddCustomer(db, u"B"_s);
        AddTest(db, {QDate(2010, 1, 3), QTime(1, 0), u"1"_s, u"b1"_s}, 7);
        QVERIFY(db.KundenTable->Locate(u"KN"_s, u"A"_s));
        db.DeleteCurrentCustomer();
        QCOMPARE(db.KundenTable->RecordCount(), 1);
        QCOMPARE(db.KundenTable->FieldByName(u"KN"_s).AsString(), u"B"_s);
        QCOMPARE(db.MessungenTable->RecordCount(), 1);
        QCOMPARE(db.MessdatenTable->RecordCount(), 7);
        db.DeleteCurrentMeasurement();
        QCOMPARE(db.MessungenTable->RecordCount(), 0);
        QCOMPARE(db.Database->Execute(u"DELETE FROM MessungenTable"_s), 0);
        QCOMPARE(db.Database->Execute(u"DELETE FROM MessdatenTable"_s), 0); // no reading was left behind
    }

    void emptyingKeepsTablesAndLinks()
    {
        TTestHome home;
        TDatabase db;
        db.OpenOrCreate(TDatabase::DatabasePath());
        AddCustomer(db, u"A"_s);
        AddTest(db, {QDate(2010, 1, 1), QTime(1, 0), u"1"_s, u"a1"_s}, 5);
        db.EmptyTables();
        for (TTable* t : {db.KundenTable, db.MessungenTable, db.MessdatenTable}) {
            QVERIFY(t->Active());
            QCOMPARE(t->RecordCount(), 0);
        }
        AddCustomer(db, u"B"_s);
        AddTest(db, {QDate(2010, 1, 1), QTime(1, 0), u"1"_s, u"b1"_s}, 2);
        QCOMPARE(db.MessdatenTable->RecordCount(), 2);
        QCOMPARE(db.MessungenTable->FieldByName(u"MKUNDENID"_s).AsInteger(),
                 db.KundenTable->FieldByName(u"KUNDENID"_s).AsInteger());
    }
};

TQ5_TEST(TDatabaseTest)
#include "tst_Database.moc"
