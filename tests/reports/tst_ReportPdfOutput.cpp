#include "ReportPdfOutput.h"
#include "TError.h"
#include "TLangResFrm.h"
#include "TWaitFrm.h"

#include "TestEnv.h"
#include "TestMain.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// A report page rendered through the program's progress window.
class TReportPdfOutputTest : public QObject
{
    Q_OBJECT

    // A form with its printable panel and one text on it.
    static std::unique_ptr<QWidget> MakeForm()
    {
        auto form = std::make_unique<QWidget>();
        auto* panel = new QWidget(form.get());
        panel->setObjectName(u"FrmPanel"_s);
        panel->setGeometry(0, 0, 700, 1000);
        auto* label = new QLabel(u"Prüfprotokoll"_s, panel);
        label->setGeometry(40, 40, 300, 20);
        return form;
    }

private slots:
    void progressWindowShowsTheCatalogueTitleAndIsHiddenAfterwards_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::newRow("written") << true;
        QTest::newRow("folder missing") << false;
    }
    void progressWindowShowsTheCatalogueTitleAndIsHiddenAfterwards()
    {
        QFETCH(bool, writable);
        TTestHome home;
        TLangResFrm catalogue;
        catalogue.Label82->setText(u"PDF is being generated..."_s);
        TWaitFrm wait;
        auto form = MakeForm();

        // The window must be up while the page is drawn.
        bool shownWhileDrawing = false;
        class TWatch : public QObject
        {
        public:
            TWaitFrm* wait;
            bool* seen;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Show)
                    *seen = wait->windowTitle() == u"PDF is being generated..."_s;
                return false;
            }
        } watch;
        watch.wait = &wait;
        watch.seen = &shownWhileDrawing;
        wait.installEventFilter(&watch);

        const QString path =
            writable ? home.path() + u"/GAS_120000.pdf"_s : home.path() + u"/missing/x.pdf"_s;
        bool failed = false;
        try {
            SaveReportPdf(form.get(), path);
        } catch (const TError&) {
            failed = true;
        }
        QCOMPARE(failed, !writable);
        QVERIFY(shownWhileDrawing);
        QVERIFY(!wait.isVisible());
        QCOMPARE(QFile::exists(path), writable);
        if (writable) {
            QProcess qpdf;
            qpdf.start(u"qpdf"_s, {u"--check"_s, path});
            QVERIFY(qpdf.waitForFinished());
            QCOMPARE(qpdf.exitCode(), 0);
        }
    }
};

TQ5_TEST(TReportPdfOutputTest)
#include "tst_ReportPdfOutput.moc"
