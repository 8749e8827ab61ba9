#include "DamagedFile.h"
#include "Platform.h"
#include "ScriptedDialogs.h"
#include "TApplicationStart.h"
#include "TDatabase.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "TMainFrm.h"
#include "TSettingsFrm.h"
#include "uGlobal.h"
#include "WindowRegistry.h"

#include <memory>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void AddCustomer(TDatabase& db, const QString& kn)
{
    db.KundenTable->Append();
    db.KundenTable->FieldByName(u"KN"_s).SetAsString(kn);
    db.KundenTable->FieldByName(u"K1"_s).SetAsString(u"Kunde "_s + kn);
    db.KundenTable->Post();
}

// One test of the current customer with its readings.
void AddTest(TDatabase& db, int readings)
{
    db.Database->StartTransaction();
    db.MessungenTable->Append();
    db.MessungenTable->FieldByName(u"SD"_s).SetAsDate(QDate(2024, 3, 4));
    db.MessungenTable->FieldByName(u"SU"_s).SetAsTime(QTime(8, 15));
    db.MessungenTable->FieldByName(u"MTNR"_s).SetAsInteger(1);
    db.MessungenTable->Post();
    for (int i = 0; i < readings; ++i) {
        db.MessdatenTable->Append();
        db.MessdatenTable->FieldByName(u"DA"_s).SetAsDate(QDate(2024, 3, 4));
        db.MessdatenTable->FieldByName(u"UZ"_s).SetAsTime(QTime(8, 15).addSecs(i));
        db.MessdatenTable->FieldByName(u"MW"_s).SetAsFloat(1000.0 + i / 100.0);
        db.MessdatenTable->Post();
    }
    db.Database->Commit();
}

} // namespace

