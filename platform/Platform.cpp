#include "Platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeDatabase>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>

#ifdef Q_OS_WIN
#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>
#else
#include <pwd.h>
#include <time.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace Platform {
namespace {

TShell* g_shell = nullptr;
TClock* g_clock = nullptr;
int g_dpiX = 0;
int g_dpiY = 0;
std::optional<QLocale> g_locale;

#ifdef Q_OS_WIN
QString FromAnsi(const char* text)
{
    return QString::fromLocal8Bit(text);
}
QByteArray ToAnsi(const QString& text)
{
    return QDir::toNativeSeparators(text).toLocal8Bit();
}

// The default value of a key below the classes root; false when the key does not exist.
bool ClassesRootDefault(const QString& key, QString* value)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.toLocal8Bit().constData(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    value->clear();
    if (RegQueryValueExA(h, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size > 0 &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        QByteArray buffer(int(size), '\0');
        if (RegQueryValueExA(h, nullptr, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()), &size) ==
            ERROR_SUCCESS)
            *value = FromAnsi(buffer.constData());
    }
    RegCloseKey(h);
    return true;
}
#endif

class TSystemShell final : public TShell
{
public:
    bool Open(const QString& path) override
    {
#ifdef Q_OS_WIN
        const QByteArray file = ToAnsi(path);
        const auto result = reinterpret_cast<INT_PTR>(
            ShellExecuteA(nullptr, "open", file.constData(), nullptr, nullptr, SW_SHOWNORMAL));
        return result > 32;
#else
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
    }

    bool Run(const QString& program, const QString& parameter, const QString& folder) override
    {
#ifdef Q_OS_WIN
        const QByteArray exe = ToAnsi(program);
        const QByteArray param = parameter.toLocal8Bit();
        const QByteArray dir = ToAnsi(folder);
        const auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(
            nullptr, "open", exe.constData(), param.constData(), dir.constData(), SW_SHOWNORMAL));
        return result > 32;
#else
        return QProcess::startDetached(program, {parameter}, folder);
#endif
    }

    QString AssociatedProgram(const QString& extension) override
    {
#ifdef Q_OS_WIN
        // The open command of the extension itself, else that of its file type; a file type
        // without an open command stands for itself.
        QString command;
        if (!ClassesRootDefault(u'.' + extension + u"\\shell\\open\\command"_s, &command)) {
            QString typeName;
            ClassesRootDefault(u'.' + extension, &typeName);
            command.clear();
            if (!typeName.isEmpty() && !ClassesRootDefault(typeName + u"\\shell\\open\\command"_s, &command))
                command = typeName;
        }
        return ProgramOfCommand(command);
#else
        // The desktop entry the user's desktop opens this type of file with, and its program.
        const QMimeType mime =
            QMimeDatabase().mimeTypeForFile(u"file."_s + extension.toLower(), QMimeDatabase::MatchExtension);
        if (!mime.isValid() || mime.isDefault())
            return {};
        const QString xdgMime = QStandardPaths::findExecutable(u"xdg-mime"_s);
        if (xdgMime.isEmpty())
            return {};
        QProcess query;
        query.start(xdgMime, {u"query"_s, u"default"_s, mime.name()});
        if (!query.waitForFinished(5000) || query.exitCode() != 0)
            return {};
        const QString desktop = QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
        if (desktop.isEmpty())
            return {};
        const QString entry =
            QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktop, QStandardPaths::LocateFile);
        QFile f(entry);
        if (entry.isEmpty() || !f.open(QIODevice::ReadOnly))
            return {};
        bool inEntry = false;
        while (!f.atEnd()) {
            const QString line = QString::fromUtf8(f.readLine()).trimmed();
            if (line.startsWith(u'['))
                inEntry = line == u"[Desktop Entry]"_s;
            else if (inEntry && line.startsWith(u"Exec="_s)) {
                const QStringList parts = QProcess::splitCommand(line.mid(5));
                if (parts.isEmpty())
                    return {};
                const QString program = parts.first();
                return QDir::isAbsolutePath(program) ? program : QStandardPaths::findExecutable(program);
            }
        }
        return {};
#endif
    }
};

TSystemShell g_systemShell;

TShell* Shell()
{
    return g_shell ? g_shell : &g_systemShell;
}

class TSystemClock final : public TClock
{
public:
    quint32 TickCount() override
    {
#ifdef Q_OS_WIN
        return quint32(GetTickCount());
#else
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return quint32(quint64(ts.tv_sec) * 1000u + quint64(ts.tv_nsec) / 1000000u);
#endif
    }
    QDateTime Now() override
    {
        return QDateTime::currentDateTime();
    }
};

TSystemClock g_systemClock;

TClock* Clock()
{
    return g_clock ? g_clock : &g_systemClock;
}

struct TAbbreviation
{
    QLocale::Language language;
    QLocale::Territory territory; // AnyTerritory: the language's entry for any other territory
    const char* code;
};

