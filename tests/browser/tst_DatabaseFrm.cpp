#include "BrowserRig.h"
#include "Platform.h"
#include "ScriptedDialogs.h"
#include "TDatabase.h"
#include "TestMain.h"
#include "TLangResFrm.h"
#include "TSearchDlgFrm.h"
#include "uGlobal.h"

#include <QFile>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// The customer buttons and fields as one line: E edit, P post, C cancel, A append (both),
// D delete (both), F fields; "+" enabled, "-" disabled.
QString CustomerStates(const TDatabaseFrm& f)
{
    auto mark = [](bool on) { return on ? u'+' : u'-'; };
    QString s;
    s += u'E';
    s += mark(f.KdEditBitBtn->isEnabled());
    s += u" P"_s;
    s += mark(f.KdPostBitBtn->isEnabled());
    s += u" C"_s;
    s += mark(f.KdCancelBitBtn->isEnabled());
    s += u" A"_s;
    s += mark(f.KdAppendBitBtn->isEnabled() && f.KdAppendBitBtn2->isEnabled());
    if (f.KdAppendBitBtn->isEnabled() != f.KdAppendBitBtn2->isEnabled())
        s += u'?';
    s += u" D"_s;
    s += mark(f.KdDeleteBitBtn->isEnabled() && f.KdDeleteBitBtn2->isEnabled());
    if (f.KdDeleteBitBtn->isEnabled() != f.KdDeleteBitBtn2->isEnabled())
        s += u'?';
    bool fields = true;
    bool same = true;
    const QWidget* controls[] = {f.DBEdit1, f.DBEdit2, f.DBEdit3,     f.DBEdit4,
                                 f.DBEdit5, f.DBEdit6, f.DBKundenMemo};
    for (const QWidget* w : controls) {
        same = same && w->isEnabled() == controls[0]->isEnabled();
        fields = fields && w->isEnabled();
    }
    s += u" F"_s;
    s += mark(fields);
    if (!same)
        s += u'?';
    return s;
}

// Types text the way a keyboard does, umlauts included.
void Type(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

void SelectRows(TDBGrid* grid, const QList<int>& recNos)
{
    grid->ClearSelection();
    for (int r : recNos)
        grid->SetRowSelected(r, true);
}

// The search box answered from a list: true = "Weiter suchen". Records what each box showed.
struct TSearchAnswers
{
    QStringList shown;
    QList<bool> answers;
    TSearchAnswers()
    {
        TSearchDlgFrm::SetResponder([this](TSearchDlgFrm& box) {
            shown << box.InfoLabel->text();
            return answers.isEmpty() ? false : answers.takeFirst();
        });
    }
    ~TSearchAnswers() { TSearchDlgFrm::SetResponder({}); }
};

} // namespace

class TDatabaseFrmTest : public QObject
{
    Q_OBJECT
private slots:
    void listsShowTheirTitlesAndHideTheRest()
    {
        TBrowserRig rig;
        TDBGrid* kunden = rig.frm->KundenDBGrid;
        QStringList titles, fields;
        for (int c = 0; c < kunden->Model()->columnCount(); ++c) {
            titles << kunden->Model()->headerData(c, Qt::Horizontal).toString();
            fields << kunden->ColumnField(c);
        }
        QCOMPARE(fields, (QStringList{u"KN"_s, u"K1"_s, u"K2"_s, u"K3"_s, u"K4"_s, u"K5"_s}));
        QCOMPARE(titles, (QStringList{u"Kundennummer"_s, u"Name"_s, u"Straße"_s, u"PLZ / Ort"_s, u"Telefon"_s,
                                      u"Sonstiges"_s}));
        TDBGrid* tests = rig.frm->MessungenDBGrid;
        titles.clear();
        fields.clear();
        for (int c = 0; c < tests->Model()->columnCount(); ++c) {
            titles << tests->Model()->headerData(c, Qt::Horizontal).toString();
            fields << tests->ColumnField(c);
        }
        QCOMPARE(fields, (QStringList{u"SD"_s, u"SU"_s, u"MT"_s, u"MD"_s, u"LD"_s, u"RD"_s, u"LR"_s, u"LU"_s,
                                      u"NR"_s}));
        QCOMPARE(titles, (QStringList{u"Datum"_s, u"Uhrzeit"_s, u"Messungstyp"_s, u"Messdauer (Minuten)"_s,
                                      u"LD"_s, u"RD"_s, u"LR"_s, u"LU"_s, u"NR"_s}));
        QCOMPARE(rig.frm->PageControl->currentWidget(), rig.frm->CustomerTabSheet);
        QCOMPARE(rig.frm->KundenPageControl->currentWidget(), rig.frm->KundeListeTabSheet);
    }

