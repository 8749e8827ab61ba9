#include "Platform.h"
#include "TestEnv.h"
#include "TestMain.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Platform::TDriveType;

class TDrivesTest : public QObject
{
    Q_OBJECT

    TTestHome m_home;

private slots:
    void cleanup() { Platform::SetDriveProvider(nullptr); }

    // "C" is the root; removable volumes follow from "D" on in the order of their mount points.
    void lettersFromTheMountsTable()
    {
        const QByteArray mounts = ReadAll(QStringLiteral(TQ5_FIXTURES "/mounts"));
        QVERIFY(!mounts.isEmpty());
        const QStringList removableDisks{u"/dev/sdd1"_s, u"/dev/sde1"_s};
        const auto drives = Platform::DrivesFromMounts(
            mounts, [&](const QString& device) { return removableDisks.contains(device); });
        QStringList seen;
        for (const auto& d : drives)
            seen.append(QString(d.letter) + u' ' + d.root + u' ' + d.fileSystem);
        QCOMPARE(seen, (QStringList{
                           u"C / EXT4"_s,
                           u"D /media/anna/A/ VFAT"_s,
                           u"E /media/anna/MY CARD/ VFAT"_s,
                           u"F /mnt/reader/ VFAT"_s,
                           u"G /run/media/anna/STICK/ VFAT"_s,
                       }));
        QCOMPARE(int(drives[0].type), int(TDriveType::Fixed));
        for (qsizetype i = 1; i < drives.size(); ++i)
            QCOMPARE(int(drives[i].type), int(TDriveType::Removable));
        // /mnt/stale now holds the fixed disk mounted over the removable one: no letter.
    }

    void emptyOrBrokenMountsTable()
    {
        QVERIFY(Platform::DrivesFromMounts(QByteArray(), {}).isEmpty());
        QVERIFY(
            Platform::DrivesFromMounts(QByteArray::fromRawData("garbage\n\x00\xff x\n", 12), {}).isEmpty());
    }

    // The system's own drives: there is a "C" for the root, and it is readable.
    void systemDrivesHaveTheRoot()
    {
        const auto c = Platform::Drive(u'c');
        QVERIFY(c.has_value());
        QCOMPARE(c->root, u"/"_s);
        qint64 total = 0;
        QVERIFY(Platform::DriveTotalSize(u'C', &total));
        QVERIFY(total > 0);
    }

    void mappedDrives_data()
    {
        QTest::addColumn<QChar>("letter");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QString>("root"); // "<card>" for the mapped folder
        QTest::newRow("upper case") << QChar(u'E') << true << u"<card>"_s;
        QTest::newRow("lower case") << QChar(u'e') << true << u"<card>"_s;
        QTest::newRow("without medium") << QChar(u'F') << false << u"?"_s;
        QTest::newRow("folder gone") << QChar(u'G') << false << u"?"_s;
        QTest::newRow("missing") << QChar(u'H') << false << QString();
        QTest::newRow("blank") << QChar(u' ') << false << QString();
        QTest::newRow("digit") << QChar(u'1') << false << QString();
        QTest::newRow("umlaut") << QChar(u'Ä') << false << QString();
    }
    void mappedDrives()
    {
        QFETCH(QChar, letter);
        QFETCH(bool, readable);
        QFETCH(QString, root);
        const QString card = m_home.MakeFolder(u"card"_s);
        const QString gone = m_home.MakeFolder(u"gone"_s);
        Platform::TMappedDrives drives;
        drives.Add(u'E', card, TDriveType::Removable, u"TQ5"_s, u"FAT32"_s, 64 << 20, 20 << 20);
        drives.AddWithoutMedium(u'F');
        drives.Add(u'G', gone);
        QVERIFY(QDir(gone).removeRecursively());
        Platform::SetDriveProvider(&drives);

        qint64 total = -1;
        QCOMPARE(Platform::DriveTotalSize(letter, &total), readable);
        if (readable)
            QCOMPARE(total, qint64(64 << 20));
        const QString got = Platform::DriveRoot(letter);
        if (root == u"<card>"_s)
            QCOMPARE(got, card + u'/');
        else if (root == u"?"_s)
            QVERIFY(!got.isEmpty() && !QFileInfo::exists(got)); // a root, but nothing to be read there
        else
            QCOMPARE(got, root);
    }

    void mappedDriveListAndSizes()
    {
        const QString card = m_home.MakeFolder(u"card2"_s);
        Platform::TMappedDrives drives;
        drives.Add(u'k', card, TDriveType::Removable, u"KARTE"_s, u"FAT"_s);
        drives.AddWithoutMedium(u'D', TDriveType::CDRom);
        Platform::SetDriveProvider(&drives);
        const auto list = Platform::Drives();
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[0].letter, QChar(u'D'));
        QVERIFY(!list[0].mediumPresent);
        QCOMPARE(int(list[0].type), int(TDriveType::CDRom));
        QCOMPARE(list[1].letter, QChar(u'K'));
        QCOMPARE(list[1].label, u"KARTE"_s);
        QCOMPARE(list[1].fileSystem, u"FAT"_s);
        // Sizes left open are those of the file system the folder lies on.
        QVERIFY(list[1].total > 0);
        QVERIFY(list[1].free >= 0 && list[1].free <= list[1].total);
    }
};

TQ5_TEST(TDrivesTest)
#include "tst_Drives.moc"
