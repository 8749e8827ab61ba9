#include "TestMain.h"
#include "TLangResFrm.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TCatalogueTest : public QObject
{
    Q_OBJECT
private slots:
    // The entries are the window's labels, in order, under their names; language files find them there.
    void entriesAreNamedLabelsInOrder()
    {
        TLangResFrm catalogue;
        QCOMPARE(catalogue.objectName(), u"LangResFrm"_s);
        const QList<QLabel*> labels = catalogue.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(labels.size(), 103);
        for (int i = 0; i < labels.size(); ++i) {
            QCOMPARE(labels[i]->objectName(), u"Label"_s + QString::number(i + 1));
            QCOMPARE(labels[i]->text(), TLangResFrm::DefaultText(labels[i]->objectName()));
            QVERIFY(!labels[i]->text().isEmpty());
        }
        QCOMPARE(catalogue.Label1, labels[0]);
        QCOMPARE(catalogue.Label53, labels[52]);
        QCOMPARE(catalogue.Label103, labels[102]);
    }

    // A few texts whose characters are easy to get wrong.
    void germanTexts_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QByteArray>("utf8");
        QTest::newRow("Label1")
            << u"Label1"_s
            << QByteArray(
                   "Es ist noch kein Laufwerk f\xc3\xbcr den Wechseldatentr\xc3\xa4ger ausgew\xc3\xa4hlt.");
        QTest::newRow("Label4") << u"Label4"_s
                                << QByteArray("Auf Laufwerk %s: kann nicht zugegriffen werden.");
        QTest::newRow("Label9") << u"Label9"_s << QByteArray("Kundendaten wurden exportiert !");
        QTest::newRow("Label52") << u"Label52"_s
                                 << QByteArray("Vor \xc3\x9c"
                                               "bertragung der Kunden werden alle Daten auf");
        QTest::newRow("Label69") << u"Label69"_s
                                 << QByteArray("T1 / \xc2\xb0"
                                               "C");
        QTest::newRow("Label80") << u"Label80"_s
                                 << QByteArray(
                                        "Bitte installieren Sie z.B. den kostenlosen Adobe Reader\xc2\xae.");
        QTest::newRow("Label97") << u"Label97"_s
                                 << QByteArray("Kundennummer;Kunde1;Kunde2;Kunde3;Kunde4;Kunde5<CR/LF>");
        QTest::newRow("Label103") << u"Label103"_s
                                  << QByteArray("Es k\xc3\xb6nnen maximal 500 Kunden gespeichert werden.");
        QTest::newRow("no Label0") << u"Label0"_s << QByteArray();
        QTest::newRow("no Label104") << u"Label104"_s << QByteArray();
        QTest::newRow("no Label04") << u"Label04"_s << QByteArray();
    }
    void germanTexts()
    {
        QFETCH(QString, entry);
        QFETCH(QByteArray, utf8);
        QCOMPARE(TLangResFrm::DefaultText(entry), QString::fromUtf8(utf8));
        QCOMPARE(Msg(entry), QString::fromUtf8(utf8)); // no catalogue window: the built-in text
    }

    void composesWithOneCr()
    {
        QCOMPARE(Compose({Msg(u"Label6"_s), Msg(u"Label7"_s)}),
                 u"Die Datenbank wurde beschädigt.\rBitte führen Sie die Reparaturfunktion aus."_s);
        QCOMPARE(Compose({u"a"_s, QString(), u"b"_s}), u"a\r\rb"_s);
        QCOMPARE(Compose({u"allein"_s}), u"allein"_s);
    }

    // Messages come from the catalogue window as it stands, translated or not.
    void translatedPatternStillGetsItsArguments()
    {
        TLangResFrm catalogue;
        QCOMPARE(MsgF(u"Label4"_s, {u"E"_s}), u"Auf Laufwerk E: kann nicht zugegriffen werden."_s);
        catalogue.Label4->setText(u"Drive %s: cannot be accessed."_s);
        QCOMPARE(Msg(u"Label4"_s), u"Drive %s: cannot be accessed."_s);
        QCOMPARE(
            Compose({MsgF(u"Label4"_s, {u"E"_s}), Msg(u"Label5"_s)}),
            u"Drive E: cannot be accessed.\rPrüfen Sie, ob sich ein Datenträger in dem Laufwerk befindet."_s);
        catalogue.Label4->setText(u"%s : lecteur inaccessible"_s);
        QCOMPARE(MsgF(u"Label4"_s, {u"E"_s}), u"E : lecteur inaccessible"_s);
        catalogue.Label45->setText(QString());
        QCOMPARE(MsgF(u"Label45"_s, {u"1"_s, u"2"_s}), QString());
    }

    void fillsPatterns_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("text");
        QTest::newRow("two in order") << u"Importiere Datei %s von %s"_s << QStringList{u"3"_s, u"12"_s}
                                      << u"Importiere Datei 3 von 12"_s;
        QTest::newRow("argument holding %s is not filled again")
            << u"%s und %s"_s << QStringList{u"%s"_s, u"b"_s} << u"%s und b"_s;
        QTest::newRow("too few arguments") << u"%s von %s"_s << QStringList{u"1"_s} << u"1 von %s"_s;
        QTest::newRow("too many arguments") << u"nur %s"_s << QStringList{u"1"_s, u"2"_s} << u"nur 1"_s;
        QTest::newRow("percent sign") << u"100%% von %s"_s << QStringList{u"x"_s} << u"100% von x"_s;
        QTest::newRow("capital S") << u"%S!"_s << QStringList{u"x"_s} << u"x!"_s;
        QTest::newRow("other directive stays") << u"%d %s %"_s << QStringList{u"x"_s} << u"%d x %"_s;
    }
    void fillsPatterns()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, args);
        QFETCH(QString, text);
        QCOMPARE(FormatPattern(pattern, args), text);
    }
};

TQ5_TEST(TCatalogueTest)
#include "tst_Catalogue.moc"
