#include "TError.h"
#include "TestEnv.h"
#include "TestMain.h"
#include "TIniFile.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Every byte of a literal, the NULs inside included.
template <size_t N> QByteArray Bytes(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}
} // namespace

class TIniFileTest : public QObject
{
    Q_OBJECT

    TTestHome m_home;
    QString File(const QString& name) const { return m_home.path() + u'/' + name; }

private slots:
    // Changing one value and adding keys and a section leaves every other line as it was.
    void keepsWhatItDidNotWrite()
    {
        const QString path = File(u"keep.ini"_s);
        QVERIFY(QFile::copy(QStringLiteral(TQ5_FIXTURES "/settings.ini"), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        TIniFile ini(path);
        ini.WriteString(u"firmenfrm"_s, u"EDIT3"_s, u"Hauptstraße 7"_s);
        ini.WriteString(u"FirmenFrm"_s, u"Edit8"_s, u"C:\\Logo.bmp"_s);
        ini.WriteBool(u"FRM_DE_BDTRGI2008"_s, u"CheckBox3"_s, true);
        QCOMPARE(ReadAll(path), ReadAll(QStringLiteral(TQ5_FIXTURES "/settings-written.ini")));
    }

    void findsSectionsAndKeysWithoutRegardToCase_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("as written, value trimmed") << u"System"_s << u"DataDrive"_s << u"E"_s;
        QTest::newRow("other case") << u"SYSTEM"_s << u"datadrive"_s << u"E"_s;
        QTest::newRow("blanks around the names") << u" main "_s << u" Language "_s << u"DEU"_s;
        QTest::newRow("key spelled with a blank in the file")
            << u"FirmenFrm"_s << u"edit3"_s << u"Musterweg 1"_s;
        QTest::newRow("key of another section") << u"Main"_s << u"Edit1"_s << u"<default>"_s;
        QTest::newRow("missing section") << u"Nirgends"_s << u"Edit1"_s << u"<default>"_s;
        QTest::newRow("line without =") << u"FirmenFrm"_s << u"not a key"_s << u"<default>"_s;
        QTest::newRow("comment") << u"FirmenFrm"_s << u"; unknown lines stay"_s << u"<default>"_s;
    }
    void findsSectionsAndKeysWithoutRegardToCase()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const TIniFile ini(QStringLiteral(TQ5_FIXTURES "/settings.ini"));
        QCOMPARE(ini.ReadString(section, key, u"<default>"_s), value);
    }

    void writesCrLfAndWindows1252()
    {
        const QString path = File(u"new.ini"_s);
        TIniFile ini(path);
        QVERIFY(!QFile::exists(path));
        ini.WriteString(u"Straße"_s, u"Größe"_s, u"12 € – ½ ♥"_s);
        ini.WriteString(u"Straße"_s, u"Leer"_s, u" "_s);
        QCOMPARE(ReadAll(path), QByteArray("[Stra\xdf"
                                           "e]\r\nGr\xf6\xdf"
                                           "e=12 \x80 \x96 \xbd ?\r\nLeer= \r\n"));
        // Read back through the same code page; the blank value reads as empty.
        QCOMPARE(ini.ReadString(u"STRASSE"_s, u"x"_s, u"-"_s), u"-"_s);
        QCOMPARE(ini.ReadString(u"STRAßE"_s, u"GRÖßE"_s, u"-"_s), u"12 € – ½ ?"_s);
        QCOMPARE(ini.ReadString(u"Straße"_s, u"Größe"_s, u"-"_s), u"12 € – ½ ?"_s);
        QCOMPARE(ini.ReadString(u"Straße"_s, u"Leer"_s, u"-"_s), QString());
    }

    // A line break in a value must not turn the rest of the value into keys or sections.
    void valueWithLineBreaksStaysOneLine()
    {
        const QString path = File(u"breaks.ini"_s);
        TIniFile ini(path);
        ini.WriteString(u"A"_s, u"K"_s, u"eins\r\n[System]\nNoProt=1"_s);
        QVERIFY(!ini.SectionExists(u"System"_s));
        QCOMPARE(ini.ReadString(u"A"_s, u"K"_s, {}), u"eins  [System] NoProt=1"_s);
    }

