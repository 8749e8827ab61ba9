#include "Platform.h"

#include <algorithm>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStorageInfo>

#ifdef Q_OS_WIN
#define NOMINMAX
#include <windows.h>
#endif

using namespace Qt::StringLiterals;

namespace Platform {
namespace {

TDriveProvider* g_drives = nullptr;

QChar Upper(QChar letter)
{
    return letter.toUpper();
}

bool IsDriveLetter(QChar letter)
{
    const char16_t u = Upper(letter).unicode();
    return u >= u'A' && u <= u'Z';
}

// Sizes of the file system a folder lies on; false when the folder cannot be read.
bool FolderSizes(const QString& folder, qint64* total, qint64* free)
{
    if (!QFileInfo(folder).isDir())
        return false;
    QStorageInfo storage(folder);
    if (!storage.isValid() || !storage.isReady())
        return false;
    if (total)
        *total = storage.bytesTotal();
    if (free)
        *free = storage.bytesAvailable();
    return true;
}

// Undoes the octal escapes of the mounts table ("\040" is a blank).
QString Unescape(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3') {
            bool ok = false;
            const int c = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out += char(c);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return QFile::decodeName(out);
}

#ifdef Q_OS_WIN

// Suppresses the system's critical-error boxes ("There is no disk in the drive") for its lifetime.
class TNoErrorBoxes
{
public:
    TNoErrorBoxes() : m_previous(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~TNoErrorBoxes() { SetErrorMode(m_previous); }

private:
    UINT m_previous;
};

TDriveType FromWin(UINT type)
{
    switch (type) {
    case DRIVE_NO_ROOT_DIR:
        return TDriveType::NoRootDir;
    case DRIVE_REMOVABLE:
        return TDriveType::Removable;
    case DRIVE_FIXED:
        return TDriveType::Fixed;
    case DRIVE_REMOTE:
        return TDriveType::Remote;
    case DRIVE_CDROM:
        return TDriveType::CDRom;
    case DRIVE_RAMDISK:
        return TDriveType::RamDisk;
    default:
        return TDriveType::Unknown;
    }
}

class TSystemDrives final : public TDriveProvider
{
public:
    QList<TDriveInfo> Drives() override
    {
        QList<TDriveInfo> out;
        TNoErrorBoxes quiet;
        const DWORD mask = GetLogicalDrives();
        for (int i = 0; i < 26; ++i) {
            if (!(mask & (1u << i)))
                continue;
            TDriveInfo d;
            d.letter = QChar(char16_t(u'A' + i));
            const QByteArray root = QByteArray(1, char('A' + i)) + ":\\";
            d.root = QString(d.letter) + u":/"_s;
            d.type = FromWin(GetDriveTypeA(root.constData()));
            char label[MAX_PATH + 1] = {};
            char fs[MAX_PATH + 1] = {};
            if (GetVolumeInformationA(root.constData(), label, sizeof label, nullptr, nullptr, nullptr, fs,
                                      sizeof fs)) {
                d.label = QString::fromLocal8Bit(label);
                d.fileSystem = QString::fromLocal8Bit(fs);
            }
            ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
            if (GetDiskFreeSpaceExA(root.constData(), &freeToCaller, &total, &totalFree)) {
                d.total = qint64(total.QuadPart);
                d.free = qint64(freeToCaller.QuadPart);
            } else {
                d.mediumPresent = false;
            }
            out.append(d);
        }
        return out;
    }

