#include "MainFrmRig.h"
#include "Platform.h"
#include "ScriptedDialogs.h"
#include "TDatabase.h"
#include "TestMain.h"
#include "TMainFrm.h"
#include "TReportFormRegistry.h"
#include "TReportMasterFrm.h"
#include "uFormulare.h"
#include "uGlobal.h"
#include "uLanguage.h"
#include "WindowRegistry.h"

#include <QCheckBox>
#include <QFile>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// A report form with the two controls whose captions the main window copies from the base window.
class TSampleReportForm : public TReportMasterFrm
{
public:
    TSampleReportForm(const QString& formName, QWidget* owner) : TReportMasterFrm(formName, owner)
    {
        auto* pdf = new QPushButton(u"PDF erzeugen"_s, this);
        pdf->setObjectName(u"PDFFrmBitBtn"_s);
        auto* keep = new QCheckBox(u"Vorgabe speichern"_s, this);
        keep->setObjectName(u"VorgabeSpeichernCheckBox"_s);
    }
};

void RegisterSample(const QString& formName)
{
    RegisterReportFormClass(u"T"_s + formName,
                            [formName](QWidget* owner) { return new TSampleReportForm(formName, owner); });
}

void WriteSettings(const QByteArray& bytes)
{
    QVERIFY(WriteAll(GetSettingsFileName(), bytes));
}

QStringList Items(const QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

} // namespace

class TMainFrmTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { RegisterReportForms(); }

    void shownMainWindow()
    {
        TMainFrmRig rig;
        QCOMPARE(rig.main->windowTitle(), u"TQ5 Report"_s);
        QVERIFY(rig.Show());
        QCOMPARE(rig.main->windowTitle(), u"TQ5 Report 1.075"_s);
        QCOMPARE(rig.main->size(), QSize(1000, 551));
        QCOMPARE(rig.main->minimumSize(), QSize(1000, 500));
        QVERIFY(!rig.main->Tools1->menuAction()->isVisible());
        QVERIFY(rig.main->StatusBar->isHidden());
        QVERIFY(!rig.main->ToolsUnlocked());
        for (QLabel* logo : {rig.main->LogoImage1, rig.main->LogoImage2}) {
            QCOMPARE(logo->size(), QSize(281, 40));
            QCOMPARE(logo->pixmap().size(), QSize(281, 40));
        }
        // The menu bar is drawn on its colour.
        const QImage bar = rig.main->menuBar()->grab().toImage();
        QCOMPARE(bar.pixelColor(bar.width() - 3, bar.height() / 2), TMainFrm::MenuColor());
        QCOMPARE(TMainFrm::MenuColor(), QColor(114, 255, 220));
    }

    // The reserved word unlocks the Tools menu and the status bar; anything else is a search.
    void keyword_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<bool>("unlocks");
        QTest::newRow("lower case, blanks around") << u"  kalvorndest  "_s << false << true;
        QTest::newRow("tab and line end, Enter") << u"\tKalVornDest\r"_s << true << true;
        QTest::newRow("one letter missing") << u"kalvorndes"_s << false << false;
        QTest::newRow("one letter more, Enter") << u"kalvorndestx"_s << true << false;
        QTest::newRow("blank inside") << u"kalvorn dest"_s << false << false;
        QTest::newRow("umlaut for a") << u"kälvorndest"_s << false << false;
    }
    void keyword()
    {
        QFETCH(QString, text);
        QFETCH(bool, enter);
        QFETCH(bool, unlocks);
        TMainFrmRig rig;
        QVERIFY(rig.Show());
        rig.AddCustomer(u"1"_s, u"Muster"_s);
        TScriptedDialogs dialogs;
        if (!unlocks)
            dialogs.ExpectMessage();
        rig.main->SearchEdit->setText(text);
        if (enter)
            QTest::keyClick(rig.main->SearchEdit, Qt::Key_Return);
        else
            QTest::mouseClick(rig.main->SearchBitBtn, Qt::LeftButton);
        QCOMPARE(rig.main->ToolsUnlocked(), unlocks);
        QCOMPARE(rig.main->Tools1->menuAction()->isVisible(), unlocks);
        QCOMPARE(!rig.main->StatusBar->isHidden(), unlocks);
        if (unlocks) {
            QVERIFY(rig.main->SearchEdit->text().isEmpty());
            QVERIFY(dialogs.messages.isEmpty());
        } else {
            QCOMPARE(dialogs.messages.size(), 1);
            QCOMPARE(dialogs.messages[0].text, u"Kein Eintrag gefunden."_s);
            QCOMPARE(rig.main->SearchEdit->text(), text);
        }
    }

    void selectAllCustomers_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Ctrl+A, Tools hidden") << 0;
        QTest::newRow("context menu") << 1;
        QTest::newRow("Tools menu item") << 2;
    }
    void selectAllCustomers()
    {
        QFETCH(int, way);
        TMainFrmRig rig;
        QVERIFY(rig.Show());
        for (int i = 1; i <= 4; ++i)
            rig.AddCustomer(QString::number(i));
        rig.main->KundenTable->First();
        rig.main->KundenDBGrid->ClearSelection();
        if (way == 0) {
            rig.main->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(rig.main));
            QVERIFY(!rig.main->Tools1->menuAction()->isVisible());
            QTest::keyClick(rig.main->KundenDBGrid, Qt::Key_A, Qt::ControlModifier);
        } else if (way == 1) {
            rig.main->AlleauswhlenStrgA1->trigger();
        } else {
            rig.main->AlleKundenmarkieren1->trigger();
        }
        QCOMPARE(rig.main->KundenDBGrid->SelectedCount(), 4);
        QCOMPARE(rig.main->KundenTable->RecNo(), 4);
    }

    void transferGuard_data()
    {
        QTest::addColumn<QString>("drive"); // "" none, "E-" E without medium, "E" E with a card
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("no drive chosen")
            << u""_s << u"Kein Zugriff möglich"_s
            << u"Es ist noch kein Laufwerk für den Wechseldatenträger ausgewählt.\r"
               u"Bitte wählen Sie zuerst in den Einstellungen das Laufwerk aus."_s;
        QTest::newRow("E without medium")
            << u"E-"_s << u"Kein Zugriff möglich"_s
            << u"Auf Laufwerk E: kann nicht zugegriffen werden.\r"
               u"Prüfen Sie, ob sich ein Datenträger in dem Laufwerk befindet."_s;
        QTest::newRow("E with a card") << u"E"_s << u"Sicherheitsabfrage"_s
                                       << u"Vor Übertragung der Kunden werden alle Daten auf\r"
                                          u"der Karte in Laufwerk E: gelöscht. Fortfahren ?"_s;
    }
    void transferGuard()
    {
        QFETCH(QString, drive);
        QFETCH(QString, title);
        QFETCH(QString, text);
        Platform::TMappedDrives drives;
        QString card;
        TMainFrmRig rig([&](TTestHome& home) {
            card = home.MakeFolder(u"card"_s);
            if (drive == u"E"_s)
                drives.Add(u'E', card);
            else if (drive == u"E-"_s)
                drives.AddWithoutMedium(u'E');
            Platform::SetDriveProvider(&drives);
            WriteSettings(drive.isEmpty() ? QByteArray("[System]\r\nDataDrive= \r\n")
                                          : QByteArray("[System]\r\nDataDrive=E\r\n"));
        });
        QVERIFY(rig.Show());
        rig.AddCustomer(u"1"_s);
        QVERIFY(WriteAll(card + u"/KEEP.DAT"_s, "x"));
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::No);
        QTest::mouseClick(rig.main->TransferKdBitBtn, Qt::LeftButton);
        Platform::SetDriveProvider(nullptr);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].title, title);
        QCOMPARE(dialogs.messages[0].text, text);
        QVERIFY(QFile::exists(card + u"/KEEP.DAT"_s));
    }

    // What the report choice offers for the current test.
    void reportChoice_data()
    {
        QTest::addColumn<int>("mtnr");
        QTest::addColumn<QStringList>("titles");
        const QStringList gas{u"Load-And-Tightness TestTRGI2018"_s};
        const QStringList wet{u"Drinking-water-plant-DIN-EN-806-4-wet"_s};
        const QStringList liquidGas{u"Load-and-Tightness-Test-Liquid-Gas-TRF"_s};
        QTest::newRow("1") << 1 << gas;
        QTest::newRow("2") << 2 << gas;
        QTest::newRow("6") << 6 << wet;
        QTest::newRow("7") << 7 << wet;
        QTest::newRow("8") << 8 << wet;
        QTest::newRow("13") << 13 << liquidGas;
        QTest::newRow("14") << 14 << liquidGas;
        QTest::newRow("0") << 0 << QStringList{};
        QTest::newRow("11") << 11 << QStringList{};
        QTest::newRow("12") << 12 << QStringList{};
    }
    void reportChoice()
    {
        QFETCH(int, mtnr);
        QFETCH(QStringList, titles);
        TMainFrmRig rig;
        QVERIFY(rig.Show());
        rig.AddCustomer(u"1"_s);
        rig.AddTest(mtnr == 4 ? 5 : 4); // another test first, so that the choice must follow the move
        rig.AddTest(mtnr);
        QCOMPARE(Items(rig.main->AvailFrmsComboBox), titles);
        QCOMPARE(rig.main->AvailFrmsComboBox->currentIndex(), titles.isEmpty() ? -1 : 0);
        rig.main->MessungenTable->First();
        QCOMPARE(Items(rig.main->AvailFrmsComboBox), QStringList{u"Heating-plant-check-acc-DIN18380"_s});
    }

    void frenchLiquidGasOpensTheFrenchForm()
    {
        TMainFrmRig rig([](TTestHome&) { WriteSettings("[Main]\r\nLanguage=FRA\r\n"); });
        QVERIFY(rig.Show());
        RegisterSample(u"FRM_FR_DDGAS_TRF"_s);
        rig.AddCustomer(u"1"_s);
        rig.AddTest(13);
        QCOMPARE(Items(rig.main->AvailFrmsComboBox),
                 QStringList{u"Load-and-Tightness-Test-Liquid-Gas-TRF"_s});
        rig.main->FormShowBitBtnClick();
        QVERIFY(rig.main->CurrentReportForm());
        QCOMPARE(rig.main->CurrentReportForm()->objectName(), u"FRM_FR_DDGAS_TRF"_s);
        rig.main->CurrentReportForm()->hide();
    }

    // Rebuilding the catalogue (a change of language) keeps the list's position.
    void languageChangeKeepsThePosition()
    {
        TMainFrmRig rig;
        QVERIFY(rig.Show());
        BuildReportCatalogue();
        QCOMPARE(rig.main->AvailFrmsComboBox->count(), 7);
        rig.main->AvailFrmsComboBox->setCurrentIndex(3);
        Language = u"DEU"_s;
        ApplyLanguage(Language);
        QCOMPARE(Items(rig.main->AvailFrmsComboBox).first(), u"Belastungs-Dichtheitsprüfung-TRGI2018"_s);
        QCOMPARE(rig.main->AvailFrmsComboBox->currentIndex(), 3);
        QCOMPARE(rig.main->AvailFrmsComboBox->currentText(), u"Kanalprüfung-nach-DIN-EN1610"_s);
        Language = u"ENG"_s;
    }

    // "Formular anzeigen": the new form replaces the current one, takes the base window's two
    // captions, stays on top without blocking; the list is rebuilt.
    void formShowReplacesTheCurrentForm()
    {
        TMainFrmRig rig;
        QVERIFY(rig.Show());
        RegisterSample(u"FRM_EN_BDTRGI2008"_s);
        QWidget* master = Windows::Find(u"ReportMasterFrm"_s);
        QVERIFY(master);
        auto* pdf = new QPushButton(u"Create PDF"_s, master);
        pdf->setObjectName(u"PDFFrmBitBtn"_s);
        auto* keep = new QCheckBox(u"Save as default"_s, master);
        keep->setObjectName(u"VorgabeSpeichernCheckBox"_s);

        rig.AddCustomer(u"1"_s);
        rig.AddTest(1);
        QTest::mouseClick(rig.main->FormShowBitBtn, Qt::LeftButton);
        QPointer<QWidget> first = rig.main->CurrentReportForm();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QVERIFY(!first->isModal());
        QVERIFY(first->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(first->findChild<QPushButton*>(u"PDFFrmBitBtn"_s)->text(), u"Create PDF"_s);
        QCOMPARE(first->findChild<QCheckBox*>(u"VorgabeSpeichernCheckBox"_s)->text(), u"Save as default"_s);

        rig.main->AvailFrmsComboBox->setCurrentIndex(-1);
        rig.main->FormShowBitBtnClick(); // nothing chosen: nothing opens
        QCOMPARE(rig.main->CurrentReportForm(), first.data());
        rig.main->AvailFrmsComboBox->setCurrentIndex(0);
        rig.main->FormShowBitBtnClick();
        QVERIFY(!first);
        QVERIFY(rig.main->CurrentReportForm());
        QCOMPARE(rig.main->AvailFrmsComboBox->currentIndex(), 0);

        // A form this build does not carry: the message, and the open one stays.
        QPointer<QWidget> second = rig.main->CurrentReportForm();
        RegisterReportForms();
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        rig.main->FormShowBitBtnClick();
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages[0].text.startsWith(u"Das Formular kann nicht angezeigt werden."_s));
        QVERIFY(second);
        QCOMPARE(rig.main->CurrentReportForm(), second.data());
        second->hide();
    }

    void greyFormula_data()
    {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("grey");
        QTest::newRow("black") << QColor(0, 0, 0) << 96;
        QTest::newRow("white") << QColor(255, 255, 255) << 223;
        QTest::newRow("red") << QColor(255, 0, 0) << 138;
        QTest::newRow("sum not divisible") << QColor(10, 20, 31) << 106;
        QTest::newRow("odd third") << QColor(3, 0, 0) << 96;
    }
    void greyFormula()
    {
        QFETCH(QColor, colour);
        QFETCH(int, grey);
        QImage picture(2, 2, QImage::Format_ARGB32);
        picture.fill(colour);
        const QImage out = TMainFrm::DisabledGlyph(picture);
        QCOMPARE(out.pixelColor(1, 1), QColor(grey, grey, grey));
    }

    // The show step gives the eight buttons their grey pictures; a picture that is not square
    // ends the run there.
    void disabledPictures()
    {
        TMainFrmRig rig;
        QVERIFY(rig.Show());
        for (QPushButton* b : {rig.main->KdEditBitBtn, rig.main->KdPostBitBtn, rig.main->KdCancelBitBtn,
                               rig.main->KdAppendBitBtn, rig.main->KdDeleteBitBtn, rig.main->MeEditBitBtn,
                               rig.main->MeCancelBitBtn, rig.main->MePostBitBtn}) {
            const QIcon icon = b->icon();
            QVERIFY2(!icon.availableSizes(QIcon::Disabled).isEmpty(), qPrintable(b->objectName()));
            const QImage normal =
                icon.pixmap(16, QIcon::Normal).toImage().convertToFormat(QImage::Format_ARGB32);
            const QImage disabled =
                icon.pixmap(16, QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32);
            const QImage expected = TMainFrm::DisabledGlyph(normal);
            // The opaque pixels of the picture, where the grey is exact.
            int opaque = 0;
            for (int y = 0; y < normal.height(); ++y)
                for (int x = 0; x < normal.width(); ++x)
                    if (qAlpha(normal.pixel(x, y)) == 255) {
                        ++opaque;
                        QCOMPARE(disabled.pixel(x, y), expected.pixel(x, y));
                    }
            QVERIFY(opaque > 0);
        }

        QPushButton square, wide, after;
        QPixmap block(8, 8);
        block.fill(Qt::red);
        QPixmap bar(16, 8);
        bar.fill(Qt::red);
        square.setIcon(QIcon(block));
        wide.setIcon(QIcon(bar));
        after.setIcon(QIcon(block));
        TMainFrm::AddDisabledGlyphs({&square, &wide, &after});
        QCOMPARE(square.icon().pixmap(8, QIcon::Disabled).toImage().pixelColor(4, 4), QColor(138, 138, 138));
        QVERIFY(wide.icon().availableSizes(QIcon::Disabled).isEmpty());
        QVERIFY(after.icon().availableSizes(QIcon::Disabled).isEmpty());
    }

    void menuEntriesOpenTheirDialogs_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("Programm") << u"ProgramSettings1"_s << u"SettingsFrm"_s;
        QTest::newRow("Sprache") << u"Language1"_s << u"LangSettingsFrm"_s;
        QTest::newRow("Demodaten") << u"Demodata1"_s << u"DemoDataFrm"_s;
    }
    void menuEntriesOpenTheirDialogs()
    {
        QFETCH(QString, action);
        QFETCH(QString, dialog);
        TMainFrmRig rig;
        QVERIFY(rig.Show());
        QString shown;
        bool modal = false;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                shown = box->objectName();
                modal = box->isModal();
                box->reject();
            }
        });
        rig.main->findChild<QAction*>(action)->trigger();
        QCOMPARE(shown, dialog);
        QVERIFY(modal);
    }

    // A damaged database file: the message, and the program goes on with what the store allows.
    void damagedDatabase()
    {
        TMainFrmRig rig([](TTestHome&) {
            TDatabase db;
            const QString path = TDatabase::DatabasePath();
            db.CreateDatabase(path);
            db.OpenTables(path);
            db.Database->StartTransaction();
            for (int i = 0; i < 3000; ++i) {
                db.KundenTable->Append();
                db.KundenTable->FieldByName(u"KN"_s).SetAsString(QString::number(i));
                db.KundenTable->FieldByName(u"K1"_s).SetAsString(u"Kunde mit langem Namen %1"_s.arg(i));
                db.KundenTable->Post();
            }
            db.Database->Commit();
            db.CloseTables();
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.seek((file.size() / 4096 / 2) * 4096));
            file.write(QByteArray(4096, '\xA5'));
        });
        rig.main->show();
        QTest::qWait(50);
        // The damaged rows lie inside the file: they come to light when a search reads them, with
        // the store's error for the search and then, once, the message.
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        dialogs.ExpectMessage();
        rig.main->SearchEdit->setText(u"xyz"_s);
        rig.main->SearchBitBtnClick();
        QTRY_COMPARE(dialogs.messages.size(), 2);
        QVERIFY(dialogs.messages[0].text.contains(u"is damaged and needs to be repaired"_s));
        QCOMPARE(dialogs.messages[1].title, u"Datenbankfehler"_s);
        QCOMPARE(dialogs.messages[1].text,
                 u"Die Datenbank wurde beschädigt.\rBitte führen Sie die Reparaturfunktion aus."_s);
        QCOMPARE(int(dialogs.messages[1].icon), int(Dialogs::Icon::Information));
        dialogs.ExpectMessage();
        rig.main->SearchBitBtnClick();
        QTest::qWait(50);
        QCOMPARE(dialogs.messages.size(), 3); // the store's error again, the message not
        // The program is still there with the tables open.
        QVERIFY(rig.main->isVisible());
        QVERIFY(rig.main->KundenTable->Active());
        rig.main->SearchEdit->setText(u"kalvorndest"_s);
        rig.main->SearchBitBtnClick();
        QVERIFY(rig.main->ToolsUnlocked());
    }
};

TQ5_TEST(TMainFrmTest)
#include "tst_MainFrm.moc"
