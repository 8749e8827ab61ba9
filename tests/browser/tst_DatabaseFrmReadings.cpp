#include "BrowserRig.h"
#include "Platform.h"
#include "ScriptedDialogs.h"
#include "TestMain.h"
#include "TMeasurementDataFrm.h"
#include "TReadingsGrid.h"
#include "TReportMasterFrm.h"
#include "uGlobal.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

using namespace Qt::StringLiterals;

namespace {

// A report form: it keeps the wheel for scrolling its page.
class TScrollingForm : public TReportMasterFrm
{
public:
    TScrollingForm() : TReportMasterFrm(u"FRM_DE_TEST"_s, nullptr) {}
};

void TurnWheel(QWidget* widget, int delta)
{
    const QPointF pos(5, 5);
    QWheelEvent wheel(pos, widget->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

QListWidget* ListIn(QWidget* window)
{
    auto* list = new QListWidget(window);
    for (int i = 0; i < 50; ++i)
        list->addItem(QString::number(i));
    (new QVBoxLayout(window))->addWidget(list);
    list->setCurrentRow(10);
    return list;
}

} // namespace

class TDatabaseFrmReadingsTest : public QObject
{
    Q_OBJECT
private slots:
    void pressureTestOpensTheCurveWindow()
    {
        TBrowserRig rig;
        TMeasurementDataFrm curve;
        rig.AddCustomer(u"1"_s);
        rig.AddTest(QDate(2021, 4, 1), QTime(8, 0, 0), 1, u"3"_s,
                    u"Belastungs- und Dichtheitsprüfung (Belastung)"_s);
        rig.AddReadings(3);
        rig.AddTest(QDate(2021, 4, 2), QTime(8, 0, 0), 4);
        rig.AddReadings(5);
        rig.frm->MessungenTable->First();
        rig.frm->DataBitBtnClick();
        QVERIFY(curve.isVisible());
        QCOMPARE(curve.windowTitle(), u"Belastungs- und Dichtheitsprüfung (Belastung)"_s);
        QCOMPARE(curve.Grid()->ReadingCount(), 3);
        QCOMPARE(curve.Grid()->Cells(0, 1), u"01.04.21"_s);
        curve.hide();
    }

    void noTestNoReadings()
    {
        TBrowserRig rig;
        TMeasurementDataFrm curve;
        Platform::TShellRecorder shell;
        Platform::SetShell(&shell);
        rig.AddCustomer(u"1"_s);
        rig.frm->DataBitBtnClick();
        Platform::SetShell(nullptr);
        QVERIFY(!curve.isVisible());
        QVERIFY(shell.runs.isEmpty() && shell.opened.isEmpty());
    }

    // Logger tests: their CSV file becomes a worksheet opened with the program registered for
    // worksheets; without one, the CSV file opens in the text editor.
    void loggerTestOpensItsFile_data()
    {
        QTest::addColumn<int>("mtnr");
        QTest::addColumn<bool>("registered");
        QTest::addColumn<bool>("programExists");
        QTest::addColumn<QString>("opens");
        QTest::newRow("type 0, worksheet program") << 0 << true << true << u"sheet"_s;
        QTest::newRow("type 12, worksheet program") << 12 << true << true << u"sheet"_s;
        QTest::newRow("type 0, none registered") << 0 << false << false << u"NOTEPAD.EXE"_s;
        QTest::newRow("type 0, registered program gone") << 0 << true << false << u"NOTEPAD.EXE"_s;
    }
    void loggerTestOpensItsFile()
    {
        QFETCH(int, mtnr);
        QFETCH(bool, registered);
        QFETCH(bool, programExists);
        QFETCH(QString, opens);
        TBrowserRig rig;
        rig.AddCustomer(u"1"_s);
        rig.AddTest(QDate(2010, 3, 14), QTime(9, 15, 0), mtnr);
        const QString csv = GetDataFolder() + u"/20100314091500.CSV"_s;
        QVERIFY(WriteAll(csv, "14.03.2010;09:15:00;1;12.5\r\n14.03.2010;09:15:01;2;12.4\r\n"));
        const QString program = rig.home.path() + u"/Office/SHEET.EXE"_s;
        if (programExists)
            QVERIFY(WriteAll(program, "MZ"));
        Platform::TShellRecorder shell;
        if (registered)
            shell.programs.append({u"XLS"_s, program});
        Platform::SetShell(&shell);
        rig.frm->DataBitBtnClick();
        Platform::SetShell(nullptr);

        const QString xls = GetDataFolder() + u"/20100314091500.xls"_s;
        QVERIFY(QFile::exists(xls));
        QCOMPARE(ReadAll(xls).left(2), QByteArray("\x09\x08", 2)); // the worksheet's first record
        QCOMPARE(shell.runs.size(), 1);
        QCOMPARE(shell.runs[0].program, opens == u"sheet"_s ? program : opens);
        QCOMPARE(shell.runs[0].parameter,
                 opens == u"sheet"_s ? u"20100314091500.xls"_s : u"20100314091500.CSV"_s);
        QCOMPARE(QDir(shell.runs[0].folder), QDir(GetDataFolder()));
    }

    // The database moved without its logger files: the system's message, nothing opened.
    void missingLoggerFileIsReported()
    {
        TBrowserRig rig;
        rig.AddCustomer(u"1"_s);
        rig.AddTest(QDate(2010, 3, 14), QTime(9, 15, 0), 0);
        Platform::TShellRecorder shell;
        shell.programs.append({u"XLS"_s, u"/bin/sh"_s});
        Platform::SetShell(&shell);
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        rig.frm->DataBitBtnClick();
        Platform::SetShell(nullptr);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Error));
        QVERIFY2(dialogs.messages[0].text.contains(u"20100314091500.CSV"_s),
                 qPrintable(dialogs.messages[0].text));
        QVERIFY(shell.runs.isEmpty() && shell.opened.isEmpty());
    }

    // Every window turns the wheel into arrow keys; a report form keeps it.
    void reportFormsKeepTheWheel()
    {
        TBrowserRig rig; // installs the wheel filter
        QWidget plain;
        QListWidget* list = ListIn(&plain);
        plain.show();
        TurnWheel(list->viewport(), -120);
        QCOMPARE(list->currentRow(), 11);

        TScrollingForm form;
        QListWidget* formList = ListIn(&form);
        form.show();
        TurnWheel(formList->viewport(), -120);
        QCOMPARE(formList->currentRow(), 10);
    }
};

TQ5_TEST(TDatabaseFrmReadingsTest)
#include "tst_DatabaseFrmReadings.moc"