// The database page: repair, compaction, emptying, customer import and export.
class TSettingsDatabaseTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_home = std::make_unique<TTestHome>();
        m_path = TDatabase::DatabasePath();
        m_db = std::make_unique<TDatabase>();
        SetTQ5Database(m_db.get());
        m_db->OpenOrCreate(m_path);
        for (int k = 0; k < 20; ++k)
            AddCustomer(*m_db, u"K%1"_s.arg(k));
        AddTest(*m_db, 3000);
    }
    void cleanup()
    {
        Platform::SetClock(nullptr);
        SetTQ5Database(nullptr);
        m_db.reset();
        m_home.reset();
    }

    void damagedFileIsRecovered_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("done");
        QTest::newRow("repair")
            << u"Button3Click"_s << u"Datenbankreparatur"_s
            << u"Die Reparatur der Datenbank kann länger dauern.\rFortfahren ?"_s
            << u"Die Reparatur wurde durchgeführt.\rSie müssen das Programm nun neu starten."_s;
        // A damaged file cannot be rebuilt in place: the compaction repairs it.
        QTest::newRow("compaction")
            << u"Button4Click"_s << u"Datenbankkomprimierung"_s
            << u"Die Komprimierung der Datenbank kann länger dauern.\rFortfahren ?"_s
            << u"Die Komprimierung wurde durchgeführt.\rSie müssen das Programm nun neu starten."_s;
    }

    void damagedFileIsRecovered()
    {
        QFETCH(QString, button);
        QFETCH(QString, title);
        QFETCH(QString, question);
        QFETCH(QString, done);
        m_db->CloseTables();
        QVERIFY(DamageFirstLeaf(m_path, "MessdatenTable"));
        {
            TScriptedDialogs damaged;
            damaged.ExpectMessage();
            m_db->OpenTables(m_path);
            QCOMPARE(damaged.messages[0].title, u"Datenbankfehler"_s);
        }
        TSettingsFrm dlg;
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::Yes);
        dialogs.ExpectMessage();
        QVERIFY(QMetaObject::invokeMethod(&dlg, button.toLatin1().constData()));
        QVERIFY(dialogs.Done());
        QCOMPARE(dialogs.messages[0].title, title);
        QCOMPARE(dialogs.messages[0].text, question);
        QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Question));
        QCOMPARE(dialogs.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(dialogs.messages[1].title, title);
        QCOMPARE(dialogs.messages[1].text, done);
        QCOMPARE(int(dialogs.messages[1].icon), int(Dialogs::Icon::Information));
        // The program goes on with its lists closed until it is started again.
        QVERIFY(!m_db->KundenTable->Active());

        m_db->CloseTables();
        TDatabase restarted;
        TScriptedDialogs none; // no damaged-file message any more
        restarted.OpenTables(m_path);
        QCOMPARE(restarted.KundenTable->RecordCount(), 20);
        QVERIFY(restarted.KundenTable->Locate(u"KN"_s, u"K19"_s));
        QCOMPARE(restarted.MessungenTable->RecordCount(), 1);
        QVERIFY(restarted.MessdatenTable->RecordCount() > 2800);
    }

    void compactionKeepsTheDataAndAsksForARestart()
    {
        // Free space to give back: most readings are gone.
        m_db->Database->Execute(u"DELETE FROM \"MessdatenTable\" WHERE \"MW\" > 1005"_s);
        m_db->CloseTables();
        const qint64 before = QFileInfo(m_path).size();
        m_db->OpenTables(m_path);
        TSettingsFrm dlg;
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::Yes);
        dialogs.ExpectMessage();
        dlg.Button4Click();
        QVERIFY(dialogs.Done());
        QCOMPARE(dialogs.messages[0].title, u"Datenbankkomprimierung"_s);
        QCOMPARE(dialogs.messages[0].text,
                 u"Die Komprimierung der Datenbank kann länger dauern.\rFortfahren ?"_s);
        QCOMPARE(dialogs.messages[1].text,
                 u"Die Komprimierung wurde durchgeführt.\rSie müssen das Programm nun neu starten."_s);
        QVERIFY(!m_db->KundenTable->Active());

        m_db->CloseTables();
        QVERIFY(QFileInfo(m_path).size() < before);
        TDatabase restarted;
        restarted.OpenTables(m_path);
        QCOMPARE(restarted.KundenTable->RecordCount(), 20);
        QVERIFY(restarted.KundenTable->Locate(u"KN"_s, u"K19"_s));
        QCOMPARE(restarted.MessdatenTable->RecordCount(), 501);
    }

    void answeringNoChangesNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("repair") << u"Button3"_s;
        QTest::newRow("compaction") << u"Button4"_s;
        QTest::newRow("emptying") << u"Button5"_s;
    }
    void answeringNoChangesNothing()
    {
        QFETCH(QString, button);
        TSettingsFrm dlg;
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::No);
        QMetaObject::invokeMethod(&dlg, qPrintable(button + u"Click"_s));
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(m_db->KundenTable->Active());
        QCOMPARE(m_db->KundenTable->RecordCount(), 20);
    }

    void emptyingLeavesThreeEmptyOpenTables()
    {
        TSettingsFrm dlg;
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::Yes);
        dialogs.ExpectMessage();
        dlg.Button5Click();
        QVERIFY(dialogs.Done());
        QCOMPARE(dialogs.messages[0].title, u"Tabellen löschen"_s);
        QCOMPARE(dialogs.messages[0].text,
                 u"Das Löschen der Tabellen entfernt alle Daten aus der Datenbank.\rFortfahren ?"_s);
        QCOMPARE(dialogs.messages[1].text, u"Das Löschen der Tabellen wurde durchgeführt."_s);
        for (TTable* t : {m_db->KundenTable, m_db->MessungenTable, m_db->MessdatenTable}) {
            QVERIFY(t->Active());
            QCOMPARE(t->RecordCount(), 0);
        }
        QCOMPARE(m_db->Database->Execute(u"DELETE FROM \"MessdatenTable\""_s), 0);
    }

    void importAsksFirstAndOnlyYesGoesOn_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("file"); // the file dialog's answer, when it is asked
        QTest::addColumn<int>("added");
        QTest::newRow("No") << int(QMessageBox::No) << QString() << 0;
        QTest::newRow("Cancel") << int(QMessageBox::Cancel) << QString() << 0;
        QTest::newRow("Yes, no file") << int(QMessageBox::Yes) << QString() << 0;
        QTest::newRow("Yes, a file") << int(QMessageBox::Yes) << u"kunden.csv"_s << 2;
    }
    void importAsksFirstAndOnlyYesGoesOn()
    {
        QFETCH(int, answer);
        QFETCH(QString, file);
        QFETCH(int, added);
        const QString path = m_home->path() + u"/kunden.csv"_s;
        QVERIFY(WriteAll(path, "4711;Meier\r\n4712;Schulz;Gartenweg 2\r\n"));
        TSettingsFrm dlg;
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::StandardButton(answer));
        if (answer == QMessageBox::Yes)
            dialogs.ExpectFile(file.isEmpty() ? QString() : path);
        if (added)
            dialogs.ExpectMessage();
        dlg.Button6Click();
        QVERIFY(dialogs.Done());
        QCOMPARE(dialogs.messages[0].title, u"Fortfahren ?"_s);
        QCOMPARE(dialogs.messages[0].text,
                 u"Diese Funktion erweitert die Datenbank um Kundendatensätze.\r"
                 u"Die Daten müssen als Textdatei mit Semikolons getrennt vorliegen.\r"
                 u"Die Feldreihenfolge beim Import ist :\r\r"
                 u"Kundennummer;Kunde1;Kunde2;Kunde3;Kunde4;Kunde5<CR/LF>\r\rFortfahren ?"_s);
        QCOMPARE(dialogs.messages[0].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(m_db->KundenTable->RecordCount(), 20 + added);
        if (added) {
            QCOMPARE(dialogs.messages[1].text, u"Kundendaten wurden importiert !"_s);
            QVERIFY(m_db->KundenTable->Locate(u"KN"_s, u"4712"_s));
            QCOMPARE(m_db->KundenTable->FieldByName(u"K2"_s).AsString(), u"Gartenweg 2"_s);
        }
    }

    void importOfABadFileGivesItsErrorAndKeepsTheCustomers_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no such file
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not Windows-1252 text") << QByteArray("1;a\r\n2;\x90\x81\r\n");
    }
    void importOfABadFileGivesItsErrorAndKeepsTheCustomers()
    {
        QFETCH(QByteArray, content);
        const QString path = m_home->path() + u"/kunden.txt"_s;
        if (!content.isEmpty())
            QVERIFY(WriteAll(path, content));
        TSettingsFrm dlg;
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::Yes);
        dialogs.ExpectFile(path);
        dialogs.ExpectMessage();
        dlg.Button6Click();
        QVERIFY(dialogs.Done());
        QCOMPARE(int(dialogs.messages[1].icon), int(Dialogs::Icon::Error));
        QVERIFY(dialogs.messages[1].text.contains(path));
        QCOMPARE(m_db->KundenTable->RecordCount(), 20);
    }

    void exportProposesATimedNameInTheDocumentsFolder()
    {
        Platform::TManualClock clock;
        clock.now = QDateTime(QDate(2024, 3, 15), QTime(14, 5, 9));
        Platform::SetClock(&clock);
        const QString chosen = m_home->path() + u"/export.csv"_s;
        TSettingsFrm dlg;
        TScriptedDialogs dialogs;
        dialogs.ExpectFile(chosen);
        dialogs.ExpectMessage();
        dlg.Button7Click();
        QVERIFY(dialogs.Done());
        QCOMPARE(dialogs.files[0].folder, GetDocumentsFolder());
        QCOMPARE(dialogs.files[0].fileName, u"Customers_140509.csv"_s);
        QVERIFY(dialogs.files[0].save);
        QCOMPARE(dialogs.messages[0].text, u"Kundendaten wurden exportiert !"_s);
        QCOMPARE(ReadAll(chosen).count("\r\n"), 20);
    }

    void exportCancelledWritesNothing()
    {
        TSettingsFrm dlg;
        TScriptedDialogs dialogs;
        dialogs.ExpectFile(QString());
        dlg.Button7Click();
        QVERIFY(dialogs.messages.isEmpty());
        QVERIFY(QDir(GetDocumentsFolder()).isEmpty());
    }

    void afterARepairEveryListActionSaysToRestart()
    {
        TSettingsFrm dlg;
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectMessage(QMessageBox::Yes);
            dialogs.ExpectMessage();
            dlg.Button3Click();
        }
        for (const char* slot : {"Button6Click", "Button7Click"}) {
            TScriptedDialogs dialogs;
            dialogs.ExpectMessage();
            QMetaObject::invokeMethod(&dlg, slot);
            QVERIFY(dialogs.Done());
            QCOMPARE(dialogs.messages[0].title, u"Datenbankfehler"_s);
            QCOMPARE(dialogs.messages[0].text, u"Sie müssen das Programm nun neu starten."_s);
        }
        // A second repair and the emptying still work on the closed lists.
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectMessage(QMessageBox::Yes);
            dialogs.ExpectMessage();
            dlg.Button5Click();
            QVERIFY(dialogs.Done());
            QCOMPARE(dialogs.messages[1].text, u"Das Löschen der Tabellen wurde durchgeführt."_s);
        }
    }

