#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const char* const kVars[] = {"HOME",           "XDG_DATA_HOME",   "XDG_CONFIG_HOME",
                             "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"};
}

TTestHome::TTestHome() : m_dir(QDir::tempPath() + QStringLiteral("/tq5test-XXXXXX"))
{
    const QString root = m_dir.path();
    for (const char* var : kVars)
        m_saved.append({QByteArray(var), qgetenv(var)});
    QDir(root).mkpath(QStringLiteral("data"));
    QDir(root).mkpath(QStringLiteral("config"));
    QDir(root).mkpath(QStringLiteral("cache"));
    QDir(root).mkpath(QStringLiteral("runtime"));
    QDir(root).mkpath(QStringLiteral("tmp"));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", QFile::encodeName(root));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root + QStringLiteral("/cache")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root + QStringLiteral("/runtime")));
    qputenv("TMPDIR", QFile::encodeName(root + QStringLiteral("/tmp")));
}

TTestHome::~TTestHome()
{
    for (const auto& [name, value] : m_saved) {
        if (value.isEmpty())
            qunsetenv(name.constData());
        else
            qputenv(name.constData(), value);
    }
}

QString TTestHome::MakeFolder(const QString& name) const
{
    const QString p = m_dir.path() + u'/' + name;
    QDir().mkpath(p);
    return p;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}