    void detailsFollowTheCurrentRows()
    {
        TBrowserRig rig;
        rig.AddCustomer(u"4711"_s, u"Muster"_s);
        rig.AddTest(QDate(2010, 3, 14), QTime(9, 15, 0), 1, u"10"_s);
        rig.AddCustomer(u"4712"_s, u"Beispiel"_s);
        rig.AddTest(QDate(2011, 1, 2), QTime(8, 0, 5), 4, u"30"_s);
        rig.frm->KundenTable->First();
        QCOMPARE(rig.frm->DBEdit1->text(), u"4711"_s);
        QCOMPARE(rig.frm->DBEdit2->text(), u"Muster"_s);
        QCOMPARE(rig.frm->DBEdit8->text(), u"14.03.10"_s);
        QCOMPARE(rig.frm->DBEdit9->text(), u"09:15:00"_s);
        QCOMPARE(rig.frm->DBEdit13->text(), u"10"_s);
        rig.frm->KundenTable->Next();
        QCOMPARE(rig.frm->DBEdit1->text(), u"4712"_s);
        QCOMPARE(rig.frm->DBEdit8->text(), u"02.01.11"_s);
        // Test fields only show; the memo too until "Ändern".
        QVERIFY(!rig.frm->DBEdit7->isEnabled());
        QVERIFY(rig.frm->DBEdit7->isReadOnly());
        QVERIFY(rig.frm->DBMessungMemo->isReadOnly());
    }

    // Button states after each action, with and without customers.
    void customerButtonStates_data()
    {
        QTest::addColumn<int>("customers");
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QString>("states");
        const QString browseWith = u"E+ P- C- A+ D+ F-"_s;
        const QString browseNone = u"E- P- C- A+ D- F-"_s;
        const QString editing = u"E- P+ C+ A- D- F+"_s;
        QTest::newRow("start, none") << 0 << QStringList{} << browseNone;
        QTest::newRow("start, two") << 2 << QStringList{} << browseWith;
        QTest::newRow("Ändern, two") << 2 << QStringList{u"edit"_s} << editing;
        QTest::newRow("Ändern, none") << 0 << QStringList{u"edit"_s} << browseNone;
        QTest::newRow("Neu, none") << 0 << QStringList{u"append"_s} << editing;
        QTest::newRow("Neu 2, two") << 2 << QStringList{u"append2"_s} << editing;
        QTest::newRow("Neu Speichern, none") << 0 << QStringList{u"append"_s, u"post"_s} << browseWith;
        QTest::newRow("Neu Abbrechen, none") << 0 << QStringList{u"append"_s, u"cancel"_s} << browseNone;
        QTest::newRow("Ändern Speichern, two") << 2 << QStringList{u"edit"_s, u"post"_s} << browseWith;
        QTest::newRow("Ändern Abbrechen, two") << 2 << QStringList{u"edit"_s, u"cancel"_s} << browseWith;
        QTest::newRow("Löschen, two") << 2 << QStringList{u"delete"_s} << browseWith;
        QTest::newRow("Löschen, one") << 1 << QStringList{u"delete"_s} << browseNone;
        QTest::newRow("Löschen 2, one") << 1 << QStringList{u"delete2"_s} << browseNone;
        QTest::newRow("Löschen, none") << 0 << QStringList{u"delete"_s} << browseNone;
    }
    void customerButtonStates()
    {
        QFETCH(int, customers);
        QFETCH(QStringList, actions);
        QFETCH(QString, states);
        TBrowserRig rig;
        for (int i = 0; i < customers; ++i)
            rig.AddCustomer(u"K"_s + QString::number(i));
        rig.frm->InitDatabaseView();
        TScriptedDialogs dialogs;
        for (const QString& action : actions) {
            if (action == u"edit"_s)
                rig.frm->KdEditBitBtnClick();
            else if (action == u"append"_s)
                QTest::mouseClick(rig.frm->KdAppendBitBtn, Qt::LeftButton);
            else if (action == u"append2"_s)
                QTest::mouseClick(rig.frm->KdAppendBitBtn2, Qt::LeftButton);
            else if (action == u"post"_s)
                rig.frm->KdPostBitBtnClick();
            else if (action == u"cancel"_s)
                rig.frm->KdCancelBitBtnClick();
            else if (action == u"delete"_s || action == u"delete2"_s) {
                dialogs.ExpectMessage(QMessageBox::Yes);
                rig.frm->KdDeleteBitBtnClick();
            }
        }
        QVERIFY(dialogs.Done());
        QCOMPARE(CustomerStates(*rig.frm), states);
    }

