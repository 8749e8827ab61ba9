#include "BrowserRig.h"
#include "Platform.h"
#include "ScriptedDialogs.h"
#include "TDatabaseImpExpFrm.h"
#include "TestMain.h"
#include "TProtocolFrm.h"
#include "uGlobal.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray CardFile(const char* kn, const char* name, const char* sd, int readings)
{
    QByteArray bytes = QByteArray("KN=") + kn + "\r\nK1=" + name + "\r\nK2=\r\nK3=\r\nK4=\r\nK5=\r\n";
    bytes += QByteArray("MT=1\r\nSD=") + sd + "\r\nSU=09:15:00\r\nIN=1\r\nKS=1\r\nEH=mbar\r\nSM=\r\n";
    for (int i = 0; i < readings; ++i)
        bytes += QByteArray::number(i) + ";" + QByteArray::number(100 + i) + "\r\n";
    bytes += "EM=\r\n";
    return bytes;
}

// The card reader as drive E, the importer and the protocol window of a running program.
struct TCardRig
{
    TBrowserRig rig;
    QString card = rig.home.MakeFolder(u"card"_s);
    Platform::TMappedDrives drives;
    TDatabaseImpExpFrm importer;
    TProtocolFrm protocol;
    QChar savedDrive = DataDrive;
    bool savedNoProt = NoProt;
    TCardRig()
    {
        drives.Add(u'E', card);
        Platform::SetDriveProvider(&drives);
        DataDrive = u'E';
        NoProt = false;
    }
    ~TCardRig()
    {
        Platform::SetDriveProvider(nullptr);
        DataDrive = savedDrive;
        NoProt = savedNoProt;
    }
};

} // namespace

class TDatabaseFrmCardTest : public QObject
{
    Q_OBJECT
private slots:
    void importFromTheCard()
    {
        TCardRig c;
        QVERIFY(WriteAll(c.card + u"/A.DAT"_s, CardFile("4711", "Muster", "14.03.10", 3)));
        QVERIFY(WriteAll(c.card + u"/B.DAT"_s, CardFile("4712", "Beispiel", "15.03.10", 2)));
        TScriptedDialogs dialogs;
        QTest::mouseClick(c.rig.frm->LoadMesBitBtn, Qt::LeftButton);
        QCOMPARE(c.rig.CustomerColumn(u"KN"_s), (QStringList{u"4711"_s, u"4712"_s}));
        QCOMPARE(c.rig.Tests(), 2);
        QCOMPARE(c.rig.Readings(), 5);
        // Buttons and selections follow the new rows.
        QVERIFY(c.rig.frm->KdEditBitBtn->isEnabled());
        QVERIFY(c.rig.frm->KdDeleteBitBtn2->isEnabled());
        QCOMPARE(c.rig.frm->KundenDBGrid->SelectedCount(), 1);
        QVERIFY(c.rig.frm->KundenDBGrid->RowSelected(c.rig.frm->KundenTable->RecNo()));
        QCOMPARE(c.rig.frm->MessungenDBGrid->SelectedCount(), 1);
        QVERIFY(!c.rig.frm->KundenDBGrid->isHidden());
        QVERIFY(!c.rig.frm->MessungenDBGrid->isHidden());
        // The protocol window received the import's lines.
        QVERIFY(c.protocol.RichEdit->toPlainText().contains(
            u"Kunde noch nicht vorhanden, wird neu angelegt : 4712"_s));
        QVERIFY(c.protocol.RichEdit->toPlainText().contains(u"Dauer des Importvorgangs"_s));
        QVERIFY(dialogs.messages.isEmpty());
        c.protocol.hide();
    }

