#include "CardRig.h"
#include "ErrorGuard.h"
#include "ScriptedDialogs.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "uGlobal.h"

#include <QApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

TBookmark AddFullCustomer(TCardRig& rig, const QStringList& values)
{
    TTable& k = *rig.db.KundenTable;
    k.Append();
    const QStringList fields{u"KN"_s, u"K1"_s, u"K2"_s, u"K3"_s, u"K4"_s, u"K5"_s};
    for (int i = 0; i < values.size(); ++i)
        k.FieldByName(fields[i]).SetAsString(values[i]);
    k.Post();
    return k.GetBookmark();
}

// Everything in the card folder, sub-folders as "SUB/NAME", sorted.
QStringList CardContents(const QString& root)
{
    QStringList out;
    const QDir dir(root);
    for (const QFileInfo& info : dir.entryInfoList(
             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (info.isDir()) {
            out << info.fileName() + u'/';
            for (const QString& inner : CardContents(info.filePath()))
                out << info.fileName() + u'/' + inner;
        } else {
            out << info.fileName();
        }
    }
    return out;
}

void FillCard(TCardRig& rig)
{
    rig.WriteCard(u"TQ5_0001.DAT"_s, "KN=1\r\nMT=1\r\n");
    rig.WriteCard(u"MESSUNG.DAT"_s, "KN=2\r\n");
    rig.WriteCard(u".versteckt"_s, "x");
    rig.WriteCard(u"TQ5_7.DAT"_s, "KN=7\r\n");
    rig.WriteCard(u"SUB/KEEP.DAT"_s, "KN=9\r\n");
}

const QString kQuestion =
    u"Vor Übertragung der Kunden werden alle Daten auf\rder Karte in Laufwerk E: gelöscht. Fortfahren ?"_s;
const QString kDone =
    u"Die Übertragung der Kundendaten ist abgeschlossen.\rSie können die Karte nun entnehmen."_s;

bool Transfer(TCardRig& rig, const QList<TBookmark>& selection)
{
    return Guarded(nullptr, [&] { TransferCustomersToCard(rig.host, selection); });
}

} // namespace

