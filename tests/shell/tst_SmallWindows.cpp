#include "Platform.h"
#include "TDebugFrm.h"
#include "TError.h"
#include "TestMain.h"
#include "TSearchDlgFrm.h"
#include "TWaitFrm.h"
#include "WindowRegistry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class TSmallWindowsTest : public QObject
{
    Q_OBJECT

    // Answers the modal search box once it is up, the way a user would.
    template <typename F> static void WhenModal(F&& act)
    {
        QTimer::singleShot(0, qApp, [act = std::forward<F>(act)] {
            auto* box = qobject_cast<TSearchDlgFrm*>(QApplication::activeModalWidget());
            QVERIFY(box);
            act(*box);
        });
    }

private slots:
    void cleanup() { Platform::SetClock(nullptr); }

    void waitWindowHasNoCloseBoxAndStaysOnTop()
    {
        TWaitFrm wait;
        QCOMPARE(Windows::Get<TWaitFrm>(u"WaitFrm"_s), &wait);
        QCOMPARE(WaitFrm(), &wait);
        const Qt::WindowFlags flags = wait.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinMaxButtonsHint));
        QCOMPARE(wait.ProgressBar->minimum(), 0);
        QCOMPARE(wait.ProgressBar->maximum(), 100);
    }

    // While a task runs nobody closes the window but the task.
    void waitWindowRefusesTheUsersClose()
    {
        TWaitFrm wait;
        {
            TWaitScope scope(u"Daten einlesen"_s, 0, 7, &wait);
            QVERIFY(wait.isVisible());
            QCOMPARE(wait.windowTitle(), u"Daten einlesen"_s);
            QCOMPARE(wait.ProgressBar->maximum(), 7);
            QVERIFY(!wait.close());
            QCloseEvent fromTheWindowSystem;
            QApplication::sendEvent(&wait, &fromTheWindowSystem);
            QVERIFY(!fromTheWindowSystem.isAccepted());
            QVERIFY(wait.isVisible());
            scope.Step(5);
            QCOMPARE(wait.ProgressBar->value(), 5);
        }
        QVERIFY(!wait.isVisible());
        // Hidden, it does not stand in the way of the program's end.
        QVERIFY(wait.close());
    }

    void waitScopeHidesAlsoWhenTheTaskFails()
    {
        TWaitFrm wait;
        try {
            TWaitScope scope(u"PDF wird generiert..."_s, 0, 100, &wait);
            QVERIFY(wait.isVisible());
            throw TError(u"Datenträger voll"_s);
        } catch (const TError&) {
        }
        QVERIFY(!wait.isVisible());
        TWaitScope nothing(u"ohne Fenster"_s, 0, 1, nullptr); // no window: nothing happens
        nothing.Step(1);
    }

    // Step lets the window repaint, but at most once in 50 ms of the tick count, also across its wrap.
    void stepRepaintsAtMostEvery50ms()
    {
        Platform::TManualClock clock;
        clock.tick = 0xFFFFFFF0u;
        Platform::SetClock(&clock);
        TWaitFrm wait;
        TWaitScope scope(u"Daten einlesen"_s, 0, 100, &wait);
        int ran = 0;
        auto post = [&] {
            QMetaObject::invokeMethod(
                &wait, [&] { ++ran; }, Qt::QueuedConnection);
        };

        post();
        clock.Advance(49);
        wait.Step(1);
        QCOMPARE(ran, 0);
        clock.Advance(1);
        wait.Step(2);
        QCOMPARE(ran, 1);
        post();
        clock.Advance(30);
        wait.Step(3);
        QCOMPARE(ran, 1);
        clock.Advance(30);
        wait.Step(4);
        QCOMPARE(ran, 2);
        QCOMPARE(wait.ProgressBar->value(), 4);
    }

    void searchBoxEnterStopsAtOnce()
    {
        TSearchDlgFrm box;
        QCOMPARE(box.windowTitle(), u"Suchen"_s);
        QCOMPARE(box.size(), QSize(264, 102));
        bool focusOnCancel = false;
        WhenModal([&](TSearchDlgFrm& b) {
            QCOMPARE(b.InfoLabel->text(), u"MUSTERMANN"_s);
            focusOnCancel = b.focusWidget() == b.CancelBtn;
            QTest::keyClick(b.focusWidget() ? b.focusWidget() : &b, Qt::Key_Return);
        });
        QVERIFY(!box.AskContinue(u"MUSTERMANN"_s));
        QVERIFY(focusOnCancel);
    }

    void searchBoxAnswers_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("goOn");
        QTest::newRow("Weiter suchen") << u"ok"_s << true;
        QTest::newRow("Suche abbrechen") << u"cancel"_s << false;
        QTest::newRow("close box") << u"close"_s << false;
        QTest::newRow("Escape") << u"escape"_s << false;
    }
    void searchBoxAnswers()
    {
        QFETCH(QString, how);
        QFETCH(bool, goOn);
        TSearchDlgFrm box;
        WhenModal([how](TSearchDlgFrm& b) {
            if (how == u"ok"_s)
                QTest::mouseClick(b.OKBtn, Qt::LeftButton);
            else if (how == u"cancel"_s)
                QTest::mouseClick(b.CancelBtn, Qt::LeftButton);
            else if (how == u"close"_s)
                b.close();
            else
                QTest::keyClick(&b, Qt::Key_Escape);
        });
        QCOMPARE(box.AskContinue(u"x"_s), goOn);
        // The next hit finds the focus on "Suche abbrechen" again.
        WhenModal(
            [](TSearchDlgFrm& b) { QTest::keyClick(b.focusWidget() ? b.focusWidget() : &b, Qt::Key_Enter); });
        QVERIFY(!box.AskContinue(u"y"_s));
    }

    void debugWindowEmptiesOnShow()
    {
        TDebugFrm debug;
        QCOMPARE(debug.windowTitle(), u"Debug Output"_s);
        QCOMPARE(Windows::Find(u"DebugFrm"_s), &debug);
        debug.ListBox1->addItem(u"alt"_s);
        debug.show();
        QCOMPARE(debug.ListBox1->count(), 0);
    }
};

TQ5_TEST(TSmallWindowsTest)
#include "tst_SmallWindows.moc"
