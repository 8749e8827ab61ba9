#include "uShippedFiles.h"

#include "uGlobal.h"
#include "uLanguage.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

// The resources live in a static library, so the program pulls them in by name (outside any
// namespace, as the resource's initialiser is declared in the global one).
static void InitResources()
{
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(shipped);
        done = true;
    }
}

namespace {

bool CopyOut(const QString& resource, const QString& target)
{
    if (!QFile::copy(resource, target))
        return false;
    // A copy of a resource is read-only; the program writes into its language files.
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                      QFileDevice::ReadOther);
    return true;
}

} // namespace

QString ShippedLanguageFile(const QString& code)
{
    InitResources();
    return u":/shipped/lang/Language."_s + code;
}

QStringList ShippedDemoFiles()
{
    InitResources();
    QStringList out;
    const QDir dir(u":/shipped/Demodata"_s);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        out.append(dir.filePath(name));
    return out;
}

QStringList InstallShippedFiles()
{
    InitResources();
    QStringList written;
    for (const QString& code : OfferedLanguages()) {
        const QString target = LanguageFileName(code);
        if (!QFile::exists(target) && CopyOut(ShippedLanguageFile(code), target))
            written.append(target);
    }
    const QString demo = GetDataFolder() + u"/Demodata"_s;
    if (!QFileInfo::exists(demo) && QDir().mkpath(demo)) {
        for (const QString& file : ShippedDemoFiles()) {
            const QString target = demo + u'/' + QFileInfo(file).fileName();
            if (CopyOut(file, target))
                written.append(target);
        }
    }
    return written;
}
