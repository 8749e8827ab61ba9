#include "ErrorGuard.h"
#include "Platform.h"
#include "ScriptedDialogs.h"
#include "TError.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "uGlobal.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <QDir>
#include <QTest>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
// Scrambles the three settings, so that a test sees whether LoadSettings set each of them.
void Scramble()
{
    DataDrive = u'#';
    NoProt = true;
    Language = u"???"_s;
}

QString Expected(const TTestHome& home, const QString& tail)
{
    return home.path() + u"/data/Kestrom GmbH/tst_shell"_s + tail;
}

// Makes a file undeletable (root only, on file systems that know the flag); false when it cannot.
bool SetImmutable(const QString& path, bool on)
{
#ifndef Q_OS_LINUX
    return false;
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
#endif
}
} // namespace

class TSettingsTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Platform::SetDriveProvider(nullptr); }

    void foldersAreMadeWhenAskedFor()
    {
        TTestHome home;
        QVERIFY(!QFileInfo::exists(home.path() + u"/data/Kestrom GmbH"_s));
        QCOMPARE(GetDataFolder(), Expected(home, {}));
        QVERIFY(QFileInfo(Expected(home, {})).isDir());
        QCOMPARE(GetSettingsFileName(), Expected(home, u"/TQ5Report.INI"_s));
        const QString documents = GetSpecialFolder(CSIDL_PERSONAL);
        QVERIFY(documents.startsWith(home.path()));
        QCOMPARE(GetDocumentsFolder(), documents + u"/tst_shell"_s);
        QVERIFY(QFileInfo(documents + u"/tst_shell"_s).isDir());
        QCOMPARE(GetSpecialFolder(CSIDL_COMMON_APPDATA), home.path() + u"/data"_s);
    }

    // The program's file name less its extension names its data folder: another name, other settings.
    void programBaseName_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("base");
        QTest::newRow("installed") << u"/usr/local/bin/TQ5Report"_s << u"TQ5Report"_s;
        QTest::newRow("renamed") << u"/home/anna/TQ5Report-alt"_s << u"TQ5Report-alt"_s;
        QTest::newRow("with extension") << u"/opt/TQ5Report.bin"_s << u"TQ5Report"_s;
        QTest::newRow("dots in the name") << u"/opt/TQ5.Report.exe"_s << u"TQ5.Report"_s;
        QTest::newRow("dot in the folder only") << u"/opt/v1.2/TQ5Report"_s << u"TQ5Report"_s;
    }
    void programBaseName()
    {
        QFETCH(QString, file);
        QFETCH(QString, base);
        QCOMPARE(ProgramBaseNameOf(file), base);
    }

    void theRunningProgramsName() { QCOMPARE(ProgramBaseName(), u"tst_shell"_s); }

    void loadSettings_data()
    {
        QTest::addColumn<QByteArray>("file"); // "<none>": no settings file, "<folder>": a folder in its place
        QTest::addColumn<QChar>("drive");
        QTest::addColumn<bool>("noProt");
        QTest::addColumn<QString>("language");
        QTest::newRow("no file") << QByteArray("<none>") << QChar(u' ') << false << u"ENG"_s;
        QTest::newRow("unreadable") << QByteArray("<folder>") << QChar(u' ') << false << u"ENG"_s;
        QTest::newRow("empty") << QByteArray() << QChar(u' ') << false << u"ENG"_s;
        QTest::newRow("as saved") << QByteArray(
                                         "[System]\r\nDataDrive=E\r\nNoProt=1\r\n[Main]\r\nLanguage=FRA\r\n")
                                  << QChar(u'E') << true << u"FRA"_s;
        QTest::newRow("blank drive") << QByteArray("[System]\r\nDataDrive= \r\n") << QChar(u' ') << false
                                     << u"ENG"_s;
        QTest::newRow("lower-case drive stays")
            << QByteArray("[System]\r\nDataDrive=e\r\n") << QChar(u'e') << false << u"ENG"_s;
        QTest::newRow("first letter of a longer text")
            << QByteArray("[System]\r\nDataDrive= F:\\ \r\n") << QChar(u'F') << false << u"ENG"_s;
        QTest::newRow("NoProt=yes") << QByteArray("[System]\r\nNoProt=yes\r\n") << QChar(u' ') << false
                                    << u"ENG"_s;
        QTest::newRow("NoProt=2") << QByteArray("[System]\r\nNoProt=2\r\n") << QChar(u' ') << true
                                  << u"ENG"_s;
        QTest::newRow("Language=XYZ")
            << QByteArray("[Main]\r\nLanguage=XYZ\r\n") << QChar(u' ') << false << u"XYZ"_s;
        QTest::newRow("empty language")
            << QByteArray("[Main]\r\nLanguage=\r\n") << QChar(u' ') << false << QString();
        QTest::newRow("keys in the wrong section")
            << QByteArray("[Main]\r\nDataDrive=E\r\nNoProt=1\r\n[System]\r\nLanguage=DEU\r\n") << QChar(u' ')
            << false << u"ENG"_s;
        QTest::newRow("other case, LF only")
            << QByteArray("[system]\nDATADRIVE=g\nnoprot=1\n[MAIN]\nlanguage=deu") << QChar(u'g') << true
            << u"deu"_s;
        QTest::newRow("garbled") << QByteArray("\xff\xfe[Sys\x00tem]\r\nDataDrive\r\n=E\r\n[Main]\xff", 35)
                                 << QChar(u' ') << false << u"ENG"_s;
    }
    void loadSettings()
    {
        QFETCH(QByteArray, file);
        QFETCH(QChar, drive);
        QFETCH(bool, noProt);
        QFETCH(QString, language);
        TTestHome home;
        if (file == "<folder>")
            QVERIFY(QDir().mkpath(GetSettingsFileName()));
        else if (file != "<none>")
            QVERIFY(WriteAll(GetSettingsFileName(), file));
        TScriptedDialogs dialogs; // nothing is reported
        Scramble();
        LoadSettings();
        QCOMPARE(DataDrive, drive);
        QCOMPARE(NoProt, noProt);
        QCOMPARE(Language, language);
    }

    void saveSettings()
    {
        TTestHome home;
        DataDrive = u' ';
        NoProt = false;
        Language = u"ENG"_s;
        SaveSettings();
        QCOMPARE(ReadAll(GetSettingsFileName()),
                 QByteArray("[System]\r\nDataDrive= \r\nNoProt=0\r\n\r\n[Main]\r\nLanguage=ENG\r\n"));

        // The company data and the report defaults of the file are not touched.
        QVERIFY(
            WriteAll(GetSettingsFileName(), "[FirmenFrm]\r\nEdit1=Muster\r\n[System]\r\nDataDrive=E\r\n"));
        DataDrive = u'k';
        NoProt = true;
        Language = u"XYZ"_s;
        SaveSettings();
        QCOMPARE(ReadAll(GetSettingsFileName()),
                 QByteArray("[FirmenFrm]\r\nEdit1=Muster\r\n[System]\r\n"
                            "DataDrive=k\r\nNoProt=1\r\n\r\n[Main]\r\nLanguage=XYZ\r\n"));
        Scramble();
        LoadSettings();
        QCOMPARE(DataDrive, QChar(u'k'));
        QVERIFY(NoProt);
        QCOMPARE(Language, u"XYZ"_s);
    }

    // A data folder that cannot be made: reading gives the defaults, writing fails with the
    // system's message, which the guard shows in the error box; nothing crashes.
    void dataFolderThatCannotBeMade()
    {
        TTestHome home;
        QVERIFY(WriteAll(home.path() + u"/data/Kestrom GmbH"_s, "a file where the folder should be"));
        QCOMPARE(GetDataFolder(), Expected(home, {}));
        Scramble();
        LoadSettings();
        QCOMPARE(DataDrive, QChar(u' '));
        QCOMPARE(Language, u"ENG"_s);

        TScriptedDialogs dialogs;
        dialogs.ExpectMessage();
        QVERIFY(!Guarded(nullptr, [] { SaveSettings(); }));
        QCOMPARE(dialogs.messages.size(), 1);
        const QString text = dialogs.messages[0].text;
        QVERIFY2(text.contains(u"TQ5Report.INI"_s) && text.contains(u"Not a directory"_s), qPrintable(text));
        QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Error));
        DeleteReportPdfs(); // quietly nothing
    }

    void driveAccessible_data()
    {
        QTest::addColumn<QChar>("letter");
        QTest::addColumn<bool>("accessible");
        QTest::newRow("present") << QChar(u'E') << true;
        QTest::newRow("present, lower case") << QChar(u'e') << true;
        QTest::newRow("blank") << QChar(u' ') << false;
        QTest::newRow("missing drive") << QChar(u'H') << false;
        QTest::newRow("no medium") << QChar(u'F') << false;
        QTest::newRow("no medium, lower case") << QChar(u'f') << false;
        QTest::newRow("not a letter") << QChar(u'#') << false;
    }
    void driveAccessible()
    {
        QFETCH(QChar, letter);
        QFETCH(bool, accessible);
        TTestHome home;
        Platform::TMappedDrives drives;
        drives.Add(u'E', home.MakeFolder(u"card"_s));
        drives.AddWithoutMedium(u'F');
        Platform::SetDriveProvider(&drives);
        TScriptedDialogs dialogs; // any box fails the test
        QCOMPARE(DriveAccessible(letter), accessible);
        QVERIFY(dialogs.messages.isEmpty());
    }

    void deleteReportPdfs()
    {
        TTestHome home;
        const QString data = GetDataFolder();
        const QStringList gone{u"BDTRGI2008_103000.pdf"_s, u"UPPER.PDF"_s, u".hidden.pdf"_s, u"a b.Pdf"_s};
        const QStringList kept{u"TQ5Report.INI"_s, u"report.pdf.txt"_s, u"x.pdfx"_s,
                               u"folder.pdf/inner.pdf"_s, u"Demodata/demo.pdf"_s};
        for (const QString& name : gone + kept)
            QVERIFY(WriteAll(data + u'/' + name, "%PDF-1.4\n"));
        // A PDF in a folder outside the data folder is none of ours.
        QVERIFY(WriteAll(home.path() + u"/other.pdf"_s, "x"));

        TScriptedDialogs dialogs;
        DeleteReportPdfs();
        for (const QString& name : gone)
            QVERIFY2(!QFileInfo::exists(data + u'/' + name), qPrintable(name));
        for (const QString& name : kept)
            QVERIFY2(QFileInfo::exists(data + u'/' + name), qPrintable(name));
        QVERIFY(QFileInfo::exists(home.path() + u"/other.pdf"_s));
        QVERIFY(dialogs.messages.isEmpty());
    }

    // A PDF a viewer holds open (here: one that cannot be deleted) stays, without a message, and
    // the others still go.
    void deleteReportPdfsPassesOverOneItCannotDelete()
    {
        TTestHome home;
        const QString data = GetDataFolder();
        QVERIFY(WriteAll(data + u"/a.pdf"_s, "x"));
        QVERIFY(WriteAll(data + u"/held.pdf"_s, "x"));
        QVERIFY(WriteAll(data + u"/z.pdf"_s, "x"));
        TScriptedDialogs dialogs;
        if (SetImmutable(data + u"/held.pdf"_s, true)) {
            DeleteReportPdfs();
            SetImmutable(data + u"/held.pdf"_s, false);
            QVERIFY(QFileInfo::exists(data + u"/held.pdf"_s));
            QVERIFY(!QFileInfo::exists(data + u"/a.pdf"_s));
            QVERIFY(!QFileInfo::exists(data + u"/z.pdf"_s));
        } else {
            // Without the means to hold one file, a folder that refuses every deletion.
            QVERIFY(QFile::setPermissions(data, QFile::ReadOwner | QFile::ExeOwner));
            DeleteReportPdfs();
            QFile::setPermissions(data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QVERIFY(QFileInfo::exists(data + u"/held.pdf"_s));
        }
        QVERIFY(dialogs.messages.isEmpty());
    }
};

TQ5_TEST(TSettingsTest)
#include "tst_Settings.moc"
