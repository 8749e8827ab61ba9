#pragma once

#include <functional>
#include <optional>
#include <QChar>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

// The program's layer over the operating system: special folders, drives, the shell, locale and
// user, screen resolution, the millisecond tick and the temporary folder. The rest of the program
// stays portable; only this layer knows which system it runs on. Tests replace the drives, the
// shell, the resolution, the clock and the user's locale through the Set... seams below.
namespace Platform {

// The shell's special folders the program uses; the values are the system's own folder numbers.
enum class TSpecialFolder
{
    Personal = 0x0005,     // the user's documents
    CommonAppData = 0x0023 // application data shared by all users of the machine
};

// Path of a special folder without a trailing "/"; empty when the system cannot resolve it.
// On Linux the machine-wide data folder is the user's data folder ($XDG_DATA_HOME) and the
// documents folder is the user's documents folder.
QString SpecialFolder(TSpecialFolder folder);
// The same for a folder number; numbers other than the two above give an empty text on Linux.
QString SpecialFolder(int folderNumber);

// ---------------------------------------------------------------------------------------------
// Drives

enum class TDriveType
{
    Unknown,
    NoRootDir,
    Removable,
    Fixed,
    Remote,
    CDRom,
    RamDisk
};

struct TDriveInfo
{
    QChar letter; // upper case, "C", "D", ...
    TDriveType type = TDriveType::Unknown;
    QString label;             // volume label; empty when it cannot be read
    QString fileSystem;        // the system's name of the file system, e.g. "FAT32", "VFAT", "EXT4"
    QString root;              // the folder the letter stands for, with a trailing "/"
    qint64 total = -1;         // bytes; -1 when unknown
    qint64 free = -1;          // bytes available to the user; -1 when unknown
    bool mediumPresent = true; // false: the drive exists but holds no medium
};

// Where the drive list comes from. The system's drives by default; tests install their own.
class TDriveProvider
{
public:
    virtual ~TDriveProvider() = default;
    // Every drive letter present, in letter order.
    virtual QList<TDriveInfo> Drives() = 0;
    // The total size of one drive (letter in upper case); false when the drive is missing, holds no
    // medium or cannot be read. Never shows a system error box. Default: taken from Drives().
    virtual bool TotalSize(QChar letter, qint64* total);
};

// Installs a drive provider (nullptr restores the system's drives). The caller keeps ownership.
void SetDriveProvider(TDriveProvider* provider);

// For tests: drive letters mapped to folders. A mapped drive's sizes are the given ones, or the
// sizes of the file system the folder lies on when left at -1.
class TMappedDrives final : public TDriveProvider
{
public:
    // Maps a letter to a folder (which must exist for the drive to be readable).
    TDriveInfo& Add(QChar letter, const QString& folder, TDriveType type = TDriveType::Removable,
                    const QString& label = {}, const QString& fileSystem = QStringLiteral("FAT32"),
                    qint64 total = -1, qint64 free = -1);
    // A letter whose drive is present but holds no medium (an empty card reader).
    TDriveInfo& AddWithoutMedium(QChar letter, TDriveType type = TDriveType::Removable);
    void Remove(QChar letter);
    void Clear() { m_drives.clear(); }

