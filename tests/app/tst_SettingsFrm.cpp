#include "Platform.h"
#include "ScriptedDialogs.h"
#include "TDatabase.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "TImage.h"
#include "TIniFile.h"
#include "TSettingsFrm.h"
#include "uCompanyData.h"
#include "uGlobal.h"

#include <memory>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 MB = 1024 * 1024;

QStringList Entries(const QComboBox* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->itemText(i));
    return out;
}

QStringList FilesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QStringList Texts(const QList<Dialogs::TMessage>& messages)
{
    QStringList out;
    for (const Dialogs::TMessage& m : messages)
        out.append(m.text);
    return out;
}

// Makes one file impossible to delete for its lifetime: its folder read-only, and for root, which
// deletes from read-only folders all the same, the file immutable.
class TUndeletable
{
public:
    explicit TUndeletable(const QString& file) : m_file(file), m_folder(QFileInfo(file).absolutePath())
    {
#ifdef Q_OS_LINUX
        if (geteuid() == 0) {
            const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
            int flags = 0;
            if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags |= FS_IMMUTABLE_FL;
                m_immutable = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
            }
            if (fd >= 0)
                ::close(fd);
            m_works = m_immutable;
            return;
        }
#endif
        m_works = QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    ~TUndeletable()
    {
#ifdef Q_OS_LINUX
        if (m_immutable) {
            const int fd = ::open(QFile::encodeName(m_file).constData(), O_RDONLY);
            int flags = 0;
            if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0)
                ::close(fd);
        }
#endif
        QFile::setPermissions(m_folder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    bool Works() const
    {
        return m_works;
    }

private:
    QString m_file, m_folder;
    bool m_works = false;
    bool m_immutable = false;
};

} // namespace