    void integersAndBooleans_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("integer");  // with default -7
        QTest::addColumn<bool>("boolean"); // with default false
        QTest::newRow("0") << QByteArray("0") << 0 << false;
        QTest::newRow("1") << QByteArray("1") << 1 << true;
        QTest::newRow("2") << QByteArray("2") << 2 << true;
        QTest::newRow("negative") << QByteArray("-1") << -1 << true;
        QTest::newRow("blanks") << QByteArray("  5  ") << 5 << true;
        QTest::newRow("yes") << QByteArray("yes") << -7 << false;
        QTest::newRow("true") << QByteArray("true") << -7 << false;
        QTest::newRow("empty") << QByteArray("") << -7 << false;
        QTest::newRow("fraction") << QByteArray("1.5") << -7 << false;
        QTest::newRow("number and text") << QByteArray("1 x") << -7 << false;
        QTest::newRow("too large") << QByteArray("99999999999") << -7 << false;
    }
    void integersAndBooleans()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, integer);
        QFETCH(bool, boolean);
        const QString path = File(u"numbers.ini"_s);
        QVERIFY(WriteAll(path, "[S]\r\nK=" + text + "\r\n"));
        const TIniFile ini(path);
        QCOMPARE(ini.ReadInteger(u"S"_s, u"K"_s, -7), integer);
        QCOMPARE(ini.ReadBool(u"S"_s, u"K"_s, false), boolean);
        // A missing or non-numeric value gives the default, whichever it is.
        QCOMPARE(ini.ReadBool(u"S"_s, u"missing"_s, true), true);
    }

    void writesBooleansAsDigits()
    {
        const QString path = File(u"bools.ini"_s);
        TIniFile ini(path);
        ini.WriteBool(u"S"_s, u"An"_s, true);
        ini.WriteBool(u"S"_s, u"Aus"_s, false);
        ini.WriteInteger(u"S"_s, u"Zahl"_s, -12);
        QCOMPARE(ReadAll(path), QByteArray("[S]\r\nAn=1\r\nAus=0\r\nZahl=-12\r\n"));
    }

    // Files that no program of ours wrote: bytes outside any text, other line ends, none at all.
    void survivesOddFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("language"); // Main/Language read back, default "ENG"
        QTest::newRow("LF only") << QByteArray("[Main]\nLanguage=FRA\n") << u"FRA"_s;
        QTest::newRow("CR only") << QByteArray("[Main]\rLanguage=FRA\r") << u"FRA"_s;
        QTest::newRow("no line end at all") << QByteArray("[Main]") << u"ENG"_s;
        QTest::newRow("no line end after the value") << QByteArray("[Main]\r\nLanguage=FRA") << u"FRA"_s;
        QTest::newRow("garbage around") << Bytes("\x00\xff\xfe\x81garbage\x00\r\n[Main]\r\n\x01\x02=\x03\r\n"
                                                 "Language=FRA\r\n\x9d\x90\r\n")
                                        << u"FRA"_s;
        QTest::newRow("random bytes") << Bytes("\x8f\x00\x1b[\xff=\r\r\n\n=]\x00[") << u"ENG"_s;
        QTest::newRow("unclosed header") << QByteArray("[Main\r\nLanguage=FRA\r\n") << u"FRA"_s;
        QTest::newRow("empty file") << QByteArray() << u"ENG"_s;
    }
    void survivesOddFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, language);
        const QString path = File(u"odd.ini"_s);
        QVERIFY(WriteAll(path, bytes));
        TIniFile ini(path);
        QCOMPARE(ini.ReadString(u"Main"_s, u"Language"_s, u"ENG"_s), language);
        ini.WriteString(u"System"_s, u"NoProt"_s, u"1"_s);
        QCOMPARE(ini.ReadString(u"System"_s, u"NoProt"_s, {}), u"1"_s);
        QCOMPARE(ini.ReadString(u"Main"_s, u"Language"_s, u"ENG"_s), language);
        // The bytes we did not write are still there, line by line.
        const QByteArray after = ReadAll(path);
        for (const QByteArray& line : QByteArray(bytes).replace("\r\n", "\n").replace('\r', '\n').split('\n'))
            QVERIFY2(after.contains(line), line.toHex().constData());
    }

    void missingOrUnreadableFileGivesDefaults()
    {
        const TIniFile missing(File(u"nowhere/missing.ini"_s));
        QCOMPARE(missing.ReadString(u"Main"_s, u"Language"_s, u"ENG"_s), u"ENG"_s);
        QVERIFY(!missing.SectionExists(u"Main"_s));
        QVERIFY(missing.ReadSection(u"Main"_s).isEmpty());
        const TIniFile folder(m_home.MakeFolder(u"a-folder.ini"_s));
        QCOMPARE(folder.ReadInteger(u"S"_s, u"K"_s, 3), 3);
    }

    void writeFailsWithTheSystemsMessage()
    {
        TIniFile ini(File(u"no-such-folder/x.ini"_s));
        try {
            ini.WriteString(u"S"_s, u"K"_s, u"V"_s);
            QFAIL("no error");
        } catch (const TError& e) {
            QVERIFY2(e.message().contains(u"no-such-folder/x.ini"_s), qPrintable(e.message()));
            QVERIFY2(e.message().contains(u"No such file or directory"_s, Qt::CaseInsensitive),
                     qPrintable(e.message()));
        }
        QVERIFY(!QFile::exists(File(u"no-such-folder"_s)));
    }

    void sectionsKeysAndDeletion()
    {
        const QString path = File(u"sections.ini"_s);
        QVERIFY(WriteAll(path, "[A]\r\nx=1\r\nY=2\r\n; c\r\n\r\n[B]\r\nz=3\r\n[a]\r\nlater=4\r\n"));
        TIniFile ini(path);
        QCOMPARE(ini.ReadSections(), (QStringList{u"A"_s, u"B"_s, u"a"_s}));
        // The first of two sections of the same name counts.
        QCOMPARE(ini.ReadSection(u"a"_s), (QStringList{u"x"_s, u"Y"_s}));
        QVERIFY(ini.ValueExists(u"A"_s, u"y"_s));
        QVERIFY(!ini.ValueExists(u"A"_s, u"later"_s));

        ini.DeleteKey(u"a"_s, u"X"_s);
        QCOMPARE(ReadAll(path), QByteArray("[A]\r\nY=2\r\n; c\r\n\r\n[B]\r\nz=3\r\n[a]\r\nlater=4\r\n"));
        ini.EraseSection(u"A"_s);
        QCOMPARE(ReadAll(path), QByteArray("[B]\r\nz=3\r\n"));
        QVERIFY(!ini.SectionExists(u"a"_s));
        QVERIFY(ini.SectionExists(u"b"_s));

        // Deleting what is not there leaves the file alone and creates none.
        const QString none = File(u"none.ini"_s);
        TIniFile(none).EraseSection(u"B"_s);
        TIniFile(none).DeleteKey(u"B"_s, u"z"_s);
        QVERIFY(!QFile::exists(none));
    }

    // A new key goes to the end of its own section, before the blank line that separates the next.
    void newKeyJoinsItsSection()
    {
        const QString path = File(u"join.ini"_s);
        QVERIFY(WriteAll(path, "[A]\r\nx=1\r\n\r\n\r\n[B]\r\nz=3"));
        TIniFile ini(path);
        ini.WriteString(u"a"_s, u"n"_s, u"neu"_s);
        ini.WriteString(u"B"_s, u"z"_s, u"4"_s);
        QCOMPARE(ReadAll(path), QByteArray("[A]\r\nx=1\r\nn=neu\r\n\r\n\r\n[B]\r\nz=4\r\n"));
    }
};

TQ5_TEST(TIniFileTest)
#include "tst_IniFile.moc"