    QList<TDriveInfo> Drives() override;
    bool TotalSize(QChar letter, qint64* total) override;

private:
    QList<TDriveInfo> m_drives;
};

// The drives of the installed provider, in letter order.
QList<TDriveInfo> Drives();
// The drive of a letter (either case); std::nullopt when there is none.
std::optional<TDriveInfo> Drive(QChar letter);
// The folder a drive letter stands for, with a trailing "/"; empty when there is no such drive.
QString DriveRoot(QChar letter);
// The total size of a drive (letter in either case). False for a blank or non-letter, a missing
// drive and a drive without medium; the system's critical-error boxes are suppressed meanwhile.
bool DriveTotalSize(QChar letter, qint64* total = nullptr);

// Linux: the drive list made from the lines of a mounts table (the format of /proc/self/mounts).
// "C" is the root file system; every removable volume gets a letter from "D" on, in the order of
// its mount point. isRemovableDevice tells whether a device ("/dev/sdb1") sits on a removable disk;
// mounts below /media or /run/media count as removable anyway. Sizes and labels are not filled in.
QList<TDriveInfo> DrivesFromMounts(const QByteArray& mounts,
                                   const std::function<bool(const QString& device)>& isRemovableDevice);

// ---------------------------------------------------------------------------------------------
// Shell

class TShell
{
public:
    virtual ~TShell() = default;
    // Opens a file or folder with the program the system associates with it.
    virtual bool Open(const QString& path) = 0;
    // Starts a program with one parameter in a working folder.
    virtual bool Run(const QString& program, const QString& parameter, const QString& folder) = 0;
    // The program registered for a file extension ("XLS", without dot); empty when there is none.
    virtual QString AssociatedProgram(const QString& extension) = 0;
};

// Installs a shell (nullptr restores the system's shell). The caller keeps ownership.
void SetShell(TShell* shell);

// For tests: records what would have been opened or started, and answers program look-ups from a
// table.
class TShellRecorder final : public TShell
{
public:
    struct TRun
    {
        QString program, parameter, folder;
    };
    QStringList opened;
    QList<TRun> runs;
    // extension (upper case, no dot) -> program path
    QList<QPair<QString, QString>> programs;
    bool succeed = true;

    bool Open(const QString& path) override;
    bool Run(const QString& program, const QString& parameter, const QString& folder) override;
    QString AssociatedProgram(const QString& extension) override;
};

// Opens a file or folder with its associated program; false when the shell could not do it.
bool ShellOpen(const QString& path);
// Starts a program with the file name as its only parameter and the given working folder.
bool ShellRun(const QString& program, const QString& parameter, const QString& folder);
// The path of the program registered to open files of an extension ("XLS"); empty when none.
QString AssociatedProgram(const QString& extension);
// The program path in a registered open command: everything from the first "%" is cut, one
// leading double quote is removed, everything from a further double quote is cut, trailing blanks
// are removed. ("\"C:\\Office\\EXCEL.EXE\" /e \"%1\"" gives "C:\\Office\\EXCEL.EXE")
QString ProgramOfCommand(const QString& command);

// ---------------------------------------------------------------------------------------------
// Locale and user

// The logged-on user's name; empty when it cannot be obtained.
QString UserName();
// The three-letter abbreviation of the user's default language as Windows names it: "DEU" for
// German (Germany), "FRA" for French (France), "ENG" for English (United Kingdom), "ENU" for
// English (United States), ...
QString UserLanguageAbbreviation();
// The abbreviation for a given locale (the table behind UserLanguageAbbreviation on Linux).
QString LanguageAbbreviation(const QLocale& locale);
// Replaces the user's locale (std::nullopt restores the system's).
void SetUserLocale(std::optional<QLocale> locale);

// ---------------------------------------------------------------------------------------------
// Screen, time, files

// Logical resolution of the screen in dots per inch, horizontally and vertically (96 without a screen).
int ScreenDpiX();
int ScreenDpiY();
inline int ScreenDpi()
{
    return ScreenDpiX();
}
// Replaces the resolution; 0 restores the screen's.
void SetDpi(int dpiX, int dpiY = 0);

// Milliseconds since the system started, wrapping at 2^32.
quint32 TickCount();
// Local date and time now.
QDateTime Now();

class TClock
{
public:
    virtual ~TClock() = default;
    virtual quint32 TickCount() = 0;
    virtual QDateTime Now() = 0;
};
// Installs a clock (nullptr restores the system's). The caller keeps ownership.
void SetClock(TClock* clock);

// For tests: a clock that moves only when told to.
class TManualClock final : public TClock
{
public:
    quint32 tick = 0;
    QDateTime now = QDateTime(QDate(2024, 3, 15), QTime(10, 30, 0));
    void Advance(quint32 ms)
    {
        tick += ms;
        now = now.addMSecs(ms);
    }
    quint32 TickCount() override { return tick; }
    QDateTime Now() override { return now; }
};

// The system's folder for temporary files, with a trailing "/".
QString TempFolder();

} // namespace Platform
