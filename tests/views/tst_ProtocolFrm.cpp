#include "TestMain.h"
#include "TProtocolFrm.h"
#include "uGlobal.h"
#include "WindowRegistry.h"

#include <QRegularExpression>
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

// "dd.mm.yy hh:mm:ss " in front of the text.
bool Stamped(const QString& line, const QString& text)
{
    static const QRegularExpression stamp(u"^(\\d\\d)\\.(\\d\\d)\\.(\\d\\d) (\\d\\d):(\\d\\d):(\\d\\d) "_s);
    const auto m = stamp.match(line);
    if (!m.hasMatch() || line.mid(m.capturedLength()) != text)
        return false;
    const QDate date(2000 + m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    return date.isValid() && std::abs(date.daysTo(QDate::currentDate())) <= 1;
}

} // namespace

class TProtocolFrmTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { NoProt = false; }

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

        frm.AppendProtocolLine(u"---"_s);
        QCOMPARE(Lines(frm).size(), 2);
        QVERIFY(Stamped(Lines(frm)[1], u"---"_s));
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
};

TQ5_TEST(TProtocolFrmTest)
#include "tst_ProtocolFrm.moc"
