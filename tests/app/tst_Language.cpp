#include "TestEnv.h"
#include "TestMain.h"
#include "TIniFile.h"
#include "uGlobal.h"
#include "uLanguage.h"
#include "Win1252.h"
#include "WindowRegistry.h"

#include <memory>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// A window with one control of every kind a window of the program has, in a fixed component order.
class TSampleFrm : public QWidget
{
public:
    explicit TSampleFrm(const QString& name = u"SampleFrm"_s)
    {
        setObjectName(name);
        setWindowTitle(u"Eingebauter Titel"_s);
        auto* layout = new QVBoxLayout(this);
        auto* bar = new QMenuBar(this);
        File1 = new QMenu(u"&Datei"_s, bar);
        File1->setObjectName(u"File1"_s);
        Quit1 = new QAction(u"&Beenden"_s, File1);
        Quit1->setObjectName(u"Quit1"_s);
        File1->addAction(Quit1);
        bar->addMenu(File1);
        Label1 = Add<QLabel>(u"Label1"_s, u"Kundennummer : "_s);
        Image1 = Add<QLabel>(u"Image1"_s, QString());
        QPixmap picture(16, 16);
        picture.fill(Qt::red);
        Image1->setPixmap(picture);
        Button1 = Add<QPushButton>(u"Button1"_s, u"Übernehmen"_s);
        CheckBox1 = Add<QCheckBox>(u"CheckBox1"_s, u"Kestrom Logo"_s);
        Edit1 = new QLineEdit(u"Meier"_s, this);
        Edit1->setObjectName(u"Edit1"_s);
        Edit1->setClearButtonEnabled(true);
        ComboBox1 = new QComboBox(this);
        ComboBox1->setObjectName(u"ComboBox1"_s);
        ComboBox1->addItem(u"E:"_s);
        SpeedButton1 = Add<QToolButton>(u"SpeedButton1"_s, u"Knopf"_s);
        PageControl = new QTabWidget(this);
        PageControl->setObjectName(u"PageControl"_s);
        TabSheet1 = new QWidget;
        TabSheet1->setObjectName(u"TabSheet1"_s);
        PageControl->addTab(TabSheet1, u"   Datenbank   "_s);
        Label2 = new QLabel(u"Datenbankdatei : "_s, TabSheet1);
        Label2->setObjectName(u"Label2"_s);
        for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Image1),
                           static_cast<QWidget*>(Button1), static_cast<QWidget*>(CheckBox1),
                           static_cast<QWidget*>(Edit1), static_cast<QWidget*>(ComboBox1),
                           static_cast<QWidget*>(SpeedButton1), static_cast<QWidget*>(PageControl)})
            layout->addWidget(w);
        // A dialog the window owns is a window of its own and keeps its captions.
        auto* other = new QDialog(this);
        other->setObjectName(u"OtherFrm"_s);
        auto* otherLabel = new QLabel(u"Fremd"_s, other);
        otherLabel->setObjectName(u"Label9"_s);
    }

    template <typename T> T* Add(const QString& name, const QString& caption)
    {
        auto* w = new T(this);
        w->setObjectName(name);
        w->setText(caption);
        return w;
    }

    QMenu* File1;
    QAction* Quit1;
    QLabel* Label1;
    QLabel* Image1;
    QPushButton* Button1;
    QCheckBox* CheckBox1;
    QLineEdit* Edit1;
    QComboBox* ComboBox1;
    QToolButton* SpeedButton1;
    QTabWidget* PageControl;
    QWidget* TabSheet1;
    QLabel* Label2;
};

// An INI file's bytes: Windows-1252 lines ended by CR LF.
QByteArray Lines(std::initializer_list<const char*> lines)
{
    QByteArray out;
    for (const char* line : lines)
        out += Win1252::Encode(QString::fromUtf8(line)) + "\r\n";
    return out;
}

// Makes a file unwritable for its lifetime: read-only, and (since root writes read-only files all
// the same) the process may write no byte to any file, as on a full disk.
class TUnwritable
{
public:
    explicit TUnwritable(const QString& path) : m_path(path)
    {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
#ifdef Q_OS_UNIX
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit none = m_old;
        none.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &none);
#endif
    }
    ~TUnwritable()
    {
#ifdef Q_OS_UNIX
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
#endif
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

private:
    QString m_path;
#ifdef Q_OS_UNIX
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
#endif
};

} // namespace