// The Windows abbreviations of the common locales: two letters of the language and one of the
// country. The first row of a language also serves its other countries.
const TAbbreviation kAbbreviations[] = {
    {QLocale::German, QLocale::Germany, "DEU"},
    {QLocale::German, QLocale::Austria, "DEA"},
    {QLocale::German, QLocale::Switzerland, "DES"},
    {QLocale::German, QLocale::Luxembourg, "DEL"},
    {QLocale::German, QLocale::Liechtenstein, "DEC"},
    {QLocale::English, QLocale::UnitedStates, "ENU"},
    {QLocale::English, QLocale::UnitedKingdom, "ENG"},
    {QLocale::English, QLocale::Australia, "ENA"},
    {QLocale::English, QLocale::Canada, "ENC"},
    {QLocale::English, QLocale::NewZealand, "ENZ"},
    {QLocale::English, QLocale::Ireland, "ENI"},
    {QLocale::English, QLocale::SouthAfrica, "ENS"},
    {QLocale::English, QLocale::Jamaica, "ENJ"},
    {QLocale::English, QLocale::Belize, "ENL"},
    {QLocale::English, QLocale::TrinidadAndTobago, "ENT"},
    {QLocale::English, QLocale::Zimbabwe, "ENW"},
    {QLocale::English, QLocale::Philippines, "ENP"},
    {QLocale::French, QLocale::France, "FRA"},
    {QLocale::French, QLocale::Belgium, "FRB"},
    {QLocale::French, QLocale::Canada, "FRC"},
    {QLocale::French, QLocale::Switzerland, "FRS"},
    {QLocale::French, QLocale::Luxembourg, "FRL"},
    {QLocale::French, QLocale::Monaco, "FRM"},
    {QLocale::Italian, QLocale::Italy, "ITA"},
    {QLocale::Italian, QLocale::Switzerland, "ITS"},
    {QLocale::Spanish, QLocale::Spain, "ESN"},
    {QLocale::Spanish, QLocale::Mexico, "ESM"},
    {QLocale::Dutch, QLocale::Netherlands, "NLD"},
    {QLocale::Dutch, QLocale::Belgium, "NLB"},
    {QLocale::Portuguese, QLocale::Portugal, "PTG"},
    {QLocale::Portuguese, QLocale::Brazil, "PTB"},
    {QLocale::Danish, QLocale::Denmark, "DAN"},
    {QLocale::Swedish, QLocale::Sweden, "SVE"},
    {QLocale::Swedish, QLocale::Finland, "SVF"},
    {QLocale::NorwegianBokmal, QLocale::Norway, "NOR"},
    {QLocale::NorwegianNynorsk, QLocale::Norway, "NON"},
    {QLocale::Finnish, QLocale::Finland, "FIN"},
    {QLocale::Icelandic, QLocale::Iceland, "ISL"},
    {QLocale::Polish, QLocale::Poland, "PLK"},
    {QLocale::Czech, QLocale::CzechRepublic, "CSY"},
    {QLocale::Slovak, QLocale::Slovakia, "SKY"},
    {QLocale::Slovenian, QLocale::Slovenia, "SLV"},
    {QLocale::Croatian, QLocale::Croatia, "HRV"},
    {QLocale::Hungarian, QLocale::Hungary, "HUN"},
    {QLocale::Romanian, QLocale::Romania, "ROM"},
    {QLocale::Bulgarian, QLocale::Bulgaria, "BGR"},
    {QLocale::Greek, QLocale::Greece, "ELL"},
    {QLocale::Turkish, QLocale::Turkey, "TRK"},
    {QLocale::Russian, QLocale::Russia, "RUS"},
    {QLocale::Ukrainian, QLocale::Ukraine, "UKR"},
    {QLocale::Estonian, QLocale::Estonia, "ETI"},
    {QLocale::Latvian, QLocale::Latvia, "LVI"},
    {QLocale::Lithuanian, QLocale::Lithuania, "LTH"},
    {QLocale::Catalan, QLocale::Spain, "CAT"},
    {QLocale::Hebrew, QLocale::Israel, "HEB"},
    {QLocale::Arabic, QLocale::SaudiArabia, "ARA"},
    {QLocale::Japanese, QLocale::Japan, "JPN"},
    {QLocale::Korean, QLocale::SouthKorea, "KOR"},
    {QLocale::Chinese, QLocale::China, "CHS"},
    {QLocale::Chinese, QLocale::Taiwan, "CHT"},
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Special folders

QString SpecialFolder(TSpecialFolder folder)
{
    return SpecialFolder(int(folder));
}

QString SpecialFolder(int folderNumber)
{
#ifdef Q_OS_WIN
    PIDLIST_ABSOLUTE list = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, folderNumber, &list) != S_OK || !list)
        return {};
    char path[MAX_PATH + 1] = {};
    const BOOL ok = SHGetPathFromIDListA(list, path);
    CoTaskMemFree(list);
    if (!ok)
        return {};
    QString out = QDir::fromNativeSeparators(FromAnsi(path));
    while (out.endsWith(u'/') && out.size() > 3)
        out.chop(1);
    return out;