    void cardWithoutMedium()
    {
        TCardRig c;
        c.drives.Remove(u'E');
        c.drives.AddWithoutMedium(u'E');
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        c.rig.frm->LoadMesBitBtnClick();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, u"Kein Datenträger in Laufwerk E"_s);
        QCOMPARE(c.rig.Customers(), 0);
    }

    // The card pulled out after the first file: the error in the system's words, what was read
    // stays, and the browser takes the card again once it is back.
    void cardPulledOutDuringTheImport()
    {
        TCardRig c;
        QVERIFY(WriteAll(c.card + u"/A.DAT"_s, CardFile("4711", "Muster", "14.03.10", 3)));
        QVERIFY(WriteAll(c.card + u"/B.DAT"_s, CardFile("4712", "Beispiel", "15.03.10", 2)));
        bool pulled = false;
        connect(c.protocol.RichEdit, &QPlainTextEdit::textChanged, this, [&] {
            if (!pulled && c.protocol.RichEdit->toPlainText().contains(u"Insgesamt"_s)) {
                pulled = true;
                QDir(c.card).removeRecursively();
            }
        });
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        c.rig.frm->LoadMesBitBtnClick();
        QVERIFY(pulled);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Error));
        QVERIFY2(dialogs.messages[0].text.contains(u"B.DAT"_s), qPrintable(dialogs.messages[0].text));
        QCOMPARE(c.rig.CustomerColumn(u"KN"_s), QStringList{u"4711"_s});
        QVERIFY(!c.rig.frm->KundenDBGrid->isHidden());
        QVERIFY(c.rig.frm->KdEditBitBtn->isEnabled());

        QVERIFY(WriteAll(c.card + u"/B.DAT"_s, CardFile("4712", "Beispiel", "15.03.10", 2)));
        c.rig.frm->LoadMesBitBtnClick();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(c.rig.CustomerColumn(u"KN"_s), (QStringList{u"4711"_s, u"4712"_s}));
        c.protocol.hide();
    }

    // A date the store cannot take: the conversion error, the file's earlier rows stay, the lists
    // come back and the next card imports.
    void impossibleDateOnTheCard()
    {
        TCardRig c;
        QByteArray bad = CardFile("4711", "Muster", "14.03.10", 2);
        bad += "MT=1\r\nSD=31.13.10\r\nSU=10:00:00\r\nIN=1\r\nSM=\r\n0;1\r\nEM=\r\n";
        QVERIFY(WriteAll(c.card + u"/A.DAT"_s, bad));
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        c.rig.frm->LoadMesBitBtnClick();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Error));
        QVERIFY2(dialogs.messages[0].text.contains(u"31.13.10"_s), qPrintable(dialogs.messages[0].text));
        QCOMPARE(c.rig.CustomerColumn(u"KN"_s), QStringList{u"4711"_s});
        QCOMPARE(c.rig.Tests(), 1);
        QCOMPARE(c.rig.Readings(), 2);
        QVERIFY(!c.rig.frm->KundenDBGrid->isHidden());
        QVERIFY(!c.rig.frm->MessungenDBGrid->isHidden());

        QVERIFY(QFile::remove(c.card + u"/A.DAT"_s));
        QVERIFY(WriteAll(c.card + u"/B.DAT"_s, CardFile("4712", "Beispiel", "15.03.10", 2)));
        c.rig.frm->LoadMesBitBtnClick();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(c.rig.CustomerColumn(u"KN"_s), (QStringList{u"4711"_s, u"4712"_s}));
        c.protocol.hide();
    }

    // The selected customers go to the card in the order they were added.
    void transferTheSelectedCustomers()
    {
        TCardRig c;
        for (const char* kn : {"100", "200", "300"})
            c.rig.AddCustomer(QString::fromLatin1(kn), u"Kunde "_s + QString::fromLatin1(kn));
        QVERIFY(WriteAll(c.card + u"/OLD.DAT"_s, "x"));
        c.rig.frm->InitDatabaseView();
        c.rig.frm->KundenDBGrid->ClearSelection();
        c.rig.frm->KundenDBGrid->SetRowSelected(3, true);
        c.rig.frm->KundenDBGrid->SetRowSelected(1, true);
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::Yes);
        dialogs.ExpectMessage();
        c.rig.frm->TransferKdBitBtnClick();
        QVERIFY(dialogs.Done());
        QCOMPARE(QDir(c.card).entryList(QDir::Files), (QStringList{u"TQ5_1.DAT"_s, u"TQ5_2.DAT"_s}));
        QVERIFY(ReadAll(c.card + u"/TQ5_1.DAT"_s).startsWith("KN=100 "));
        QVERIFY(ReadAll(c.card + u"/TQ5_2.DAT"_s).startsWith("KN=300 "));
    }
};

TQ5_TEST(TDatabaseFrmCardTest)
#include "tst_DatabaseFrmCard.moc"