class TCardTransferTest : public QObject
{
    Q_OBJECT
private slots:
    void selectedCustomersBecomeCustomerFiles()
    {
        TCardRig rig;
        const TBookmark a = AddFullCustomer(rig, {u"1234567"_s, u"Jürgen Müßig"_s, u"Am Bach 3"_s,
                                                  u"12345 Ödorf"_s, u"0123/4567"_s, QString()});
        AddFullCustomer(rig, {u"NICHT"_s, u"nicht gewählt"_s});
        const TBookmark b = AddFullCustomer(rig, {u"B-2"_s, u"Zwei"_s});
        // A value of the full 30 characters gets no blank.
        const TBookmark c = AddFullCustomer(rig, {u"3"_s, u"Ein Name von dreißig Zeichen !"_s});
        FillCard(rig);
        QStringList titles;
        QObject::connect(&rig.wait, &QWidget::windowTitleChanged, [&](const QString& t) { titles << t; });

        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::Yes);
        dialogs.ExpectMessage();
        QVERIFY(Transfer(rig, {c, a, b}));

        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(dialogs.messages[0].title, u"Sicherheitsabfrage"_s);
        QCOMPARE(dialogs.messages[0].text, kQuestion);
        QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Question));
        QCOMPARE(dialogs.messages[0].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(dialogs.messages[1].title, u"Information"_s);
        QCOMPARE(dialogs.messages[1].text, kDone);
        QCOMPARE(int(dialogs.messages[1].icon), int(Dialogs::Icon::Information));

        QCOMPARE(CardContents(rig.card),
                 (QStringList{u"SUB/"_s, u"SUB/KEEP.DAT"_s, u"TQ5_1.DAT"_s, u"TQ5_2.DAT"_s, u"TQ5_3.DAT"_s}));
        const QByteArray blank30(30, ' ');
        QCOMPARE(ReadAll(rig.CardPath(u"TQ5_1.DAT"_s)),
                 "KN=3" + QByteArray(29, ' ') + "\r\nK1=Ein Name von drei\xdfig Zeichen !\r\nK2=" + blank30 +
                     "\r\nK3=" + blank30 + "\r\nK4=" + blank30 + "\r\nK5=" + blank30 + "\r\n");
        QCOMPARE(ReadAll(rig.CardPath(u"TQ5_2.DAT"_s)),
                 "KN=1234567" + QByteArray(23, ' ') + "\r\nK1=J\xfcrgen M\xfc\xdfig" + QByteArray(18, ' ') +
                     "\r\nK2=Am Bach 3" + QByteArray(21, ' ') +
                     "\r\nK3=12345 \xd6"
                     "dorf" +
                     QByteArray(19, ' ') + "\r\nK4=0123/4567" + QByteArray(21, ' ') + "\r\nK5=" + blank30 +
                     "\r\n");
        QVERIFY(ReadAll(rig.CardPath(u"TQ5_3.DAT"_s))
                    .startsWith("KN=B-2" + QByteArray(27, ' ') + "\r\nK1=Zwei "));

        QCOMPARE(titles, (QStringList{u"Kartendaten werden gelöscht"_s, u"Kundendaten werden übertragen"_s}));
        QVERIFY(rig.wait.isHidden());
        QVERIFY(!CardExchangeBusy());
    }

    void customerFilesImportAsTheSameCustomers()
    {
        TCardRig rig;
        QList<TBookmark> selection;
        selection << AddFullCustomer(rig, {u"K-1"_s, u"Hans Weiß"_s, u"Lindenweg 1"_s, u"54321 Au"_s});
        selection << AddFullCustomer(rig, {u"K-2"_s, u"Eva Groß"_s});
        const QString before = rig.Dump();
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectMessage(QMessageBox::Yes);
            dialogs.ExpectMessage();
            QVERIFY(Transfer(rig, selection));
        }
        TScriptedDialogs dialogs;
        QVERIFY(Guarded(nullptr, [&] { LoadMesFromCard(rig.host); }));
        QCOMPARE(rig.protocol.count(u"Insgesamt 0 Kunde(n) neu angelegt"_s), 2);
        QCOMPARE(rig.Dump(), before);
    }

    void limitIsCheckedBeforeTheCardIsTouched_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("refused");
        QTest::newRow("500") << 500 << false;
        QTest::newRow("501") << 501 << true;
    }
    void limitIsCheckedBeforeTheCardIsTouched()
    {
        QFETCH(int, selected);
        QFETCH(bool, refused);
        TCardRig rig;
        QList<TBookmark> selection;
        for (int i = 1; i <= selected; ++i)
            selection << AddFullCustomer(rig, {QString::number(i)});
        FillCard(rig);
        const QStringList before = CardContents(rig.card);
        TScriptedDialogs dialogs;
        if (!refused)
            dialogs.ExpectMessage(QMessageBox::Yes);
        dialogs.ExpectMessage();
        QVERIFY(Transfer(rig, selection));
        if (refused) {
            QCOMPARE(dialogs.messages.size(), 1);
            QCOMPARE(dialogs.messages[0].title, u"Information"_s);
            QCOMPARE(dialogs.messages[0].text, u"Es können maximal 500 Kunden gespeichert werden."_s);
            QCOMPARE(CardContents(rig.card), before);
        } else {
            QCOMPARE(dialogs.messages.size(), 2);
            QCOMPARE(dialogs.messages[1].text, kDone);
            const QStringList after = CardContents(rig.card);
            QCOMPARE(after.size(), 500 + 2);
            QVERIFY(after.contains(u"TQ5_500.DAT"_s));
            QVERIFY(ReadAll(rig.CardPath(u"TQ5_500.DAT"_s)).startsWith("KN=500 "));
        }
    }

    void noSelectionEmptiesTheCard()
    {
        TCardRig rig;
        AddFullCustomer(rig, {u"1"_s});
        FillCard(rig);
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::Yes);
        dialogs.ExpectMessage();
        QVERIFY(Transfer(rig, {}));
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(dialogs.messages[1].text, kDone);
        QCOMPARE(CardContents(rig.card), (QStringList{u"SUB/"_s, u"SUB/KEEP.DAT"_s}));
    }

    void onlyYesProceeds_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("No") << int(QMessageBox::No);
        QTest::newRow("Cancel") << int(QMessageBox::Cancel);
    }
    void onlyYesProceeds()
    {
        QFETCH(int, answer);
        TCardRig rig;
        const TBookmark a = AddFullCustomer(rig, {u"1"_s});
        FillCard(rig);
        const QStringList before = CardContents(rig.card);
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::StandardButton(answer));
        QVERIFY(Transfer(rig, {a}));
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(CardContents(rig.card), before);
        QVERIFY(rig.wait.isHidden());
    }

    void unwritableCustomerFileEndsTheTransfer()
    {
        TCardRig rig;
        QList<TBookmark> selection;
        for (const char* kn : {"1", "2", "3"})
            selection << AddFullCustomer(rig, {QString::fromLatin1(kn)});
        // A folder of that name survives the clearing and cannot be replaced by a file.
        QVERIFY(QDir(rig.card).mkpath(u"TQ5_2.DAT/x"_s));
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::Yes);
        dialogs.ExpectMessage();
        QVERIFY(!Transfer(rig, selection));
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(int(dialogs.messages[1].icon), int(Dialogs::Icon::Error));
        QVERIFY2(dialogs.messages[1].text.contains(u"TQ5_2.DAT"_s), qPrintable(dialogs.messages[1].text));
        QCOMPARE(CardContents(rig.card), (QStringList{u"TQ5_1.DAT"_s, u"TQ5_2.DAT/"_s, u"TQ5_2.DAT/x/"_s}));
        QVERIFY(rig.wait.isHidden());
        QVERIFY(!CardExchangeBusy());
    }

    void clearCardDeletesFilesOnly_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("maximum");
        QTest::newRow("empty card") << QStringList{} << 10;
        QTest::newRow("three files") << QStringList{u"A.DAT"_s, u".hidden"_s, u"B.TXT"_s} << 3;
    }
    void clearCardDeletesFilesOnly()
    {
        QFETCH(QStringList, files);
        QFETCH(int, maximum);
        TCardRig rig;
        for (const QString& f : files)
            rig.WriteCard(f, "x");
        rig.WriteCard(u"SUB/B.DAT"_s, "x");
        const QCursor before = rig.wait.cursor();
        QVERIFY(ClearCard(Platform::DriveRoot(u'E'), &rig.wait));
        QCOMPARE(CardContents(rig.card), (QStringList{u"SUB/"_s, u"SUB/B.DAT"_s}));
        QCOMPARE(rig.wait.ProgressBar->maximum(), maximum);
        QCOMPARE(rig.wait.windowTitle(), u"Kartendaten werden gelöscht"_s);
        QVERIFY(rig.wait.isHidden());
        QCOMPARE(rig.wait.cursor().shape(), before.shape());
    }
};

TQ5_TEST(TCardTransferTest)
#include "tst_CardTransfer.moc"