    void newCustomerIsStoredFromTheFields()
    {
        TBrowserRig rig;
        rig.frm->KdAppendBitBtnClick();
        QCOMPARE(rig.frm->KundenPageControl->currentWidget(), rig.frm->CustomerDetailTabSheet);
        // The store keeps 20 characters of a customer number.
        Type(rig.frm->DBEdit1, u"1234567890123456789012345"_s);
        Type(rig.frm->DBEdit2, u"Müller"_s);
        rig.frm->DBKundenMemo->setFocus();
        Type(rig.frm->DBKundenMemo, u"Hof hinten"_s);
        rig.frm->KdPostBitBtnClick();
        QCOMPARE(rig.Customers(), 1);
        QCOMPARE(rig.CustomerColumn(u"KN"_s), QStringList{u"12345678901234567890"_s});
        QCOMPARE(rig.CustomerColumn(u"K1"_s), QStringList{u"Müller"_s});
        QCOMPARE(rig.frm->KundenTable->FieldByName(u"KMEMO"_s).AsString(), u"Hof hinten"_s);
        QCOMPARE(rig.frm->DBEdit1->text(), u"12345678901234567890"_s);
        QVERIFY(rig.frm->DBEdit1->isReadOnly());
    }

    // Any change of page drops a pending edit without asking.
    void pageChangesCancel_data()
    {
        QTest::addColumn<int>("change");
        QTest::newRow("customer sub-page") << 0;
        QTest::newRow("main page") << 1;
    }
    void pageChangesCancel()
    {
        QFETCH(int, change);
        TBrowserRig rig;
        rig.AddCustomer(u"1"_s, u"Alt"_s);
        rig.frm->InitDatabaseView();
        rig.frm->KundenPageControl->setCurrentWidget(rig.frm->CustomerDetailTabSheet);
        rig.frm->KdEditBitBtnClick();
        Type(rig.frm->DBEdit2, u"Neu"_s);
        if (change == 0)
            rig.frm->KundenPageControl->setCurrentWidget(rig.frm->KundeListeTabSheet);
        else
            rig.frm->PageControl->setCurrentWidget(rig.frm->MeasurementTabSheet);
        QCOMPARE(rig.frm->KundenTable->State(), TDataSetState::Browse);
        QCOMPARE(rig.CustomerColumn(u"K1"_s), QStringList{u"Alt"_s});
        QCOMPARE(rig.frm->DBEdit2->text(), u"Alt"_s);
        QCOMPARE(CustomerStates(*rig.frm), u"E+ P- C- A+ D+ F-"_s);
    }