class TLanguageFileTest : public QObject
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
        SetReportCatalogueBuilder({});
        m_home.reset();
    }

    void missingFileIsFilledWithTheShownCaptionsInComponentOrder()
    {
        TSampleFrm w;
        TranslateForm(&w, u"ENG"_s);

        const QString path = GetDataFolder() + u"/Language.ENG"_s;
        QCOMPARE(LanguageFileName(u"ENG"_s), path);
        TIniFile file(path);
        QCOMPARE(file.ReadSections(), QStringList{u"SampleFrm"_s});
        QCOMPARE(file.ReadSection(u"SampleFrm"_s),
                 (QStringList{u"SampleFrmCaption"_s, u"File1"_s, u"Quit1"_s, u"Label1"_s, u"Button1"_s,
                              u"CheckBox1"_s, u"TabSheet1"_s, u"Label2"_s}));
        // The caption as it was shown goes in unchanged, blanks and all.
        const QByteArray bytes = ReadAll(path);
        QVERIFY(bytes.contains("\r\nTabSheet1=   Datenbank   \r\n"));
        QVERIFY(bytes.contains("\r\nButton1=\xDC"
                               "bernehmen\r\n"));
        QCOMPARE(file.ReadString(u"SampleFrm"_s, u"SampleFrmCaption"_s, {}), u"SampleFrm"_s);

        // The title defaults to the object name, not to the title shown before.
        QCOMPARE(w.windowTitle(), u"SampleFrm"_s);
        QCOMPARE(w.Label1->text(), u"Kundennummer : "_s);
        QCOMPARE(w.PageControl->tabText(0), u"   Datenbank   "_s);
        QVERIFY(!w.Image1->pixmap().isNull());
        QCOMPARE(w.Edit1->text(), u"Meier"_s);
    }

    void fileTextsReplaceTheCaptions()
    {
        const QString path = LanguageFileName(u"ENG"_s);
        const QByteArray text =
            Lines({"[SampleFrm]", "SampleFrmCaption=Sample window", "File1=&File", "Quit1=E&xit",
                   "label1 = Customer number:", "Button1=", "CheckBox1=Kestrom logo", "TabSheet1=Database",
                   "Label2=Database file:", "Edit1=not a caption", "SpeedButton1=not a caption"});
        QVERIFY(WriteAll(path, text));

        TSampleFrm w;
        TranslateForm(&w, u"ENG"_s);

        QCOMPARE(w.windowTitle(), u"Sample window"_s);
        QCOMPARE(w.File1->title(), u"&File"_s);
        QCOMPARE(w.Quit1->text(), u"E&xit"_s);
        QCOMPARE(w.Label1->text(), u"Customer number:"_s);
        // A key with an empty value gives an empty caption.
        QCOMPARE(w.Button1->text(), QString());
        QCOMPARE(w.CheckBox1->text(), u"Kestrom logo"_s);
        QCOMPARE(w.PageControl->tabText(0), u"Database"_s);
        QCOMPARE(w.Label2->text(), u"Database file:"_s);
        // Edits and flat tool buttons are no captions, even when the file names them.
        QCOMPARE(w.Edit1->text(), u"Meier"_s);
        QCOMPARE(w.SpeedButton1->text(), u"Knopf"_s);
        // A window the translated one owns is left alone.
        QCOMPARE(w.findChild<QLabel*>(u"Label9"_s)->text(), u"Fremd"_s);
        // Nothing was missing, so the file is as it was.
        QCOMPARE(ReadAll(path), text);
    }

    void switchingFillsTheNewFileWithTheTextShownBefore()
    {
        QVERIFY(WriteAll(LanguageFileName(u"DEU"_s), Lines({"[SampleFrm]", "SampleFrmCaption=Beispiel",
                                                            "Label1=Kundennr.:", "Button1=OK"})));
        QVERIFY(WriteAll(LanguageFileName(u"FRA"_s), Lines({"[SampleFrm]", "Label1=Numéro :"})));

        TSampleFrm w;
        TranslateForm(&w, u"DEU"_s);
        TranslateForm(&w, u"FRA"_s);

        TIniFile fra(LanguageFileName(u"FRA"_s));
        QCOMPARE(w.Label1->text(), QString::fromUtf8("Numéro :"));
        // The key the French file lacked is added with the text the German file had given.
        QCOMPARE(fra.ReadString(u"SampleFrm"_s, u"Button1"_s, u"missing"_s), u"OK"_s);
        QCOMPARE(w.Button1->text(), u"OK"_s);
        // A missing title is the object name, and it is written back.
        QCOMPARE(w.windowTitle(), u"SampleFrm"_s);
        QCOMPARE(fra.ReadString(u"SampleFrm"_s, u"SampleFrmCaption"_s, u"missing"_s), u"SampleFrm"_s);
        QVERIFY(ReadAll(LanguageFileName(u"FRA"_s)).contains("\r\nLabel1=Num\xE9ro :\r\n"));
    }

    void unwritableFileStillGivesItsTextsAndStaysAsItWas()
    {
        const QString path = LanguageFileName(u"FRA"_s);
        const QByteArray text = Lines({"[SampleFrm]", "Label1=Client :", "CheckBox1=Logo Kestrom"});
        QVERIFY(WriteAll(path, text));

        TSampleFrm w;
        {
            TUnwritable guard(path);
            TranslateForm(&w, u"FRA"_s);
        }
        QCOMPARE(w.Label1->text(), u"Client :"_s);
        QCOMPARE(w.CheckBox1->text(), u"Logo Kestrom"_s);
        QCOMPARE(w.Button1->text(), QString::fromUtf8("Übernehmen"));
        QCOMPARE(w.windowTitle(), u"SampleFrm"_s);
        QCOMPARE(ReadAll(path), text);
    }

    void garbledFileGivesWhatItCanAndIsRepairedByTheWrites()
    {
        const QString path = LanguageFileName(u"ENG"_s);
        static const char raw[] = "\x00\xff\xfe\x81\x8d\x90 junk\r\n[Sample\r\n=no key\r\n"
                                  "[SampleFrm]\n\x9d\x8f==\rLabel1=Number\r\nButton1\r\n";
        const QByteArray garbage = QByteArray(raw, sizeof(raw) - 1) + QByteArray(3000, '\x01') + "\r\n";
        QVERIFY(WriteAll(path, garbage));

        TSampleFrm w;
        TranslateForm(&w, u"ENG"_s);

        QCOMPARE(w.Label1->text(), u"Number"_s);
        QCOMPARE(w.Button1->text(), QString::fromUtf8("Übernehmen"));
        TIniFile file(path);
        QCOMPARE(file.ReadString(u"SampleFrm"_s, u"Button1"_s, {}), QString::fromUtf8("Übernehmen"));
        QCOMPARE(file.ReadString(u"SampleFrm"_s, u"Label1"_s, {}), u"Number"_s);
    }

    void applyLanguageTranslatesTheWindowsThenRebuildsTheCatalogueThenTitlesTheMainWindow()
    {
        QVERIFY(WriteAll(LanguageFileName(u"ENG"_s), Lines({"[MainFrm]", "MainFrmCaption=Main window",
                                                            "Label1=Customer:", "[SettingsFrm]",
                                                            "SettingsFrmCaption=Program settings"})));
        // Created in another order than they are translated; the debug window is not translated.
        TSampleFrm settings(u"SettingsFrm"_s);
        TSampleFrm debug(u"DebugFrm"_s);
        TSampleFrm langRes(u"LangResFrm"_s);
        TSampleFrm main(u"MainFrm"_s);
        for (QWidget* w : {static_cast<QWidget*>(&settings), static_cast<QWidget*>(&debug),
                           static_cast<QWidget*>(&langRes), static_cast<QWidget*>(&main)})
            Windows::Register(w);

        QStringList seenByBuilder;
        SetReportCatalogueBuilder([&] {
            seenByBuilder = {main.windowTitle(), main.Label1->text(), settings.windowTitle()};
        });
        ApplyLanguage(u"ENG"_s);

        QCOMPARE(seenByBuilder, (QStringList{u"Main window"_s, u"Customer:"_s, u"Program settings"_s}));
        QCOMPARE(main.windowTitle(), u"TQ5 Report 1.075"_s);
        QCOMPARE(langRes.windowTitle(), u"LangResFrm"_s);
        QCOMPARE(debug.windowTitle(), u"Eingebauter Titel"_s);
        TIniFile file(LanguageFileName(u"ENG"_s));
        QCOMPARE(file.ReadSections(), (QStringList{u"MainFrm"_s, u"SettingsFrm"_s, u"LangResFrm"_s}));
        QCOMPARE(file.ReadString(u"MainFrm"_s, u"MainFrmCaption"_s, {}), u"Main window"_s);
    }

    void unofferedCodeNamesItsOwnFile()
    {
        TSampleFrm main(u"MainFrm"_s);
        Windows::Register(&main);
        ApplyLanguage(u"XYZ"_s);
        QVERIFY(QFile::exists(GetDataFolder() + u"/Language.XYZ"_s));
        QCOMPARE(TIniFile(LanguageFileName(u"XYZ"_s)).ReadString(u"MainFrm"_s, u"Label1"_s, {}),
                 u"Kundennummer :"_s);
    }

private:
    std::unique_ptr<TTestHome> m_home;
};

TQ5_TEST(TLanguageFileTest)
#include "tst_Language.moc"