// The program page and the company page of the settings dialog.
class TSettingsDialogTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_home = std::make_unique<TTestHome>();
        m_drives = std::make_unique<Platform::TMappedDrives>();
        Platform::SetDriveProvider(m_drives.get());
        DataDrive = u' ';
        NoProt = false;
    }
    void cleanup()
    {
        Platform::SetDriveProvider(nullptr);
        Platform::SetClock(nullptr);
        m_drives.reset();
        m_home.reset();
    }

    void driveListOffersTheRemovableDrives()
    {
        m_drives->Add(u'C', m_home->MakeFolder(u"c"_s), Platform::TDriveType::Fixed, u"SYSTEM"_s, u"NTFS"_s,
                      100 * MB, 50 * MB);
        m_drives->Add(u'E', m_home->MakeFolder(u"e"_s), Platform::TDriveType::Removable, u"CARD"_s,
                      u"FAT32"_s, 2000 * MB, 1910 * MB + 1023 * 1024);
        m_drives->AddWithoutMedium(u'F');
        m_drives->Add(u'G', m_home->MakeFolder(u"g"_s), Platform::TDriveType::CDRom, u"DISC"_s, u"CDFS"_s,
                      600 * MB, 0);
        m_drives->Add(u'H', m_home->MakeFolder(u"h"_s), Platform::TDriveType::Removable, QString(), u"VFAT"_s,
                      64 * MB, MB - 1);
        TSettingsFrm dlg;
        dlg.FormShow();
        QCOMPARE(Entries(dlg.ComboBox1),
                 (QStringList{u"E: CARD (FAT32, 1910 MB free. )"_s, u"F:"_s, u"H:  (VFAT, 0 MB free. )"_s}));
    }

    void savedDriveIsPreselected_data()
    {
        QTest::addColumn<QChar>("saved");
        QTest::addColumn<QString>("selected");
        QTest::newRow("present") << QChar(u'F') << u"F:"_s;
        QTest::newRow("gone") << QChar(u'X') << u"E: CARD (FAT32, 10 MB free. )"_s;
        QTest::newRow("none chosen") << QChar(u' ') << u"E: CARD (FAT32, 10 MB free. )"_s;
        // A hand-written lower-case letter matches no entry.
        QTest::newRow("lower case") << QChar(u'f') << u"E: CARD (FAT32, 10 MB free. )"_s;
    }
    void savedDriveIsPreselected()
    {
        QFETCH(QChar, saved);
        QFETCH(QString, selected);
        m_drives->Add(u'E', m_home->MakeFolder(u"e"_s), Platform::TDriveType::Removable, u"CARD"_s,
                      u"FAT32"_s, 100 * MB, 10 * MB);
        m_drives->AddWithoutMedium(u'F');
        DataDrive = saved;
        TSettingsFrm dlg;
        dlg.FormShow();
        QCOMPARE(dlg.ComboBox1->currentText(), selected);
    }

    void applyTakesTheDriveAndTheSwitchAndOtherClosingKeepsThem()
    {
        m_drives->Add(u'E', m_home->MakeFolder(u"e"_s), Platform::TDriveType::Removable, u"CARD"_s,
                      u"FAT32"_s, 100 * MB, 10 * MB);
        m_drives->AddWithoutMedium(u'F');
        DataDrive = u'E';
        TSettingsFrm dlg;

        dlg.show();
        QCOMPARE(dlg.PageControl1->currentWidget(), dlg.SettingsTabSheet);
        dlg.ComboBox1->setCurrentIndex(1);
        dlg.CheckBox1->setChecked(true);
        dlg.PageControl1->setCurrentWidget(dlg.TabSheet1);
        dlg.close();
        QCOMPARE(DataDrive, QChar(u'E'));
        QCOMPARE(NoProt, false);

        dlg.show();
        // Every show starts afresh from the settings, on the first page.
        QCOMPARE(dlg.PageControl1->currentWidget(), dlg.SettingsTabSheet);
        QCOMPARE(dlg.ComboBox1->currentIndex(), 0);
        QCOMPARE(dlg.CheckBox1->isChecked(), false);
        dlg.ComboBox1->setCurrentIndex(1);
        dlg.CheckBox1->setChecked(true);
        QTest::mouseClick(dlg.OKButton, Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(DataDrive, QChar(u'F'));
        QCOMPARE(NoProt, true);
    }

    void applyWithoutAnyDriveKeepsTheDrive()
    {
        DataDrive = u'E';
        TSettingsFrm dlg;
        dlg.FormShow();
        QCOMPARE(dlg.ComboBox1->count(), 0);
        dlg.OKButtonClick();
        QCOMPARE(DataDrive, QChar(u'E'));
    }

    void firstStartGivesTheDefaultsAndTheBuiltInLogo()
    {
        TSettingsFrm dlg;
        QCOMPARE(dlg.Edit1->text(), u"Kestrom GmbH"_s);
        for (QLineEdit* e : {dlg.Edit3, dlg.Edit4, dlg.Edit5, dlg.Edit6, dlg.Edit7})
            QVERIFY(!e->text().isEmpty());
        QVERIFY(dlg.Edit6->text().startsWith(u"Telefon "_s));
        QVERIFY(dlg.Edit7->text().startsWith(u"Telefax "_s));
        QCOMPARE(dlg.Edit8->text(), QString());
        QVERIFY(dlg.CheckBox3->isChecked());
        QCOMPARE(TSettingsFrm::DefaultLogo().size(), QSize(160, 50));
        QCOMPARE(dlg.Image1->Picture(), TSettingsFrm::DefaultLogo());
        QCOMPARE(dlg.Image1->size(), QSize(160, 50));
        // Reports get no company logo while none is chosen.
        QVERIFY(CompanyData().logo.isNull());
        QCOMPARE(CompanyData().name, u"Kestrom GmbH"_s);
    }

    void storedCompanyDataAndLogoAreRead()
    {
        const QString logo = m_home->path() + u"/logo.bmp"_s;
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QVERIFY(picture.save(logo, "BMP"));
        TIniFile file(GetSettingsFileName());
        file.WriteString(u"FirmenFrm"_s, u"Edit1"_s, u"Sanitär Berg"_s);
        file.WriteString(u"FirmenFrm"_s, u"Edit7"_s, QString());
        file.WriteString(u"FirmenFrm"_s, u"Edit8"_s, logo);
        file.WriteBool(u"FirmenFrm"_s, u"CheckBox3"_s, false);

        TSettingsFrm dlg;
        QCOMPARE(dlg.Edit1->text(), u"Sanitär Berg"_s);
        QCOMPARE(dlg.Edit7->text(), QString());
        QCOMPARE(dlg.Edit8->text(), logo);
        QVERIFY(!dlg.CheckBox3->isChecked());
        QCOMPARE(dlg.Image1->Picture().size(), QSize(40, 20));
        QCOMPARE(CompanyData().logo.pixelColor(5, 5), QColor(Qt::darkGreen));

        // The logo file goes away: the next show falls back to the built-in logo and forgets the path.
        QVERIFY(QFile::remove(logo));
        dlg.FormShow();
        QCOMPARE(dlg.Edit8->text(), QString());
        QCOMPARE(dlg.Image1->Picture(), TSettingsFrm::DefaultLogo());
    }

    void typedCompanyNameCountsAtOnceAndIsStoredAtTheEnd()
    {
        auto dlg = std::make_unique<TSettingsFrm>();
        dlg->show();
        dlg->PageControl1->setCurrentWidget(dlg->CompanyTabSheet2);
        dlg->Edit1->clear();
        QTest::keyClicks(dlg->Edit1, u"Rohrbau Winter und Soehne GmbH & Co. KG"_s);
        // At most 35 characters.
        QCOMPARE(dlg->Edit1->text(), u"Rohrbau Winter und Soehne GmbH & Co"_s);
        QCOMPARE(CompanyData().name, u"Rohrbau Winter und Soehne GmbH & Co"_s);

        // Closing the dialog stores only the logo choice; the company data wait for the end.
        dlg->CheckBox3->setChecked(false);
        dlg->close();
        TIniFile file(GetSettingsFileName());
        QCOMPARE(file.ReadSection(u"FirmenFrm"_s), (QStringList{u"Edit8"_s, u"CheckBox3"_s}));
        QCOMPARE(file.ReadBool(u"FirmenFrm"_s, u"CheckBox3"_s, true), false);

        dlg.reset();
        QCOMPARE(file.ReadString(u"FirmenFrm"_s, u"Edit1"_s, {}), u"Rohrbau Winter und Soehne GmbH & Co"_s);
        QCOMPARE(file.ReadString(u"FirmenFrm"_s, u"Edit4"_s, {}),
                 TSettingsFrm::DefaultCompanyText(u"Edit4"_s));
        for (const char* key : {"Edit3", "Edit5", "Edit6", "Edit7", "Edit8", "CheckBox3"})
            QVERIFY(file.ValueExists(u"FirmenFrm"_s, QString::fromLatin1(key)));
    }

    void logoChoice_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: write a real bitmap
        QTest::addColumn<bool>("taken");
        QTest::newRow("bitmap") << QByteArray() << true;
        QTest::newRow("text named .bmp") << QByteArray("kein Bild\r\n") << false;
        QTest::newRow("truncated bitmap") << QByteArray("BM\x36\x00\x00\x00", 6) << false;
    }
    void logoChoice()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, taken);
        const QString before = m_home->path() + u"/before.bmp"_s;
        QImage old(30, 30, QImage::Format_RGB32);
        old.fill(Qt::yellow);
        QVERIFY(old.save(before, "BMP"));
        TIniFile(GetSettingsFileName()).WriteString(u"FirmenFrm"_s, u"Edit8"_s, before);

        const QString chosen = m_home->path() + u"/chosen.bmp"_s;
        if (content.isEmpty()) {
            QImage picture(80, 25, QImage::Format_RGB32);
            picture.fill(Qt::blue);
            QVERIFY(picture.save(chosen, "BMP"));
        } else {
            QVERIFY(WriteAll(chosen, content));
        }

        TSettingsFrm dlg;
        TScriptedDialogs dialogs;
        dialogs.ExpectFile(chosen);
        if (!taken)
            dialogs.ExpectMessage();
        dlg.Button2Click();
        QVERIFY(dialogs.Done());
        QVERIFY(dialogs.files[0].filter.contains(u"*.bmp"_s));
        if (taken) {
            QCOMPARE(dlg.Edit8->text(), chosen);
            QCOMPARE(dlg.Image1->Picture().size(), QSize(80, 25));
        } else {
            QCOMPARE(int(dialogs.messages[0].icon), int(Dialogs::Icon::Error));
            QVERIFY(dialogs.messages[0].text.contains(u"chosen.bmp"_s));
            QCOMPARE(dlg.Edit8->text(), before);
            QCOMPARE(dlg.Image1->Picture().size(), QSize(30, 30));
        }
    }

    void logoChoiceCancelledChangesNothing()
    {
        TSettingsFrm dlg;
        TScriptedDialogs dialogs;
        dialogs.ExpectFile(QString());
        dlg.Button2Click();
        QCOMPARE(dlg.Edit8->text(), QString());
        QCOMPARE(dlg.Image1->Picture(), TSettingsFrm::DefaultLogo());
    }

    void databaseLabelShowsTheFileAndOpensTheFolder()
    {
        Platform::TShellRecorder shell;
        Platform::SetShell(&shell);
        TSettingsFrm dlg;
        dlg.show();
        const QString path = QDir::toNativeSeparators(TDatabase::DatabasePath());
        QCOMPARE(dlg.Label11->toolTip(), path);
        QVERIFY(dlg.Label11->fontMetrics().horizontalAdvance(dlg.Label11->text()) <= 393);
        dlg.PageControl1->setCurrentWidget(dlg.TabSheet1);
        QTest::mouseClick(dlg.Label11, Qt::LeftButton);
        Platform::SetShell(nullptr);
        QCOMPARE(shell.opened, QStringList{GetDataFolder() + u'/'});
    }