    bool TotalSize(QChar letter, qint64* total) override
    {
        const QByteArray root = QByteArray(1, char(letter.unicode())) + ":\\";
        ULARGE_INTEGER freeToCaller{}, size{}, totalFree{};
        BOOL ok = FALSE;
        {
            TNoErrorBoxes quiet;
            ok = GetDiskFreeSpaceExA(root.constData(), &freeToCaller, &size, &totalFree);
        }
        if (!ok)
            return false;
        if (total)
            *total = qint64(size.QuadPart);
        return true;
    }
};

#else

// Whether a block device ("/dev/sdb1") lies on a disk the kernel calls removable.
bool IsRemovableBlockDevice(const QString& device)
{
    if (!device.startsWith(u"/dev/"_s))
        return false;
    QString real = QFileInfo(device).canonicalFilePath();
    if (real.isEmpty())
        real = device;
    const QString name = QFileInfo(real).fileName();
    QString sys = QFileInfo(u"/sys/class/block/"_s + name).canonicalFilePath();
    if (sys.isEmpty())
        return false;
    if (QFileInfo::exists(sys + u"/partition"_s))
        sys = QFileInfo(sys).path();
    QFile removable(sys + u"/removable"_s);
    if (!removable.open(QIODevice::ReadOnly))
        return false;
    return removable.readAll().trimmed() == "1";
}

// Volume labels by device, from the links the system keeps in /dev/disk/by-label.
QHash<QString, QString> Labels()
{
    QHash<QString, QString> out;
    QDirIterator it(u"/dev/disk/by-label"_s, QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        // udev writes unsafe characters as "\xNN".
        QByteArray name = QFile::encodeName(it.fileName());
        QByteArray label;
        for (qsizetype i = 0; i < name.size(); ++i) {
            if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
                bool ok = false;
                const int c = name.mid(i + 2, 2).toInt(&ok, 16);
                if (ok) {
                    label += char(c);
                    i += 3;
                    continue;
                }
            }
            label += name[i];
        }
        out.insert(it.fileInfo().canonicalFilePath(), QString::fromUtf8(label));
    }
    return out;
}

class TSystemDrives final : public TDriveProvider
{
public:
    QList<TDriveInfo> Drives() override
    {
        QFile f(u"/proc/self/mounts"_s);
        QByteArray mounts;
        if (f.open(QIODevice::ReadOnly))
            mounts = f.readAll();
        QList<TDriveInfo> drives = DrivesFromMounts(mounts, IsRemovableBlockDevice);
        const QHash<QString, QString> labels = Labels();
        for (TDriveInfo& d : drives) {
            d.mediumPresent = FolderSizes(d.root, &d.total, &d.free);
            const QString device = QFileInfo(d.label).canonicalFilePath();
            d.label = labels.value(device);
        }
        return drives;
    }

    bool TotalSize(QChar letter, qint64* total) override
    {
        for (const TDriveInfo& d : DrivesFromMounts(MountsTable(), IsRemovableBlockDevice))
            if (d.letter == letter)
                return FolderSizes(d.root, total, nullptr);
        return false;
    }

private:
    static QByteArray MountsTable()
    {
        QFile f(u"/proc/self/mounts"_s);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }
};

#endif

TSystemDrives g_systemDrives;

TDriveProvider* Provider()
{
    return g_drives ? g_drives : &g_systemDrives;
}

} // namespace

bool TDriveProvider::TotalSize(QChar letter, qint64* total)
{
    for (const TDriveInfo& d : Drives()) {
        if (d.letter != letter)
            continue;
        if (!d.mediumPresent || d.total < 0)
            return false;
        if (total)
            *total = d.total;
        return true;
    }
    return false;
}

void SetDriveProvider(TDriveProvider* provider)
{
    g_drives = provider;
}

QList<TDriveInfo> Drives()
{
    return Provider()->Drives();
}

std::optional<TDriveInfo> Drive(QChar letter)
{
    if (!IsDriveLetter(letter))
        return std::nullopt;
    const QChar upper = Upper(letter);
    for (const TDriveInfo& d : Drives())
        if (d.letter == upper)
            return d;
    return std::nullopt;
}

QString DriveRoot(QChar letter)
{
    const std::optional<TDriveInfo> d = Drive(letter);
    return d ? d->root : QString();
}

bool DriveTotalSize(QChar letter, qint64* total)
{
    if (!IsDriveLetter(letter))
        return false;
    qint64 size = -1;
    if (!Provider()->TotalSize(Upper(letter), &size))
        return false;
    if (total)
        *total = size;
    return true;
}

QList<TDriveInfo> DrivesFromMounts(const QByteArray& mounts,
                                   const std::function<bool(const QString& device)>& isRemovableDevice)
{
    struct TMount
    {
        QString device, point, type;
    };
    // A later mount on the same point hides the earlier one.
    QList<TMount> table;
    for (const QByteArray& line : mounts.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3)
            continue;
        TMount m{Unescape(fields[0]), Unescape(fields[1]), QString::fromLatin1(fields[2])};
        if (!m.point.startsWith(u'/'))
            continue;
        table.erase(
            std::remove_if(table.begin(), table.end(), [&](const TMount& o) { return o.point == m.point; }),
            table.end());
        table.append(m);
    }