    void testMemoIsTheOnlyEditableField()
    {
        TBrowserRig rig;
        rig.AddCustomer(u"1"_s);
        rig.AddTest(QDate(2020, 5, 1), QTime(10, 0, 0), 1);
        rig.frm->InitDatabaseView();
        QVERIFY(!rig.frm->DBMessungMemo->isEnabled());
        rig.frm->MeEditBitBtnClick();
        QVERIFY(rig.frm->DBMessungMemo->isEnabled());
        QVERIFY(!rig.frm->DBMessungMemo->isReadOnly());
        QVERIFY(!rig.frm->MeEditBitBtn->isEnabled());
        QVERIFY(rig.frm->MePostBitBtn->isEnabled() && rig.frm->MeCancelBitBtn->isEnabled());
        Type(rig.frm->DBMessungMemo, u"Dichtheit i.O."_s);
        rig.frm->MePostBitBtnClick();
        QCOMPARE(rig.frm->MessungenTable->FieldByName(u"MMEMO"_s).AsString(), u"Dichtheit i.O."_s);
        QVERIFY(rig.frm->MeEditBitBtn->isEnabled());
        QVERIFY(!rig.frm->MePostBitBtn->isEnabled() && !rig.frm->MeCancelBitBtn->isEnabled());
        QVERIFY(rig.frm->DBMessungMemo->isReadOnly());

        // A change dropped by leaving the sub-page.
        rig.frm->MessungenPageControl->setCurrentWidget(rig.frm->MeasurementDetailTabSheet);
        rig.frm->MeEditBitBtnClick();
        Type(rig.frm->DBMessungMemo, u" nicht"_s);
        rig.frm->MessungenPageControl->setCurrentWidget(rig.frm->MessungenListeTabSheet);
        QCOMPARE(rig.frm->MessungenTable->State(), TDataSetState::Browse);
        QCOMPARE(rig.frm->MessungenTable->FieldByName(u"MMEMO"_s).AsString(), u"Dichtheit i.O."_s);

        // Without a test "Ändern" adds nothing.
        rig.AddCustomer(u"2"_s);
        rig.frm->MeEditBitBtnClick();
        QCOMPARE(rig.frm->MessungenTable->State(), TDataSetState::Browse);
        QCOMPARE(rig.Tests(), 1);
    }

    void doubleClicksOpenTheDetails()
    {
        TBrowserRig rig;
        rig.AddCustomer(u"1"_s);
        rig.frm->InitDatabaseView();
        QTest::mouseDClick(
            rig.frm->KundenDBGrid->viewport(), Qt::LeftButton, {},
            rig.frm->KundenDBGrid->visualRect(rig.frm->KundenDBGrid->Model()->index(0, 0)).center());
        QCOMPARE(rig.frm->KundenPageControl->currentWidget(), rig.frm->CustomerDetailTabSheet);
        rig.frm->MessungenPageControl->setCurrentWidget(rig.frm->MessungenListeTabSheet);
        rig.frm->MessungenDBGridDblClick();
        QCOMPARE(rig.frm->MessungenPageControl->currentWidget(), rig.frm->MeasurementDetailTabSheet);
    }

    void insertKeyStartsANewCustomer()
    {
        TBrowserRig rig;
        rig.AddCustomer(u"1"_s);
        rig.AddCustomer(u"2"_s);
        rig.frm->InitDatabaseView();
        SelectRows(rig.frm->KundenDBGrid, {1, 2});
        QTest::keyClick(rig.frm->KundenDBGrid, Qt::Key_Insert);
        QCOMPARE(rig.frm->KundenPageControl->currentWidget(), rig.frm->CustomerDetailTabSheet);
        QCOMPARE(rig.frm->KundenTable->State(), TDataSetState::Insert);
        QCOMPARE(rig.frm->KundenDBGrid->SelectedCount(), 0);
        QCOMPARE(CustomerStates(*rig.frm), u"E- P+ C+ A- D- F+"_s);
    }

