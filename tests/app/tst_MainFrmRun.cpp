#include "MainFrmRig.h"
#include "Platform.h"
#include "ScriptedDialogs.h"
#include "TDemoDataFrm.h"
#include "TestMain.h"
#include "TIniFile.h"
#include "TMainFrm.h"
#include "TMeasurementDataFrm.h"
#include "TProtocolFrm.h"
#include "TTable.h"
#include "uGlobal.h"
#include "WindowRegistry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

qint64 Count(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    qint64 value = -1;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
            value = sqlite3_column_int64(stmt, 0);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return value;
}

// Lets a page that was just brought forward lay out its list.
void Settle(TDBGrid* grid)
{
    QCoreApplication::processEvents();
    QVERIFY(grid->isVisible());
    grid->scrollToTop();
    QCoreApplication::processEvents();
}

// The list row (from 0) of a customer number.
int RowOf(TTable* kunden, const QString& kn)
{
    const int field = kunden->FieldByName(u"KN"_s).Index();
    for (int recNo = 1; recNo <= kunden->RecordCount(); ++recNo)
        if (kunden->DisplayTextAt(recNo, field) == kn)
            return recNo - 1;
    return -1;
}

void ClickRow(TDBGrid* grid, int row, Qt::KeyboardModifiers modifiers = {})
{
    Settle(grid);
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, cell.center());
}

void DoubleClickRow(TDBGrid* grid, int row)
{
    Settle(grid);
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

} // namespace