#else
    QString out;
    if (folderNumber == int(TSpecialFolder::CommonAppData))
        out = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    else if (folderNumber == int(TSpecialFolder::Personal))
        out = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    while (out.endsWith(u'/') && out.size() > 1)
        out.chop(1);
    return out;
#endif
}

// ---------------------------------------------------------------------------------------------
// Shell

void SetShell(TShell* shell)
{
    g_shell = shell;
}

bool ShellOpen(const QString& path)
{
    return Shell()->Open(path);
}

bool ShellRun(const QString& program, const QString& parameter, const QString& folder)
{
    return Shell()->Run(program, parameter, folder);
}

QString AssociatedProgram(const QString& extension)
{
    return Shell()->AssociatedProgram(extension);
}

QString ProgramOfCommand(const QString& command)
{
    QString text = command;
    if (const qsizetype percent = text.indexOf(u'%'); percent >= 0)
        text.truncate(percent);
    if (text.startsWith(u'"'))
        text.remove(0, 1);
    if (const qsizetype quote = text.indexOf(u'"'); quote >= 0)
        text.truncate(quote);
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

bool TShellRecorder::Open(const QString& path)
{
    opened.append(path);
    return succeed;
}

bool TShellRecorder::Run(const QString& program, const QString& parameter, const QString& folder)
{
    runs.append({program, parameter, folder});
    return succeed;
}

QString TShellRecorder::AssociatedProgram(const QString& extension)
{
    for (const auto& [ext, program] : programs)
        if (ext.compare(extension, Qt::CaseInsensitive) == 0)
            return program;
    return {};
}

// ---------------------------------------------------------------------------------------------
// Locale and user

QString UserName()
{
#ifdef Q_OS_WIN
    char name[257] = {};
    DWORD size = sizeof name;
    if (!GetUserNameA(name, &size))
        return {};
    return FromAnsi(name);
#else
    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return {};
#endif
}

QString LanguageAbbreviation(const QLocale& locale)
{
    const QLocale::Language language = locale.language();
    if (language == QLocale::C)
        return u"ENU"_s;
    const TAbbreviation* first = nullptr;
    for (const TAbbreviation& a : kAbbreviations) {
        if (a.language != language)
            continue;
        if (a.territory == locale.territory())
            return QString::fromLatin1(a.code);
        if (!first)
            first = &a;
    }
    if (first)
        return QString::fromLatin1(first->code);
    // A language outside the table: its two-letter code and the first letter of the country, as
    // Windows builds most abbreviations.
    const QString name = locale.name(); // "xx_YY"
    QString code = name.left(2).toUpper();
    code += name.size() >= 4 ? name.at(3).toUpper() : QChar(u'X');
    return code;
}

QString UserLanguageAbbreviation()
{
    if (g_locale)
        return LanguageAbbreviation(*g_locale);
#ifdef Q_OS_WIN
    const int size = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SABBREVLANGNAME, nullptr, 0);
    if (size <= 0)
        return {};
    QByteArray buffer(size, '\0');
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SABBREVLANGNAME, buffer.data(), size) <= 0)
        return {};
    return FromAnsi(buffer.constData());
#else
    return LanguageAbbreviation(QLocale::system());
#endif
}

void SetUserLocale(std::optional<QLocale> locale)
{
    g_locale = std::move(locale);
}

// ---------------------------------------------------------------------------------------------
// Screen, time, files

namespace {
int ScreenDpi(bool horizontal)
{
#ifdef Q_OS_WIN
    HDC dc = GetDC(nullptr);
    if (!dc)
        return 96;
    const int dpi = GetDeviceCaps(dc, horizontal ? LOGPIXELSX : LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
#else
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return 96;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 96;
    const qreal dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0 ? qRound(dpi) : 96;
#endif
}
} // namespace

int ScreenDpiX()
{
    return g_dpiX > 0 ? g_dpiX : ScreenDpi(true);
}

int ScreenDpiY()
{
    if (g_dpiX > 0)
        return g_dpiY > 0 ? g_dpiY : g_dpiX;
    return ScreenDpi(false);
}

void SetDpi(int dpiX, int dpiY)
{
    g_dpiX = dpiX;
    g_dpiY = dpiY;
}

quint32 TickCount()
{
    return Clock()->TickCount();
}

QDateTime Now()
{
    return Clock()->Now();
}

void SetClock(TClock* clock)
{
    g_clock = clock;
}

QString TempFolder()
{
#ifdef Q_OS_WIN
    char path[MAX_PATH + 2] = {};
    const DWORD n = GetTempPathA(sizeof path, path);
    if (n > 0 && n < sizeof path) {
        QString out = QDir::fromNativeSeparators(FromAnsi(path));
        if (!out.endsWith(u'/'))
            out += u'/';
        return out;
    }
#endif
    QString out = QDir::tempPath();
    if (!out.endsWith(u'/'))
        out += u'/';
    return out;
}

} // namespace Platform
