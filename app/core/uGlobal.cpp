#include "uGlobal.h"

#include "Platform.h"
#include "TError.h"
#include "TIniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QChar DataDrive = u' ';
bool NoProt = false;
QString Language = u"ENG"_s;

namespace {

// The program-wide date format. It starts as "dd.mm.yy" with "." and SetDateFormat sets it again.
struct TDateFormat
{
    QString shortDate = u"dd.mm.yy"_s; // in the program's notation: d day, m month, y year
    QChar separator = u'.';
};
TDateFormat g_dateFormat;

// The Qt form of the short date format ("dd.MM.yy").
QString QtDateFormat()
{
    QString out = g_dateFormat.shortDate;
    out.replace(u'm', u'M');
    out.replace(u'/', g_dateFormat.separator);
    return out;
}

QString CreatedFolder(const QString& path)
{
    // A folder that cannot be created is not reported here: the file operation that follows fails
    // with the system's own message.
    QDir().mkpath(path);
    return path;
}

} // namespace

QString ProgramBaseNameOf(const QString& programFileName)
{
    const QString name = QFileInfo(programFileName).fileName();
#ifdef Q_OS_WIN
    return name.left(name.size() - 4);
#else
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
#endif
}

QString ProgramBaseName()
{
    return ProgramBaseNameOf(QCoreApplication::applicationFilePath());
}

QString GetSpecialFolder(int folderNumber)
{
    return Platform::SpecialFolder(folderNumber);
}

QString GetDataFolder()
{
    return CreatedFolder(GetSpecialFolder(CSIDL_COMMON_APPDATA) + u"/Kestrom GmbH/"_s + ProgramBaseName());
}

QString GetDocumentsFolder()
{
    return CreatedFolder(GetSpecialFolder(CSIDL_PERSONAL) + u'/' + ProgramBaseName());
}

QString GetSettingsFileName()
{
    return GetDataFolder() + u"/TQ5Report.INI"_s;
}

void LoadSettings()
{
    const TIniFile ini(GetSettingsFileName());
    const QString drive = ini.ReadString(u"System"_s, u"DataDrive"_s, QString());
    DataDrive = drive.isEmpty() ? QChar(u' ') : drive.at(0);
    NoProt = ini.ReadBool(u"System"_s, u"NoProt"_s, false);
    Language = ini.ReadString(u"Main"_s, u"Language"_s, u"ENG"_s);
}

void SaveSettings()
{
    TIniFile ini(GetSettingsFileName());
    ini.WriteString(u"System"_s, u"DataDrive"_s, QString(DataDrive));
    ini.WriteBool(u"System"_s, u"NoProt"_s, NoProt);
    ini.WriteString(u"Main"_s, u"Language"_s, Language);
}

bool DriveAccessible(QChar letter)
{
    return Platform::DriveTotalSize(letter.toUpper());
}

void SetDateFormat()
{
    g_dateFormat.separator = u'.';
    g_dateFormat.shortDate = u"dd.mm.yy"_s;
}

QString ShortDateFormat()
{
    return g_dateFormat.shortDate;
}

QChar DateSeparator()
{
    return g_dateFormat.separator;
}

QString FormatDate(QDate date)
{
    return date.toString(QtDateFormat());
}

QDate ParseDate(const QString& text)
{
    // Numbers in the order of the short date format, separated by the date separator; without the
    // year the date lies in the current year.
    const QStringList parts = text.trimmed().split(g_dateFormat.separator);
    if (parts.size() < 2 || parts.size() > 3)
        return {};
    QString order; // "dmy": the fields of the format in their order
    for (const QChar c : g_dateFormat.shortDate)
        if ((c == u'd' || c == u'm' || c == u'y') && !order.contains(c))
            order += c;
    if (order.size() != 3)
        return {};
    if (parts.size() == 2)
        order.remove(u'y');
    const int current = Platform::Now().date().year();
    int day = 0, month = 0, year = current;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString p = parts[i].trimmed();
        bool ok = false;
        const int n = p.toInt(&ok, 10);
        if (!ok || p.isEmpty() || p.startsWith(u'-') || p.startsWith(u'+'))
            return {};
        if (order[i] == u'd' && p.size() <= 2)
            day = n;
        else if (order[i] == u'm' && p.size() <= 2)
            month = n;
        else if (order[i] == u'y' && p.size() <= 4) {
            year = n;
            if (p.size() <= 2) {
                // Two-digit years fall within the 50 years before and the 49 after this year.
                const int base = current - 50;
                year += base / 100 * 100;
                if (year < base)
                    year += 100;
            }
        } else
            return {};
    }
    const QDate date(year, month, day);
    return date.isValid() ? date : QDate();
}

QDate StrToDate(const QString& text)
{
    const QDate date = ParseDate(text);
    if (!date.isValid())
        throw TError(u"'%1' ist kein gültiges Datum"_s.arg(text));
    return date;
}

QString FormatTime(QTime time)
{
    return time.toString(u"hh:mm:ss"_s);
}

QTime ParseTime(const QString& text)
{
    const QStringList parts = text.trimmed().split(u':');
    if (parts.size() < 2 || parts.size() > 3)
        return {};
    int numbers[3] = {0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString p = parts[i].trimmed();
        bool ok = false;
        numbers[i] = p.toInt(&ok, 10);
        if (!ok || p.isEmpty() || p.size() > 2 || p.startsWith(u'-') || p.startsWith(u'+'))
            return {};
    }
    const QTime time(numbers[0], numbers[1], numbers[2]);
    return time.isValid() ? time : QTime();
}

void DeleteReportPdfs()
{
    const QString folder = GetDataFolder();
    // Files of any attribute, hidden and system ones included; folders stay.
    const QStringList names = QDir(folder).entryList({u"*.pdf"_s}, QDir::Files | QDir::Hidden | QDir::System |
                                                                       QDir::NoDotAndDotDot);
    for (const QString& name : names)
        QFile::remove(folder + u'/' + name); // a file a viewer holds open stays, without a message
}
