#include "TDatabase.h"
#include "TError.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "uCustomerFile.h"
#include "uGlobal.h"

#include <memory>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using TRow = QStringList; // KN, K1 .. K5

QList<TRow> Customers(TTable& t)
{
    QList<TRow> rows;
    t.First();
    while (!t.Eof()) {
        TRow row;
        for (const char* f : {"KN", "K1", "K2", "K3", "K4", "K5"})
            row.append(t.FieldByName(QString::fromLatin1(f)).AsString());
        rows.append(row);
        t.Next();
    }
    return rows;
}

void AddCustomer(TTable& t, const TRow& row)
{
    t.Append();
    const char* fields[] = {"KN", "K1", "K2", "K3", "K4", "K5"};
    for (int i = 0; i < row.size(); ++i)
        t.FieldByName(QString::fromLatin1(fields[i])).SetAsString(row[i]);
    t.Post();
}

} // namespace

class TCustomerFileTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_home = std::make_unique<TTestHome>();
        m_db = std::make_unique<TDatabase>();
        const QString path = TDatabase::DatabasePath();
        m_db->CreateDatabase(path);
        m_db->OpenTables(path);
    }
    void cleanup()
    {
        m_db.reset();
        m_home.reset();
    }

    void splitString_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("empty field inside") << u"a;;b"_s << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("delimiter at the end") << u"a;b;"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("delimiter first") << u";a"_s << QStringList{QString(), u"a"_s};
        QTest::newRow("only delimiters") << u";;"_s << QStringList{QString(), QString()};
        QTest::newRow("nothing") << QString() << QStringList{};
        QTest::newRow("quotes are plain") << u"\"x;y\""_s << QStringList{u"\"x"_s, u"y\""_s};
        QTest::newRow("blanks stay") << u" a ; b "_s << QStringList{u" a "_s, u" b "_s};
    }
    void splitString()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, fields);
        QCOMPARE(SplitString(text), fields);
    }

    void importAppendsOneCustomerPerLine_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<TRow>>("added");
        const QString e;
        QTest::newRow("number and name only")
            << QByteArray("4711;Meier\r\n") << QList<TRow>{{u"4711"_s, u"Meier"_s, e, e, e, e}};
        QTest::newRow("empty second line stops")
            << QByteArray("1;a\r\n\r\n2;b\r\n") << QList<TRow>{{u"1"_s, u"a"_s, e, e, e, e}};
        QTest::newRow("line of blanks and controls stops")
            << QByteArray("1;a\r\n \t\x01\r\n2;b\r\n") << QList<TRow>{{u"1"_s, u"a"_s, e, e, e, e}};
        QTest::newRow("seventh field ignored")
            << QByteArray("1;a;b;c;d;e;f\r\n")
            << QList<TRow>{{u"1"_s, u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s}};
        QTest::newRow("nothing trimmed")
            << QByteArray(" 7 ; x ;;\r\n") << QList<TRow>{{u" 7 "_s, u" x "_s, e, e, e, e}};
        QTest::newRow("LF line ends, last line unended")
            << QByteArray("1;a\n2;b")
            << QList<TRow>{{u"1"_s, u"a"_s, e, e, e, e}, {u"2"_s, u"b"_s, e, e, e, e}};
        QTest::newRow("Windows-1252 letters")
            << QByteArray("9;M\xFCller;Stra\xDF"
                          "e 1\r\n")
            << QList<TRow>{{u"9"_s, QString::fromUtf8("Müller"), QString::fromUtf8("Straße 1"), e, e, e}};
        QTest::newRow("fields longer than the store holds")
            << QByteArray(QByteArray(25, '1') + ';' + QByteArray(200, 'x') + "\r\n")
            << QList<TRow>{{QString(20, u'1'), QString(30, u'x'), e, e, e, e}};
        QTest::newRow("empty file") << QByteArray() << QList<TRow>{};
    }
    void importAppendsOneCustomerPerLine()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<TRow>, added);
        // An existing customer with the same number is not looked at: the import may duplicate it.
        const TRow existing{u"4711"_s, u"Vorher"_s, {}, {}, {}, {}};
        AddCustomer(*m_db->KundenTable, existing);
        const QString path = m_home->path() + u"/kunden.csv"_s;
        QVERIFY(WriteAll(path, file));

        QCOMPARE(ImportCustomers(*m_db->KundenTable, path), int(added.size()));
        QCOMPARE(Customers(*m_db->KundenTable), QList<TRow>{existing} + added);
    }

    void importRefusesWhatIsNoText_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("where");
        QTest::newRow("undefined byte")
            << QByteArray("1;a\r\n2;b\x81\r\n") << u"line 2 holds the byte 0x81"_s;
        QTest::newRow("NUL byte") << QByteArray("1;a\0b\r\n", 7) << u"line 1 holds the byte 0x00"_s;
    }
    void importRefusesWhatIsNoText()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, where);
        AddCustomer(*m_db->KundenTable, {u"1"_s, u"Vorher"_s});
        const QString path = m_home->path() + u"/kunden.bin"_s;
        QVERIFY(WriteAll(path, file));
        try {
            ImportCustomers(*m_db->KundenTable, path);
            QFAIL("no error");
        } catch (const TError& e) {
            QVERIFY2(e.message().contains(path) && e.message().contains(where), qPrintable(e.message()));
        }
        QCOMPARE(m_db->KundenTable->RecordCount(), 1);
    }

    void importOfAFileThatCannotBeReadChangesNothing()
    {
        AddCustomer(*m_db->KundenTable, {u"1"_s, u"Vorher"_s});
        const QString missing = m_home->path() + u"/gibt-es-nicht.csv"_s;
        QVERIFY_THROWS_EXCEPTION(TError, ImportCustomers(*m_db->KundenTable, missing));
        // A folder opens but cannot be read as a file.
        QVERIFY_THROWS_EXCEPTION(TError, ImportCustomers(*m_db->KundenTable, m_home->path()));
        QCOMPARE(m_db->KundenTable->RecordCount(), 1);
    }

    void exportWritesEveryCustomerInTheCurrentOrder()
    {
        TTable& t = *m_db->KundenTable;
        AddCustomer(t, {u"2"_s, u"Zimmer; Söhne"_s, u"Weg 1"_s, u"12345 Ort"_s, u"0123"_s, u"x"_s});
        AddCustomer(t, {u"1"_s, u"Albers"_s});
        AddCustomer(t, {u"3"_s, u"Maier"_s, {}, {}, {}, u"letzte"_s});
        t.SetIndexName(u"K1"_s);
        t.Locate(u"KN"_s, u"3"_s);

        const QString path = GetDocumentsFolder() + u"/Customers_140509.csv"_s;
        QCOMPARE(ExportCustomers(t, path), 3);

        // The ";" in the name stands unchanged, so that line has seven fields.
        QCOMPARE(ReadAll(path), QByteArray("1;Albers;;;;\r\n"
                                           "3;Maier;;;;letzte\r\n"
                                           "2;Zimmer; S\xF6hne;Weg 1;12345 Ort;0123;x\r\n"));
        QCOMPARE(t.FieldByName(u"KN"_s).AsString(), u"3"_s);

        // Exporting again replaces the file.
        t.First();
        t.Delete();
        QCOMPARE(ExportCustomers(t, path), 2);
        QVERIFY(!ReadAll(path).contains("Albers"));
    }

    void exportToAPlaceThatCannotBeWrittenLeavesNoFile()
    {
        AddCustomer(*m_db->KundenTable, {u"1"_s, u"a"_s});
        const QString path = m_home->path() + u"/fehlt/kunden.csv"_s;
        QVERIFY_THROWS_EXCEPTION(TError, ExportCustomers(*m_db->KundenTable, path));
        QVERIFY(!QFile::exists(path));
    }

    void closedTablesGiveTheStoreError()
    {
        m_db->CloseTables();
        const QString path = m_home->path() + u"/k.csv"_s;
        QVERIFY(WriteAll(path, "1;a\r\n"));
        QVERIFY_THROWS_EXCEPTION(TError, ImportCustomers(*m_db->KundenTable, path));
        QVERIFY_THROWS_EXCEPTION(TError, ExportCustomers(*m_db->KundenTable, m_home->path() + u"/out.csv"_s));
    }

private:
    std::unique_ptr<TTestHome> m_home;
    std::unique_ptr<TDatabase> m_db;
};

TQ5_TEST(TCustomerFileTest)
#include "tst_SettingsCustomerFile.moc"
