#include "TestMain.h"
#include "TReportFormRegistry.h"
#include "uFormulare.h"
#include "uGlobal.h"
#include "WindowRegistry.h"

#include <QComboBox>
#include <QTest>

using namespace Qt::StringLiterals;

class TReportCatalogueTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { FillReportCatalogue(u"DEU"_s); }

    // Every title and form name as the report choice list and the registry see them.
    void rowsOfEachLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("formName");
        QTest::addColumn<QString>("mtnrList");
        const struct
        {
            const char* language;
            int row;
            const char* title;
            const char* formName;
            const char* list;
        } rows[] = {
            {"DEU", 1, "Belastungs-Dichtheitsprüfung-TRGI2018", "FRM_DE_BDTRGI2008", ";1;2;"},
            {"ENG", 1, "Load-And-Tightness TestTRGI2018", "FRM_EN_BDTRGI2008", ";1;2;"},
            {"FRA", 1, "Essai résistance mécanique étanchéité TRGI2018", "FRM_FR_BDTRGI2008", ";1;2;"},
            {"DEU", 2, "Gebrauchsfähigkeitsprüfung TRGI2018", "FRM_DE_GGTRGI2008", ";3;"},
            {"ENG", 2, "Usability-test-TRGI2018", "FRM_EN_GGTRGI2008", ";3;"},
            {"FRA", 2, "Essai taux de fuite TRGI2018", "FRM_FR_GGTRGI2008", ";3;"},
            {"DEU", 3, "Heizungsanlagenprüfung-nach-DIN18380", "FRM_DE_DHDIN18380", ";4;"},
            {"ENG", 3, "Heating-plant-check-acc-DIN18380", "FRM_EN_DHDIN18380", ";4;"},
            {"FRA", 3, "Essai installation chauffage DIN18380", "FRM_FR_DHDIN18380", ";4;"},
            {"DEU", 4, "Kanalprüfung-nach-DIN-EN1610", "FRM_DE_KPDIN1610", ";5;"},
            {"ENG", 4, "Sewer-check-acc-DIN-EN1610", "FRM_EN_KPDIN1610", ";5;"},
            {"FRA", 4, "Essai conduite DIN EN1610DIN EN1610", "FRM_FR_KPDIN1610", ";5;"},
            {"DEU", 5, "Trinkwasseranlage-DIN-EN-806-4-nass", "FRM_DE_DTDIN8064N", ";6;7;8;"},
            {"ENG", 5, "Drinking-water-plant-DIN-EN-806-4-wet", "FRM_EN_DTDIN8064N", ";6;7;8;"},
            {"FRA", 5, "Installation eau potable DIN EN 806-4 humide", "FRM_FR_DTDIN8064N", ";6;7;8;"},
            {"DEU", 6, "Trinkwasseranlage-DIN-EN-806-4-trocken", "FRM_DE_DTDIN8064T", ";9;10;"},
            {"ENG", 6, "Drinking-water-plant-DIN-EN-806-4-dry", "FRM_EN_DTDIN8064T", ";9;10;"},
            {"FRA", 6, "Installation eau potable DIN-EN-806-4 sec", "FRM_FR_DTDIN8064T", ";9;10;"},
            {"DEU", 7, "Druck-Dichtheitsprüfung-Flüssiggas-TRF", "FRM_DE_DDGAS_TRF", ";13;14;"},
            {"ENG", 7, "Load-and-Tightness-Test-Liquid-Gas-TRF", "FRM_EN_DDGAS_TRF", ";13;14;"},
            {"FRA", 7, "Load-and-Tightness-Test-Liquid-Gas-TRF", "FRM_FR_DDGAS_TRF", ";13;14;"},
        };
        for (const auto& r : rows)
            QTest::addRow("%s %d", r.language, r.row)
                << QString::fromLatin1(r.language) << r.row << QString::fromUtf8(r.title)
                << QString::fromLatin1(r.formName) << QString::fromLatin1(r.list);
    }
    void rowsOfEachLanguage()
    {
        QFETCH(QString, language);
        QFETCH(int, row);
        QFETCH(QString, title);
        QFETCH(QString, formName);
        QFETCH(QString, mtnrList);
        FillReportCatalogue(language);
        QCOMPARE(Formular(row).Title, title);
        QCOMPARE(Formular(row).FormName, formName);
        QCOMPARE(Formular(row).MTNRList, mtnrList);
    }

    // Only the three codes, spelt exactly, replace the texts; the test type lists are always set.
    void unknownLanguageKeepsTheTexts_data()
    {
        QTest::addColumn<QString>("code");
        QTest::newRow("lower case") << u"eng"_s;
        QTest::newRow("other code") << u"ITA"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("blank after") << u"FRA "_s;
    }
    void unknownLanguageKeepsTheTexts()
    {
        QFETCH(QString, code);
        FillReportCatalogue(u"ENG"_s);
        FillReportCatalogue(code);
        QCOMPARE(Formular(2).Title, u"Usability-test-TRGI2018"_s);
        QCOMPARE(Formular(7).FormName, u"FRM_EN_DDGAS_TRF"_s);
        QCOMPARE(Formular(5).MTNRList, u";6;7;8;"_s);
    }

    // The number searched for is enclosed in ";": 1 is not found in ";13;14;", 4 not in ";14;".
    void choiceForTestType_data()
    {
        QTest::addColumn<int>("mtnr");
        QTest::addColumn<QStringList>("titles");
        const QString gas = u"Belastungs-Dichtheitsprüfung-TRGI2018"_s;
        const QString wet = u"Trinkwasseranlage-DIN-EN-806-4-nass"_s;
        const QString liquidGas = u"Druck-Dichtheitsprüfung-Flüssiggas-TRF"_s;
        QTest::newRow("1") << 1 << QStringList{gas};
        QTest::newRow("2") << 2 << QStringList{gas};
        QTest::newRow("3") << 3 << QStringList{u"Gebrauchsfähigkeitsprüfung TRGI2018"_s};
        QTest::newRow("4") << 4 << QStringList{u"Heizungsanlagenprüfung-nach-DIN18380"_s};
        QTest::newRow("6") << 6 << QStringList{wet};
        QTest::newRow("7") << 7 << QStringList{wet};
        QTest::newRow("8") << 8 << QStringList{wet};
        QTest::newRow("10") << 10 << QStringList{u"Trinkwasseranlage-DIN-EN-806-4-trocken"_s};
        QTest::newRow("13") << 13 << QStringList{liquidGas};
        QTest::newRow("14") << 14 << QStringList{liquidGas};
        QTest::newRow("0 logger") << 0 << QStringList{};
        QTest::newRow("11 logger") << 11 << QStringList{};
        QTest::newRow("12 logger") << 12 << QStringList{};
        QTest::newRow("out of range") << 15 << QStringList{};
        QTest::newRow("negative") << -1 << QStringList{};
    }
    void choiceForTestType()
    {
        QFETCH(int, mtnr);
        QFETCH(QStringList, titles);
        QCOMPARE(FittingReportTitles(mtnr), titles);
    }

    void frenchLiquidGasTitleNamesTheFrenchForm()
    {
        FillReportCatalogue(u"FRA"_s);
        const QStringList titles = FittingReportTitles(13);
        QCOMPARE(titles, QStringList{u"Load-and-Tightness-Test-Liquid-Gas-TRF"_s});
        QCOMPARE(FormNamesForTitle(titles.first()), QStringList{u"FRM_FR_DDGAS_TRF"_s});
    }

    // A catalogue filled with a code it does not know has empty rows: nothing is offered and
    // an empty entry names no form.
    void rowsWithoutTitleOfferNothing()
    {
        FillReportCatalogue(u"XXX"_s); // keeps DEU from init()
        QVERIFY(!FittingReportTitles(1).isEmpty());
        QVERIFY(FormNamesForTitle(QString()).isEmpty());
        QVERIFY(FormNamesForTitle(u"Essai taux de fuite TRGI2018"_s).isEmpty());
    }

    void listingKeepsTheSelectedPosition()
    {
        // Nothing selected before: nothing selected after.
        QComboBox list;
        ListReportTitles(&list);
        QCOMPARE(list.count(), FormularCount);
        QCOMPARE(list.currentIndex(), -1);
        list.setCurrentIndex(4);

        FillReportCatalogue(u"ENG"_s);
        ListReportTitles(&list);
        QCOMPARE(list.count(), FormularCount);
        QCOMPARE(list.currentIndex(), 4);
        QCOMPARE(list.currentText(), u"Drinking-water-plant-DIN-EN-806-4-wet"_s);
        QCOMPARE(list.itemText(0), u"Load-And-Tightness TestTRGI2018"_s);

        // A list filtered down to fewer entries than the catalogue still comes back whole.
        list.clear();
        list.addItem(u"Sewer-check-acc-DIN-EN1610"_s);
        QCOMPARE(list.currentIndex(), 0);
        ListReportTitles(&list);
        QCOMPARE(list.count(), FormularCount);
        QCOMPARE(list.currentIndex(), 0);
        QCOMPARE(list.currentText(), u"Load-And-Tightness TestTRGI2018"_s);
    }

    // The catalogue builder fills the main window's choice list in the current language.
    void buildingListsTheTitlesInTheMainWindow()
    {
        QWidget main;
        main.setObjectName(u"MainFrm"_s);
        auto* list = new QComboBox(&main);
        list->setObjectName(u"AvailFrmsComboBox"_s);
        Windows::Register(&main);
        const QString saved = Language;
        Language = u"FRA"_s;
        BuildReportCatalogue();
        Language = saved;
        QCOMPARE(list->count(), FormularCount);
        QCOMPARE(list->itemText(1), u"Essai taux de fuite TRGI2018"_s);
        QCOMPARE(Formular(1).FormName, u"FRM_FR_BDTRGI2008"_s);
    }

    // Every form a catalogue row names in any language is one of the registry's classes.
    void catalogueNamesRegisteredClasses()
    {
        const QStringList& classes = ReportFormClassNames();
        QCOMPARE(classes.size(), 21);
        QCOMPARE(QSet<QString>(classes.begin(), classes.end()).size(), 21);
        QStringList named;
        for (const QString& language : {u"DEU"_s, u"ENG"_s, u"FRA"_s}) {
            FillReportCatalogue(language);
            for (int row = 1; row <= FormularCount; ++row)
                named << u"T"_s + Formular(row).FormName;
        }
        QCOMPARE(QSet<QString>(named.begin(), named.end()), QSet<QString>(classes.begin(), classes.end()));
        QCOMPARE(classes.first(), u"TFRM_DE_BDTRGI2008"_s);
        QCOMPARE(classes[7], u"TFRM_EN_BDTRGI2008"_s);
        QCOMPARE(classes.last(), u"TFRM_FR_DDGAS_TRF"_s);
    }

    void registryCreatesOnlyWhatItHolds()
    {
        RegisterReportForms();
        QWidget owner;
        QVERIFY(!CreateReportForm(u"TFRM_XX_NONE"_s, &owner));
        RegisterReportFormClass(u"TFRM_DE_KPDIN1610"_s, [](QWidget* o) {
            auto* form = new QWidget(o);
            form->setObjectName(u"FRM_DE_KPDIN1610"_s);
            return form;
        });
        QVERIFY(ReportFormRegistered(u"TFRM_DE_KPDIN1610"_s));
        QWidget* form = CreateReportForm(u"TFRM_DE_KPDIN1610"_s, &owner);
        QVERIFY(form);
        QCOMPARE(form->parent(), &owner);
        RegisterReportFormClass(u"TFRM_DE_KPDIN1610"_s, {});
        QVERIFY(!ReportFormRegistered(u"TFRM_DE_KPDIN1610"_s));
    }
};

TQ5_TEST(TReportCatalogueTest)
#include "tst_ReportCatalogue.moc"