    QList<TDriveInfo> drives;
    QList<TMount> removable;
    for (const TMount& m : table) {
        if (m.point == u"/"_s) {
            TDriveInfo c;
            c.letter = u'C';
            c.type = TDriveType::Fixed;
            c.fileSystem = m.type.toUpper();
            c.root = u"/"_s;
            c.label = m.device; // the device, until the caller puts the label in its place
            drives.append(c);
            continue;
        }
        const bool belowMedia = m.point.startsWith(u"/media/"_s) || m.point.startsWith(u"/run/media/"_s);
        if (belowMedia || (isRemovableDevice && isRemovableDevice(m.device)))
            removable.append(m);
    }
    std::sort(removable.begin(), removable.end(),
              [](const TMount& a, const TMount& b) { return a.point < b.point; });
    char16_t letter = u'D';
    for (const TMount& m : removable) {
        if (letter > u'Z')
            break;
        TDriveInfo d;
        d.letter = QChar(letter++);
        d.type = TDriveType::Removable;
        d.fileSystem = m.type.toUpper();
        d.root = m.point.endsWith(u'/') ? m.point : m.point + u'/';
        d.label = m.device;
        drives.append(d);
    }
    return drives;
}

// ---------------------------------------------------------------------------------------------
// Test drives

TDriveInfo& TMappedDrives::Add(QChar letter, const QString& folder, TDriveType type, const QString& label,
                               const QString& fileSystem, qint64 total, qint64 free)
{
    Remove(letter);
    TDriveInfo d;
    d.letter = letter.toUpper();
    d.type = type;
    d.label = label;
    d.fileSystem = fileSystem;
    d.root = folder.endsWith(u'/') ? folder : folder + u'/';
    d.total = total;
    d.free = free;
    d.mediumPresent = true;
    m_drives.append(d);
    std::sort(m_drives.begin(), m_drives.end(),
              [](const TDriveInfo& a, const TDriveInfo& b) { return a.letter < b.letter; });
    for (TDriveInfo& x : m_drives)
        if (x.letter == d.letter)
            return x;
    return m_drives.last();
}

TDriveInfo& TMappedDrives::AddWithoutMedium(QChar letter, TDriveType type)
{
    // A root that does not exist, so that whatever tries to use the drive fails as it would.
    TDriveInfo& d = Add(letter, QDir::tempPath() + u"/no-medium-"_s + letter.toUpper(), type, QString(),
                        QString(), -1, -1);
    d.mediumPresent = false;
    return d;
}

void TMappedDrives::Remove(QChar letter)
{
    const QChar upper = letter.toUpper();
    m_drives.removeIf([&](const TDriveInfo& d) { return d.letter == upper; });
}

QList<TDriveInfo> TMappedDrives::Drives()
{
    QList<TDriveInfo> out = m_drives;
    for (TDriveInfo& d : out) {
        if (!d.mediumPresent)
            continue;
        qint64 total = -1, free = -1;
        if (!FolderSizes(d.root, &total, &free)) {
            // The folder is gone: the drive is there, its medium is not.
            d.mediumPresent = false;
            d.total = d.free = -1;
            continue;
        }
        if (d.total < 0)
            d.total = total;
        if (d.free < 0)
            d.free = free;
    }
    return out;
}

bool TMappedDrives::TotalSize(QChar letter, qint64* total)
{
    return TDriveProvider::TotalSize(letter, total);
}

} // namespace Platform