// A person's session, headless: the card reader is drive E, the card is made by the generator.
class TMainFrmRunTest : public QObject
{
    Q_OBJECT
private slots:
    void aPersonsSession()
    {
        TTestHome home;
        const QString card = home.MakeFolder(u"card"_s);
        Platform::TMappedDrives drives;
        drives.Add(u'E', card, Platform::TDriveType::Removable, u"TQ5CARD"_s);
        Platform::SetDriveProvider(&drives);
        // The card drive was chosen in the settings on an earlier day.
        QVERIFY(WriteAll(GetSettingsFileName(),
                         "[System]\r\nDataDrive=E\r\nNoProt=0\r\n\r\n[Main]\r\nLanguage=ENG\r\n"));
        const QString exported = home.path() + u"/Readings.xls"_s;

        TScriptedDialogs dialogs;
        TApplicationStart program;
        program.Start();
        TMainFrm* main = program.MainFrm();
        bool done = false;
        QTimer::singleShot(0, main, [&] {
            // Whatever happens below, the session ends through the menu.
            const auto quit = qScopeGuard([&] { main->Quit1->trigger(); });
            QVERIFY(QTest::qWaitFor([&] { return main->KundenTable->Active(); }));
            // Unlock the tools and make a card with the generator.
            main->SearchEdit->setText(u"kalvorndest"_s);
            QTest::keyClick(main->SearchEdit, Qt::Key_Return);
            QVERIFY(main->Tools1->menuAction()->isVisible());
            auto* demo = Windows::Get<TDemoDataFrm>(u"DemoDataFrm"_s);
            demo->Memo1->setPlainText(u"KN;Name;Info;Telefon;Ort;PLZ;Strasse\n"
                                      u"4711;Muster;VIP;0123 45;Musterstadt;12345;Hauptstr. 1\n"
                                      u"4712;Meier;;0123 46;Beispielstadt;54321;Nebenweg 2\n"
                                      u"4713;Schmidt;;;Dorf;11111;Am Bach 3\n"
                                      u"4714;Weber;;;Dorf;11111;Am Bach 4\n"
                                      u"4715;Fischer;;;Stadt;22222;Ring 5\n"_s);
            QTimer::singleShot(0, demo, [demo] {
                demo->Button2Click();
                demo->reject();
            });
            main->Demodata1->trigger();
            QCOMPARE(QDir(card).entryList({u"*.DAT"_s}, QDir::Files).size(), 5);

            // Import the card.
            main->PageControl->setCurrentWidget(main->MeasurementTabSheet);
            main->MessungenPageControl->setCurrentWidget(main->MessungenListeTabSheet);
            QTest::mouseClick(main->LoadMesBitBtn, Qt::LeftButton);
            QCOMPARE(main->KundenTable->RecordCount(), 5);
            auto* protocol = Windows::Get<TProtocolFrm>(u"ProtocolFrm"_s);
            QVERIFY(protocol->isVisible());
            QVERIFY(protocol->RichEdit->toPlainText().contains(u"Insgesamt 1 Kunde(n) neu angelegt"_s));
            protocol->OKBtnClick();

            // Open the second customer and its first test, look at the readings and export them.
            main->PageControl->setCurrentWidget(main->CustomerTabSheet);
            main->KundenPageControl->setCurrentWidget(main->KundeListeTabSheet);
            DoubleClickRow(main->KundenDBGrid, RowOf(main->KundenTable, u"4712"_s));
            QCOMPARE(main->KundenPageControl->currentWidget(), main->CustomerDetailTabSheet);
            QCOMPARE(main->DBEdit1->text(), u"4712"_s);
            QCOMPARE(main->DBEdit3->text(), u"Nebenweg 2"_s);
            main->PageControl->setCurrentWidget(main->MeasurementTabSheet);
            main->MessungenPageControl->setCurrentWidget(main->MessungenListeTabSheet);
            QCOMPARE(main->MessungenTable->RecordCount(), 2);
            DoubleClickRow(main->MessungenDBGrid, 0);
            QCOMPARE(main->MessungenPageControl->currentWidget(), main->MeasurementDetailTabSheet);
            QTest::mouseClick(main->DataBitBtn, Qt::LeftButton);
            auto* curve = Windows::Get<TMeasurementDataFrm>(u"MeasurementDataFrm"_s);
            QVERIFY(curve->isVisible());
            QCOMPARE(curve->windowTitle(), main->DBEdit7->text());
            dialogs.ExpectFile(exported, 0);
            QTest::mouseClick(curve->ExportBitBtn, Qt::LeftButton);
            QVERIFY(QFile::exists(exported));

            // Two customers to the card.
            main->PageControl->setCurrentWidget(main->CustomerTabSheet);
            main->KundenPageControl->setCurrentWidget(main->KundeListeTabSheet);
            ClickRow(main->KundenDBGrid, RowOf(main->KundenTable, u"4713"_s));
            ClickRow(main->KundenDBGrid, RowOf(main->KundenTable, u"4711"_s), Qt::ControlModifier);
            QCOMPARE(main->KundenDBGrid->SelectedCount(), 2);
            dialogs.ExpectMessage(QMessageBox::Yes);
            dialogs.ExpectMessage();
            QTest::mouseClick(main->TransferKdBitBtn, Qt::LeftButton);

            // End through the menu; the curve window closes with the program.
            done = true;
        });
        const int status = program.Run();
        Platform::SetDriveProvider(nullptr);
        QVERIFY(done);
        QCOMPARE(status, 0);
        QVERIFY(dialogs.Done());
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(dialogs.messages[1].text, u"Die Übertragung der Kundendaten ist abgeschlossen.\r"
                                           u"Sie können die Karte nun entnehmen."_s);

        // The database holds the card's customers, tests and readings.
        const QString db = GetDataFolder() + u"/TQ5Report.DB"_s;
        QCOMPARE(Count(db, "SELECT COUNT(*) FROM KundenTable"), 5);
        QCOMPARE(Count(db, "SELECT COUNT(*) FROM MessungenTable"), 10);
        QCOMPARE(Count(db, "SELECT COUNT(*) FROM MessdatenTable"), 100);
        QCOMPARE(Count(db, "SELECT COUNT(*) FROM KundenTable WHERE KN='4711' AND K1='Muster' AND "
                           "K3='12345 Musterstadt'"),
                 1);
        // The card holds the two customers only.
        QCOMPARE(QDir(card).entryList(QDir::Files), (QStringList{u"TQ5_1.DAT"_s, u"TQ5_2.DAT"_s}));
        // In the order the customers were stored, whatever order they were clicked in.
        const bool elderFirst = Count(db, "SELECT (SELECT KUNDENID FROM KundenTable WHERE KN='4711') < "
                                          "(SELECT KUNDENID FROM KundenTable WHERE KN='4713')") == 1;
        QVERIFY(ReadAll(card + u"/TQ5_1.DAT"_s).startsWith(elderFirst ? "KN=4711 " : "KN=4713 "));
        QVERIFY(ReadAll(card + u"/TQ5_2.DAT"_s).startsWith(elderFirst ? "KN=4713 " : "KN=4711 "));
        // The settings as they were, written at the end.
        const TIniFile ini(GetSettingsFileName());
        QCOMPARE(ini.ReadString(u"System"_s, u"DataDrive"_s, {}), u"E"_s);
        QCOMPARE(ini.ReadString(u"System"_s, u"NoProt"_s, {}), u"0"_s);
        QCOMPARE(ini.ReadString(u"Main"_s, u"Language"_s, {}), u"ENG"_s);
    }
};

TQ5_TEST(TMainFrmRunTest)
#include "tst_MainFrmRun.moc"