private:
    std::unique_ptr<TTestHome> m_home;
    std::unique_ptr<TDatabase> m_db;
    QString m_path;
};

namespace {

// Answers every box No (or OK) and keeps what it was asked, for runs where the boxes themselves are
// what is looked at afterwards.
class TAnyAnswer final : public Dialogs::TResponder
{
public:
    TAnyAnswer() : m_previous(Dialogs::Responder()) { Dialogs::SetResponder(this); }
    ~TAnyAnswer() override { Dialogs::SetResponder(m_previous); }
    QList<Dialogs::TMessage> messages;
    QMessageBox::StandardButton Message(QWidget*, const Dialogs::TMessage& message) override
    {
        messages.append(message);
        return message.buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
    }
    QString File(QWidget*, const Dialogs::TFileRequest&) override { return {}; }

private:
    Dialogs::TResponder* m_previous;
};

} // namespace

// The dialog inside the running program, where the main window's browser shows the tables.
class TSettingsInProgramTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_home = std::make_unique<TTestHome>();
        m_program = std::make_unique<TApplicationStart>();
        m_program->Start();
        m_main = m_program->MainFrm();
        m_main->show();
        QTRY_VERIFY(m_main->KundenTable->Active());
        for (int k = 0; k < 3; ++k)
            AddCustomer(*m_main->Db, u"K%1"_s.arg(k));
        AddTest(*m_main->Db, 10);
        m_main->InitDatabaseView();
        m_settings = Windows::Get<TSettingsFrm>(u"SettingsFrm"_s);
    }
    void cleanup()
    {
        m_program.reset();
        m_home.reset();
    }

    void emptyingRefreshesTheBrowser()
    {
        QCOMPARE(m_main->KundenDBGrid->model()->rowCount(), 3);
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::Yes);
        dialogs.ExpectMessage();
        m_settings->Button5Click();
        QVERIFY(dialogs.Done());
        for (TTable* t : {m_main->KundenTable, m_main->MessungenTable, m_main->MessdatenTable}) {
            QVERIFY(t->Active());
            QCOMPARE(t->RecordCount(), 0);
        }
        QCOMPARE(m_main->KundenDBGrid->model()->rowCount(), 0);
        QVERIFY(!m_main->KdEditBitBtn->isEnabled());
    }

    void importedCustomersAppearInTheBrowser()
    {
        const QString path = m_home->path() + u"/kunden.csv"_s;
        QVERIFY(WriteAll(path, "4711;Meier\r\n4712;Schulz\r\n"));
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::Yes);
        dialogs.ExpectFile(path);
        dialogs.ExpectMessage();
        m_settings->Button6Click();
        QVERIFY(dialogs.Done());
        QCOMPARE(m_main->KundenDBGrid->model()->rowCount(), 5);
    }

    void closedListsAfterARepairSayToRestart_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("repair") << u"Button3Click"_s;
        QTest::newRow("compaction") << u"Button4Click"_s;
    }

    void closedListsAfterARepairSayToRestart()
    {
        QFETCH(QString, button);
        {
            TScriptedDialogs dialogs;
            dialogs.ExpectMessage(QMessageBox::Yes);
            dialogs.ExpectMessage();
            QVERIFY(QMetaObject::invokeMethod(m_settings, button.toLatin1().constData()));
            QVERIFY(dialogs.Done());
        }
        QVERIFY(!m_main->KundenTable->Active());
        m_main->SearchEdit->setText(u"K1"_s);
        // A card in the drive, so that the transfer gets past its guard to the lists.
        Platform::TMappedDrives drives;
        drives.Add(u'E', m_home->MakeFolder(u"card"_s));
        Platform::SetDriveProvider(&drives);
        const auto restore = qScopeGuard([] { Platform::SetDriveProvider(nullptr); });
        DataDrive = u'E';
        // Every action on the lists tells the user to restart, once.
        const char* actions[] = {"KdEditBitBtnClick",   "KdPostBitBtnClick",   "KdAppendBitBtnClick",
                                 "KdDeleteBitBtnClick", "MeEditBitBtnClick",   "MePostBitBtnClick",
                                 "DataBitBtnClick",     "SearchBitBtnClick",   "TransferKdBitBtnClick",
                                 "LoadMesBitBtnClick",  "FormShowBitBtnClick", "AlleKundenmarkieren1Click"};
        for (const char* action : actions) {
            TAnyAnswer answers;
            QVERIFY2(QMetaObject::invokeMethod(m_main, action), action);
            QVERIFY2(answers.messages.size() == 1, action);
            QCOMPARE(answers.messages[0].title, u"Datenbankfehler"_s);
            QCOMPARE(answers.messages[0].text, u"Sie müssen das Programm nun neu starten."_s);
        }
        for (int column : {1, 2}) {
            TAnyAnswer answers;
            m_main->KundenDBGridTitleClick(column);
            m_main->MessungenDBGridTitleClick(column);
            QCOMPARE(answers.messages.size(), 2);
        }
        // Moving between pages and cancelling have nothing to do and ask nothing.
        for (const char* quiet : {"KdCancelBitBtnClick", "MeCancelBitBtnClick", "KundenDBGridDblClick",
                                  "PageControlChange", "UpdateStatusBar"}) {
            TAnyAnswer answers;
            QVERIFY2(QMetaObject::invokeMethod(m_main, quiet), quiet);
            QVERIFY2(answers.messages.isEmpty(), quiet);
        }
        for (const char* action : {"Button6Click", "Button7Click"}) {
            TAnyAnswer answers;
            QMetaObject::invokeMethod(m_settings, action);
            QCOMPARE(answers.messages.size(), 1);
            QCOMPARE(answers.messages[0].text, u"Sie müssen das Programm nun neu starten."_s);
        }
    }

private:
    std::unique_ptr<TTestHome> m_home;
    std::unique_ptr<TApplicationStart> m_program;
    TMainFrm* m_main = nullptr;
    TSettingsFrm* m_settings = nullptr;
};

TQ5_TEST(TSettingsDatabaseTest)
TQ5_TEST(TSettingsInProgramTest)
#include "tst_SettingsDatabase.moc"