private:
    std::unique_ptr<TTestHome> m_home;
    std::unique_ptr<Platform::TMappedDrives> m_drives;
};

// Button8: the card's files replaced by the demonstration files of the data folder.
class TSettingsDemoCardTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_home = std::make_unique<TTestHome>();
        m_drives = std::make_unique<Platform::TMappedDrives>();
        Platform::SetDriveProvider(m_drives.get());
        m_card = m_home->MakeFolder(u"card"_s);
        m_drives->Add(u'E', m_card, Platform::TDriveType::Removable, u"CARD"_s);
        DataDrive = u'E';
        m_demo = GetDataFolder() + u"/Demodata"_s;
        QVERIFY(WriteAll(m_demo + u"/TQ5_0001.DAT"_s, "KN=1\r\n"));
        QVERIFY(WriteAll(m_demo + u"/TQ5_0002.DAT"_s, "KN=2\r\n"));
        QVERIFY(WriteAll(m_demo + u"/Unterordner/nicht.DAT"_s, "KN=9\r\n"));
        QVERIFY(WriteAll(m_card + u"/ALT.DAT"_s, "KN=alt\r\n"));
        QVERIFY(WriteAll(m_card + u"/TQ5_0002.DAT"_s, "KN=vorher\r\n"));
        QVERIFY(WriteAll(m_card + u"/.versteckt"_s, "x"));
        QVERIFY(WriteAll(m_card + u"/ORDNER/BLEIBT.DAT"_s, "KN=bleibt\r\n"));
    }
    void cleanup()
    {
        Platform::SetDriveProvider(nullptr);
        m_drives.reset();
        m_home.reset();
    }

    void cardFilesAreReplacedAndSubFoldersStay()
    {
        TSettingsFrm dlg;
        dlg.show();
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::Yes);
        dialogs.ExpectMessage();
        dlg.Button8Click();
        QVERIFY(dialogs.Done());

        const Dialogs::TMessage& ask = dialogs.messages[0];
        QCOMPARE(ask.title, u"Demodaten erzeugen"_s);
        QCOMPARE(ask.text, u"Daten auf der Speicherkarte werden gelöscht !\rFortfahren ?"_s);
        QCOMPARE(int(ask.icon), int(Dialogs::Icon::Question));
        QCOMPARE(ask.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(dialogs.messages[1].text, u"Fertig !"_s);

        QCOMPARE(FilesIn(m_card), (QStringList{u"TQ5_0001.DAT"_s, u"TQ5_0002.DAT"_s}));
        QCOMPARE(ReadAll(m_card + u"/TQ5_0002.DAT"_s), QByteArray("KN=2\r\n"));
        QCOMPARE(ReadAll(m_card + u"/ORDNER/BLEIBT.DAT"_s), QByteArray("KN=bleibt\r\n"));
        QCOMPARE(dlg.Label12->text(), QString());
        // The demonstration folder is only read.
        QCOMPARE(FilesIn(m_demo), (QStringList{u"TQ5_0001.DAT"_s, u"TQ5_0002.DAT"_s}));
    }

    void anythingButYesChangesNothing_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("No") << int(QMessageBox::No);
        QTest::newRow("Cancel") << int(QMessageBox::Cancel);
    }
    void anythingButYesChangesNothing()
    {
        QFETCH(int, answer);
        const QStringList before = FilesIn(m_card);
        TSettingsFrm dlg;
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::StandardButton(answer));
        dlg.Button8Click();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(FilesIn(m_card), before);
        QCOMPARE(ReadAll(m_card + u"/TQ5_0002.DAT"_s), QByteArray("KN=vorher\r\n"));
    }

    void fileThatCannotBeDeletedStopsBeforeCopying()
    {
        QDir(m_card).removeRecursively();
        QVERIFY(WriteAll(m_card + u"/GESPERRT.DAT"_s, "KN=fest\r\n"));
        TUndeletable locked(m_card + u"/GESPERRT.DAT"_s);
        if (!locked.Works())
            QSKIP("this system offers no way to make a file undeletable");

        TSettingsFrm dlg;
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::Yes);
        dialogs.ExpectMessage();
        dialogs.ExpectMessage();
        dlg.Button8Click();
        QVERIFY(dialogs.Done());
        QCOMPARE(Texts(dialogs.messages).mid(1),
                 (QStringList{u"ERROR DELETE : "_s + QDir::toNativeSeparators(m_card + u"/GESPERRT.DAT"_s),
                              u"Fertig !"_s}));
        QCOMPARE(FilesIn(m_card), QStringList{u"GESPERRT.DAT"_s});
        QCOMPARE(dlg.Label12->text(), QString());
    }

    void withoutDriveNothingIsCopiedAnywhere()
    {
        DataDrive = u' ';
        const QStringList here = FilesIn(QDir::currentPath());
        TSettingsFrm dlg;
        TScriptedDialogs dialogs;
        dialogs.ExpectMessage(QMessageBox::Yes);
        dialogs.ExpectMessage();
        dlg.Button8Click();
        QCOMPARE(dialogs.messages[1].text, u"Fertig !"_s);
        QCOMPARE(FilesIn(QDir::currentPath()), here);
        QCOMPARE(FilesIn(m_card).size(), 3);
    }

private:
    std::unique_ptr<TTestHome> m_home;
    std::unique_ptr<Platform::TMappedDrives> m_drives;
    QString m_card, m_demo;
};

TQ5_TEST(TSettingsDialogTest)
TQ5_TEST(TSettingsDemoCardTest)
#include "tst_SettingsFrm.moc"