    // Three of four customers selected: one plural question, and they go with their tests and
    // their readings.
    void deleteSelectedCustomersWithTestsAndReadings()
    {
        TBrowserRig rig;
        for (int c = 1; c <= 4; ++c) {
            rig.AddCustomer(QString::number(c));
            for (int t = 0; t < 2; ++t) {
                rig.AddTest(QDate(2020, c, 1 + t), QTime(10, 0, 0), 1);
                rig.AddReadings(5);
            }
        }
        rig.frm->InitDatabaseView();
        QCOMPARE(rig.Readings(), 40);
        SelectRows(rig.frm->KundenDBGrid, {1, 2, 4});
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::Yes);
        QTest::keyClick(rig.frm->KundenDBGrid, Qt::Key_Delete);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].title, u"Sicherheitsabfrage"_s);
        QCOMPARE(dialogs.messages[0].text, u"Sollen die Kunden und die diesen Kunden zugeordneten\r"
                                           u"Messungen wirklich gelöscht werden ?"_s);
        QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Question));
        QCOMPARE(rig.CustomerColumn(u"KN"_s), QStringList{u"3"_s});
        QCOMPARE(rig.Tests(), 2);
        QCOMPARE(rig.Readings(), 10);
        QCOMPARE(rig.Scalar(u"SELECT COUNT(*) FROM \"MessdatenTable\" WHERE \"MESSDATENID\" NOT IN "
                            u"(SELECT \"MESSUNGENID\" FROM \"MessungenTable\")"_s),
                 0);
        // The remaining customer is current and marked.
        QCOMPARE(rig.frm->KundenDBGrid->SelectedCount(), 1);
        QVERIFY(rig.frm->KundenDBGrid->RowSelected(rig.frm->KundenTable->RecNo()));
    }

    void deleteCustomersAsked_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QStringList>("left");
        const QString one = u"Sollen der Kunde und die diesem Kunden zugeordneten\r"
                            u"Messungen wirklich gelöscht werden ?"_s;
        const QString many = u"Sollen die Kunden und die diesen Kunden zugeordneten\r"
                             u"Messungen wirklich gelöscht werden ?"_s;
        QTest::newRow("none selected, yes")
            << QList<int>{} << int(QMessageBox::Yes) << many << QStringList{u"1"_s, u"2"_s, u"3"_s};
        QTest::newRow("one selected, yes")
            << QList<int>{2} << int(QMessageBox::Yes) << one << QStringList{u"1"_s, u"3"_s};
        QTest::newRow("one selected, no")
            << QList<int>{2} << int(QMessageBox::No) << one << QStringList{u"1"_s, u"2"_s, u"3"_s};
        QTest::newRow("two selected, no")
            << QList<int>{1, 3} << int(QMessageBox::No) << many << QStringList{u"1"_s, u"2"_s, u"3"_s};
    }
    void deleteCustomersAsked()
    {
        QFETCH(QList<int>, selected);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QStringList, left);
        TBrowserRig rig;
        for (int c = 1; c <= 3; ++c)
            rig.AddCustomer(QString::number(c));
        rig.frm->InitDatabaseView();
        SelectRows(rig.frm->KundenDBGrid, selected);
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::StandardButton(answer));
        rig.frm->KdDeleteBitBtnClick();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, question);
        QCOMPARE(rig.CustomerColumn(u"KN"_s), left);
    }

    void deleteMeasurementsWithTheirReadings()
    {
        TBrowserRig rig;
        rig.AddCustomer(u"1"_s);
        for (int t = 1; t <= 3; ++t) {
            rig.AddTest(QDate(2020, 1, t), QTime(10, 0, 0), 1);
            rig.AddReadings(4);
        }
        rig.AddCustomer(u"2"_s);
        rig.AddTest(QDate(2021, 1, 1), QTime(10, 0, 0), 1);
        rig.AddReadings(7);
        rig.frm->KundenTable->First();
        rig.frm->InitDatabaseView();

        TScriptedDialogs dialogs;
        SelectRows(rig.frm->MessungenDBGrid, {2});
        dialogs.ExpectMessage(QMessageBox::Yes);
        QTest::keyClick(rig.frm->MessungenDBGrid, Qt::Key_Delete);
        QCOMPARE(dialogs.messages.last().text, u"Soll die Messung wirklich gelöscht werden ?"_s);
        QCOMPARE(rig.TestColumn(u"SD"_s), (QStringList{u"01.01.20"_s, u"03.01.20"_s}));
        QCOMPARE(rig.Readings(), 15);

        SelectRows(rig.frm->MessungenDBGrid, {1, 2});
        dialogs.ExpectMessage(QMessageBox::Yes);
        rig.frm->DeleteSelectedMeasurements();
        QCOMPARE(dialogs.messages.last().text, u"Sollen die Messungen wirklich gelöscht werden ?"_s);
        QCOMPARE(rig.frm->MessungenTable->RecordCount(), 0);
        QCOMPARE(rig.Readings(), 7);
        QCOMPARE(rig.frm->MessungenDBGrid->SelectedCount(), 0);
    }

    // Sorting by title: the customer index of the field, "I" + field for tests.
    void sortingByColumnTitle()
    {
        TBrowserRig rig;
        rig.AddCustomer(u"3"_s, u"Zander"_s);
        rig.AddCustomer(u"1"_s, u"Albers"_s);
        rig.AddTest(QDate(2020, 1, 5), QTime(8, 0, 0), 1, u"3"_s);
        rig.AddTest(QDate(2021, 6, 1), QTime(9, 0, 0), 1, u"10"_s);
        rig.AddTest(QDate(2019, 2, 7), QTime(7, 0, 0), 1, u"25"_s);
        rig.AddCustomer(u"2"_s, u"Meier"_s);
        rig.frm->InitDatabaseView();
        QCOMPARE(rig.CustomerColumn(u"K1"_s), (QStringList{u"Zander"_s, u"Albers"_s, u"Meier"_s}));

        TDBGrid* kunden = rig.frm->KundenDBGrid;
        rig.frm->KundenDBGridTitleClick(kunden->Model()->ColumnOf(u"K1"_s));
        QCOMPARE(rig.CustomerColumn(u"K1"_s), (QStringList{u"Albers"_s, u"Meier"_s, u"Zander"_s}));
        QVERIFY(kunden->Model()->TitleBold(kunden->Model()->ColumnOf(u"K1"_s)));
        QVERIFY(!kunden->Model()->TitleBold(kunden->Model()->ColumnOf(u"KN"_s)));
        QVERIFY(kunden->Model()
                    ->headerData(kunden->Model()->ColumnOf(u"K1"_s), Qt::Horizontal, Qt::FontRole)
                    .value<QFont>()
                    .bold());

        rig.frm->KundenTable->Locate(u"KN"_s, u"1"_s);
        TDBGrid* tests = rig.frm->MessungenDBGrid;
        TGridModel* model = tests->Model();
        const int datum = model->ColumnOf(u"SD"_s);
        QTest::mouseClick(tests->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(tests->horizontalHeader()->sectionViewportPosition(datum) + 5, 5));
        QCOMPARE(rig.TestColumn(u"SD"_s), (QStringList{u"01.06.21"_s, u"05.01.20"_s, u"07.02.19"_s}));
        rig.frm->MessungenDBGridTitleClick(datum);
        QCOMPARE(rig.TestColumn(u"SD"_s), (QStringList{u"01.06.21"_s, u"05.01.20"_s, u"07.02.19"_s}));
        QVERIFY(model->TitleBold(datum));

        // Durations are text: "10" before "25" before "3".
        rig.frm->MessungenDBGridTitleClick(model->ColumnOf(u"MD"_s));
        QCOMPARE(rig.TestColumn(u"MD"_s), (QStringList{u"10"_s, u"25"_s, u"3"_s}));
        QVERIFY(model->TitleBold(model->ColumnOf(u"MD"_s)));
        QVERIFY(!model->TitleBold(datum));

        // No index "ILD": the store's error, order and fonts as they were.
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        rig.frm->MessungenDBGridTitleClick(model->ColumnOf(u"LD"_s));
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Error));
        QVERIFY2(dialogs.messages[0].text.contains(u"ILD"_s), qPrintable(dialogs.messages[0].text));
        QCOMPARE(rig.TestColumn(u"MD"_s), (QStringList{u"10"_s, u"25"_s, u"3"_s}));
        QVERIFY(model->TitleBold(model->ColumnOf(u"MD"_s)));
        QVERIFY(!model->TitleBold(model->ColumnOf(u"LD"_s)));
    }

    // Only a to z are upper-cased, so "müller" finds "Müller" and not "MÜLLER".
    void searchFindsWhatTheRulesAllow_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("notFound");
        QTest::newRow("müller") << u"müller"_s << QList<bool>{} << QStringList{u"MüLLER"_s} << u"2"_s
                                << false;
        QTest::newRow("blanks around")
            << u"  müller "_s << QList<bool>{} << QStringList{u"MüLLER"_s} << u"2"_s << false;
        QTest::newRow("two columns, go on")
            << u"haupt"_s << QList<bool>{true, true} << QStringList{u"HAUPTMANN"_s, u"HAUPTSTR. 1"_s}
            << u"4"_s << false;
        QTest::newRow("two columns, stop")
            << u"haupt"_s << QList<bool>{false} << QStringList{u"HAUPTMANN"_s} << u"3"_s << false;
        QTest::newRow("nothing") << u"xyz"_s << QList<bool>{} << QStringList{} << u"4"_s << true;
        QTest::newRow("empty") << u""_s << QList<bool>{} << QStringList{} << u"4"_s << true;
        QTest::newRow("blanks only") << u"   "_s << QList<bool>{} << QStringList{} << u"4"_s << true;
    }
    void searchFindsWhatTheRulesAllow()
    {
        QFETCH(QString, term);
        QFETCH(QList<bool>, answers);
        QFETCH(QStringList, shown);
        QFETCH(QString, current);
        QFETCH(bool, notFound);
        TBrowserRig rig;
        rig.AddCustomer(u"1"_s, u"MÜLLER"_s);
        rig.AddCustomer(u"2"_s, u"Müller"_s);
        rig.AddCustomer(u"3"_s, u"Hauptmann"_s, u"Hauptstr. 1"_s);
        rig.AddCustomer(u"4"_s, u"Ende"_s);
        rig.frm->InitDatabaseView();
        TSearchAnswers box;
        box.answers = answers;
        TScriptedDialogs dialogs;
        if (notFound)
            dialogs.ExpectMessage();
        rig.frm->SearchEdit->setText(term);
        rig.frm->SearchBitBtnClick();
        QCOMPARE(box.shown, shown);
        QCOMPARE(rig.frm->KundenTable->FieldByName(u"KN"_s).AsString(), current);
        if (notFound) {
            QCOMPARE(dialogs.messages.size(), 1);
            QCOMPARE(dialogs.messages[0].text, u"Kein Eintrag gefunden."_s);
            QCOMPARE(rig.frm->KundenDBGrid->SelectedCount(), 0);
        } else if (!answers.isEmpty() && !answers.last()) {
            // Stopped: the row stays current and marked, the box is emptied.
            QCOMPARE(rig.frm->KundenDBGrid->SelectedCount(), 1);
            QVERIFY(rig.frm->KundenDBGrid->RowSelected(rig.frm->KundenTable->RecNo()));
            QVERIFY(rig.frm->SearchEdit->text().isEmpty());
        }
        QVERIFY(dialogs.Done());
    }

    // Enter in the search box searches; the real box opens with the focus on "Suche abbrechen",
    // so a second Enter stops at the first find.
    void enterSearchesAndEnterStops()
    {
        TBrowserRig rig;
        rig.AddCustomer(u"1"_s, u"Alpha"_s);
        rig.AddCustomer(u"2"_s, u"Beta"_s, u"Betastraße"_s);
        rig.AddCustomer(u"3"_s, u"Beta"_s);
        rig.frm->InitDatabaseView();
        TSearchDlgFrm box;
        box.setObjectName(u"SearchDlgFrm"_s);
        int boxes = 0;
        QTimer timer;
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, this, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++boxes;
                QTest::keyClick(modal->focusWidget() ? modal->focusWidget() : modal, Qt::Key_Return);
            }
        });
        timer.start();
        rig.frm->SearchEdit->setText(u"beta"_s);
        QTest::keyClick(rig.frm->SearchEdit, Qt::Key_Return);
        timer.stop();
        QCOMPARE(boxes, 1);
        QCOMPARE(rig.frm->KundenTable->FieldByName(u"KN"_s).AsString(), u"2"_s);
        QVERIFY(rig.frm->KundenDBGrid->RowSelected(2));
        QVERIFY(rig.frm->SearchEdit->text().isEmpty());
    }

    void statusBarCountsTheRows()
    {
        Platform::TManualClock clock;
        clock.now = QDateTime(QDate(2024, 3, 15), QTime(10, 15, 2));
        Platform::SetClock(&clock);
        TBrowserRig rig;
        rig.AddCustomer(u"1"_s);
        rig.AddCustomer(u"2"_s);
        rig.AddTest(QDate(2020, 1, 1), QTime(8, 0, 0), 1);
        rig.AddTest(QDate(2020, 1, 2), QTime(8, 0, 0), 1);
        rig.AddReadings(180);
        rig.AddCustomer(u"3"_s);
        rig.frm->KundenTable->SetRecNo(2);
        rig.frm->MessungenTable->Last();
        QCOMPARE(rig.frm->StatusBarText(), u"10:15:02 K2/3 M2/2 D1/180"_s);
        rig.frm->MessungenTable->First();
        QCOMPARE(rig.frm->StatusBarText(), u"10:15:02 K2/3 M1/2 D0/0"_s);
        Platform::SetClock(nullptr);
        rig.frm->Db->CloseTables();
        rig.frm->UpdateStatusBar();
        QVERIFY(!rig.frm->StatusBarText().contains(u'K'));
    }

    // One notch away from the user is Up, towards the user Down.
    void wheelMovesTheCurrentRow()
    {
        TBrowserRig rig;
        for (int c = 1; c <= 5; ++c)
            rig.AddCustomer(QString::number(c));
        rig.frm->InitDatabaseView();
        rig.frm->show();
        rig.frm->KundenTable->SetRecNo(3);
        QWidget* viewport = rig.frm->KundenDBGrid->viewport();
        auto turn = [&](int delta) {
            const QPointF pos(10, 10);
            QWheelEvent wheel(pos, viewport->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport, &wheel);
        };
        turn(-120);
        QCOMPARE(rig.frm->KundenTable->RecNo(), 4);
        turn(120);
        turn(120);
        QCOMPARE(rig.frm->KundenTable->RecNo(), 2);
        // Half notches add up.
        turn(-60);
        QCOMPARE(rig.frm->KundenTable->RecNo(), 2);
        turn(-60);
        QCOMPARE(rig.frm->KundenTable->RecNo(), 3);
        rig.frm->hide();
    }

    // Showing opens (and first creates) the database; hiding closes it and removes report PDFs.
    void showAndHide()
    {
        TBrowserRig rig(false);
        QVERIFY(!QFile::exists(TDatabase::DatabasePath()));
        const QString pdf = GetDataFolder() + u"/BDTRGI2008_101500.pdf"_s;
        QVERIFY(WriteAll(pdf, "%PDF-1.4"));
        QVERIFY(WriteAll(GetDataFolder() + u"/keep.txt"_s, "x"));
        rig.frm->show();
        QTRY_VERIFY(rig.frm->KundenTable->Active());
        QVERIFY(QFile::exists(TDatabase::DatabasePath()));
        rig.frm->hide();
        QVERIFY(!rig.frm->KundenTable->Active());
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(QFile::exists(GetDataFolder() + u"/keep.txt"_s));
    }
};

TQ5_TEST(TDatabaseFrmTest)
#include "tst_DatabaseFrm.moc"
