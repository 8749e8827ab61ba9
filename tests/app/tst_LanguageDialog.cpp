#include "Platform.h"
#include "TApplicationStart.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "TIniFile.h"
#include "TLangResFrm.h"
#include "TLangSettingsFrm.h"
#include "TMainFrm.h"
#include "TSettingsFrm.h"
#include "uFormulare.h"
#include "uGlobal.h"
#include "uLanguage.h"
#include "uShippedFiles.h"
#include "WindowRegistry.h"

#include <memory>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

// The language list, its preselection, and a change of language in the dialog.
class TLanguageDialogTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_home = std::make_unique<TTestHome>();
        Language = u"ENG"_s;
    }
    void cleanup()
    {
        m_program.reset();
        Platform::SetUserLocale(std::nullopt);
        SetReportCatalogueBuilder({});
        m_home.reset();
    }

    void listOffersTheThreeCodesAndSelectsTheOneInUse_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("saved"); // empty: no settings file
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("applied");
        // The saved language defaults to ENG, which then wins over the German locale.
        QTest::newRow("German user, first start") << u"de_DE"_s << QString() << u"ENG"_s << u"ENG"_s;
        QTest::newRow("saved language wins") << u"de_DE"_s << u"FRA"_s << u"FRA"_s << u"FRA"_s;
        QTest::newRow("unknown code, French user") << u"fr_FR"_s << u"XYZ"_s << u"FRA"_s << u"XYZ"_s;
        QTest::newRow("unknown code, US user") << u"en_US"_s << u"XYZ"_s << u"ENG"_s << u"XYZ"_s;
        QTest::newRow("unknown code, Italian user") << u"it_IT"_s << u"XYZ"_s << u"ENG"_s << u"XYZ"_s;
    }
    void listOffersTheThreeCodesAndSelectsTheOneInUse()
    {
        QFETCH(QString, locale);
        QFETCH(QString, saved);
        QFETCH(QString, selected);
        QFETCH(QString, applied);
        Platform::SetUserLocale(QLocale(locale));
        if (!saved.isEmpty())
            TIniFile(GetSettingsFileName()).WriteString(u"Main"_s, u"Language"_s, saved);
        Start();

        InitLanguageList();

        auto* dialog = Windows::Get<TLangSettingsFrm>(u"LangSettingsFrm"_s);
        QStringList items;
        for (int i = 0; i < dialog->ComboBox1->count(); ++i)
            items.append(dialog->ComboBox1->itemText(i));
        QCOMPARE(items, (QStringList{u"ENG"_s, u"DEU"_s, u"FRA"_s}));
        QVERIFY(!dialog->ComboBox1->isEditable());
        QCOMPARE(dialog->ComboBox1->currentText(), selected);
        // Preselecting is no choice: the language in use stays the saved one, unknown or not.
        QCOMPARE(Language, applied);
        QVERIFY(QFile::exists(LanguageFileName(applied)));
        QCOMPARE(m_program->MainFrm()->windowTitle(), u"TQ5 Report 1.075"_s);
    }

    void choosingALanguageSwitchesEveryWindowAndFillsWhatTheFileLacks()
    {
        InstallShippedFiles();
        // The French file lacks one key: it gets the German text that was shown before.
        TIniFile(LanguageFileName(u"FRA"_s)).DeleteKey(u"SettingsFrm"_s, u"Button3"_s);
        TIniFile(GetSettingsFileName()).WriteString(u"Main"_s, u"Language"_s, u"DEU"_s);
        Start();
        InitLanguageList();
        auto* settings = Windows::Get<TSettingsFrm>(u"SettingsFrm"_s);
        QCOMPARE(settings->windowTitle(), u"Programmeinstellungen"_s);
        QCOMPARE(Msg(u"Label84"_s), u"Fortfahren ?"_s);
        QCOMPARE(Formular(1).Title, u"Belastungs-Dichtheitsprüfung-TRGI2018"_s);

        auto* dialog = Windows::Get<TLangSettingsFrm>(u"LangSettingsFrm"_s);
        dialog->ComboBox1->setCurrentIndex(dialog->ComboBox1->findText(u"FRA"_s));
        // Selecting in code is not yet the user's choice.
        QCOMPARE(Language, u"DEU"_s);
        emit dialog->ComboBox1->activated(dialog->ComboBox1->currentIndex());

        QCOMPARE(Language, u"FRA"_s);
        QCOMPARE(settings->windowTitle(), u"Paramètres du programme"_s);
        QCOMPARE(settings->Button3->text(), u"Datenbank reparieren"_s);
        QCOMPARE(TIniFile(LanguageFileName(u"FRA"_s)).ReadString(u"SettingsFrm"_s, u"Button3"_s, {}),
                 u"Datenbank reparieren"_s);
        QCOMPARE(settings->Button4->text(), u"Compacter la base"_s);
        QCOMPARE(dialog->windowTitle(), u"Choix de la langue"_s);
        QCOMPARE(Msg(u"Label84"_s), u"Continuer ?"_s);
        QCOMPARE(MsgF(u"Label4"_s, {u"E"_s}), u"Le lecteur E: n'est pas accessible."_s);
        // The report catalogue follows, and the main window keeps its own title.
        QCOMPARE(Formular(1).Title, u"Essai résistance mécanique étanchéité TRGI2018"_s);
        QCOMPARE(Formular(1).FormName, u"FRM_FR_BDTRGI2008"_s);
        QCOMPARE(m_program->MainFrm()->windowTitle(), u"TQ5 Report 1.075"_s);
        // The choice reaches the settings file at the end of the run.
        QCOMPARE(TIniFile(GetSettingsFileName()).ReadString(u"Main"_s, u"Language"_s, {}), u"DEU"_s);
        m_program.reset();
        QCOMPARE(TIniFile(GetSettingsFileName()).ReadString(u"Main"_s, u"Language"_s, {}), u"FRA"_s);
    }

private:
    void Start()
    {
        m_program = std::make_unique<TApplicationStart>();
        m_program->Start();
    }

    std::unique_ptr<TTestHome> m_home;
    std::unique_ptr<TApplicationStart> m_program;
};

TQ5_TEST(TLanguageDialogTest)
#include "tst_LanguageDialog.moc"
