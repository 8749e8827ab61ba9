#include "Platform.h"
#include "TestMain.h"
#include "TProtocolFrm.h"
#include "uGlobal.h"
#include "WindowRegistry.h"

#include <QScrollBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The lines of the protocol, without the empty one after the last line end.
QStringList Lines(const TProtocolFrm& frm)
{
    QStringList lines = frm.RichEdit->toPlainText().split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The protocol's clock stands at 15.03.2024 10:30:00 (TManualClock) unless a test moves it.
bool Stamped(const QString& line, const QString& text, const QString& stamp = u"15.03.24 10:30:00"_s)
{
    return line == stamp + u' ' + text;
}

} // namespace

class TProtocolFrmTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        NoProt = false;
        m_clock.now = QDateTime(QDate(2024, 3, 15), QTime(10, 30, 0));
        Platform::SetClock(&m_clock);
    }
    void cleanup() { Platform::SetClock(nullptr); }

    void firstLineOpensAnEmptyWindow()
    {
        TProtocolFrm frm;
        QCOMPARE(frm.objectName(), u"ProtocolFrm"_s);
        QCOMPARE(frm.windowTitle(), u"Protokoll Gerätedaten"_s);
        QCOMPARE(Windows::Get<TProtocolFrm>(u"ProtocolFrm"_s), &frm);
        frm.RichEdit->setPlainText(u"RichEdit"_s); // whatever the area held before
        QVERIFY(frm.isHidden());

        frm.AppendProtocolLine(u"Kunde bereits vorhanden : 4711 Meier"_s);
        QVERIFY(frm.isVisible());
        QCOMPARE(Lines(frm).size(), 1);
        QVERIFY2(Stamped(Lines(frm)[0], u"Kunde bereits vorhanden : 4711 Meier"_s),
                 qPrintable(Lines(frm)[0]));

        m_clock.Advance(3723000); // 1 h 2 min 3 s
        frm.AppendProtocolLine(u"---"_s);
        QCOMPARE(Lines(frm).size(), 2);
        QVERIFY2(Stamped(Lines(frm)[1], u"---"_s, u"15.03.24 11:32:03"_s), qPrintable(Lines(frm)[1]));
    }

    void okHidesAndTheNextProtocolStartsEmpty()
    {
        TProtocolFrm frm;
        frm.AppendProtocolLine(u"erste Einlesung"_s);
        frm.AppendProtocolLine(u"---"_s);
        QTest::mouseClick(frm.OKBtn, Qt::LeftButton);
        QVERIFY(frm.isHidden());
        QCOMPARE(Lines(frm).size(), 2); // kept until the next protocol begins

        frm.AppendProtocolLine(u"zweite Einlesung"_s);
        QVERIFY(frm.isVisible());
        QCOMPARE(Lines(frm).size(), 1);
        QVERIFY(Stamped(Lines(frm)[0], u"zweite Einlesung"_s));
    }

    void textWithLineBreaksKeepsOneStamp()
    {
        TProtocolFrm frm;
        frm.AppendProtocolLine(u"oben\r\nunten"_s);
        const QStringList lines = Lines(frm);
        QCOMPARE(lines.size(), 2);
        QVERIFY(Stamped(lines[0], u"oben"_s));
        QCOMPARE(lines[1], u"unten"_s);
    }

    void lastLineIsScrolledIntoView()
    {
        TProtocolFrm frm;
        for (int i = 0; i < 200; ++i)
            frm.AppendProtocolLine(u"Zeile %1"_s.arg(i));
        QCOMPARE(Lines(frm).size(), 200);
        QVERIFY(frm.RichEdit->textCursor().atEnd());
        QScrollBar* bar = frm.RichEdit->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
    }

    void checkBoxSwitchesTheProtocolOffAndOn()
    {
        TProtocolFrm frm;
        frm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frm));
        QTest::mouseClick(frm.CheckBox1, Qt::LeftButton);
        QVERIFY(frm.CheckBox1->isChecked());
        QVERIFY(NoProt);
        QTest::mouseClick(frm.CheckBox1, Qt::LeftButton);
        QVERIFY(!NoProt);
    }

private:
    Platform::TManualClock m_clock;
};

TQ5_TEST(TProtocolFrmTest)
#include "tst_ProtocolFrm.moc"
