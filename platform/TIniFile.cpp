#include "TIniFile.h"

#include "TError.h"
#include "Win1252.h"

#include <filesystem>
#include <QFile>
#include <system_error>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The file as its lines, kept as bytes so that a line we do not touch goes back unchanged.
struct TLines
{
    QList<QByteArray> lines;

    static TLines Load(const QString& path)
    {
        TLines out;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return out;
        const QByteArray bytes = f.readAll();
        // CR LF, LF and a lone CR all end a line; a last line without an end counts as well.
        qsizetype start = 0;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            if (c != '\r' && c != '\n')
                continue;
            out.lines.append(bytes.mid(start, i - start));
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
        if (start < bytes.size())
            out.lines.append(bytes.mid(start));
        return out;
    }

    // Writes the whole file under a temporary name beside it and puts it in place in one step, so
    // that a crash leaves the old file or the new one, never half of one. No flush to the disk:
    // the language files are written key by key, and waiting for the disk each time is slow.
    void Save(const QString& path) const
    {
        QByteArray bytes;
        for (const QByteArray& line : lines) {
            bytes += line;
            bytes += "\r\n";
        }
        const QString temporary = path + u".new~"_s;
        QFile out(temporary);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            const bool written = out.write(bytes) == bytes.size() && out.flush();
            const QString error = out.errorString();
            out.close();
            if (QFile::exists(path))
                out.setPermissions(QFile::permissions(path));
            std::error_code failed;
            if (written)
                std::filesystem::rename(FsPath(temporary), FsPath(path), failed);
            if (written && !failed)
                return;
            QFile::remove(temporary);
            if (!written)
                throw TError(u"Cannot write \"%1\": %2"_s.arg(path, error));
        }
        // A folder that takes no new file may still let the file itself be rewritten.
        QFile direct(path);
        if (!direct.open(QIODevice::WriteOnly | QIODevice::Truncate) || direct.write(bytes) != bytes.size() ||
            !direct.flush())
            throw TError(u"Cannot write \"%1\": %2"_s.arg(path, direct.errorString()));
    }

    static std::filesystem::path FsPath(const QString& path)
    {
#ifdef Q_OS_WIN
        return std::filesystem::path(path.toStdWString());
#else
        return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
    }

    // The name of a section header line, or a null text for any other line.
    static QString SectionName(const QByteArray& line)
    {
        const QString text = Win1252::Decode(line).trimmed();
        if (!text.startsWith(u'['))
            return {};
        qsizetype end = text.indexOf(u']');
        if (end < 0)
            end = text.size();
        QString name = text.mid(1, end - 1).trimmed();
        if (name.isNull())
            name = u""_s;
        return name;
    }

    // Splits a key line; false for blank lines, comments and lines without "=".
    static bool KeyValue(const QByteArray& line, QString* key, QString* value)
    {
        const QString text = Win1252::Decode(line);
        const QString trimmed = text.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'['))
            return false;
        const qsizetype eq = text.indexOf(u'=');
        if (eq < 0)
            return false;
        *key = text.left(eq).trimmed();
        if (value)
            *value = text.mid(eq + 1).trimmed();
        return !key->isEmpty();
    }

    // Index of the first header of a section, or -1.
    qsizetype FindSection(const QString& section) const
    {
        const QString wanted = section.trimmed();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString name = SectionName(lines[i]);
            if (!name.isNull() && name.compare(wanted, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }

    // One past the last line of the section whose header is at `header`.
    qsizetype SectionEnd(qsizetype header) const
    {
        qsizetype i = header + 1;
        while (i < lines.size() && SectionName(lines[i]).isNull())
            ++i;
        return i;
    }

    // Index of the first line of a key in the section, or -1.
    qsizetype FindKey(qsizetype header, const QString& key, QString* value = nullptr) const
    {
        const QString wanted = key.trimmed();
        const qsizetype end = SectionEnd(header);
        for (qsizetype i = header + 1; i < end; ++i) {
            QString k;
            if (KeyValue(lines[i], &k, value) && k.compare(wanted, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }
};

// A line break inside a value or key would break the file apart into other keys or sections.
QString OneLine(QString text)
{
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

bool ToInteger(const QString& text, int* value)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (ok)
        *value = v;
    return ok;
}

} // namespace

TIniFile::TIniFile(QString path) : m_path(std::move(path)) {}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const TLines file = TLines::Load(m_path);
    const qsizetype header = file.FindSection(section);
    if (header < 0)
        return def;
    QString value;
    if (file.FindKey(header, key, &value) < 0)
        return def;
    return value;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int def) const
{
    int value = def;
    if (!ToInteger(ReadString(section, key, QString()), &value))
        return def;
    return value;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    TLines file = TLines::Load(m_path);
    const QByteArray line = Win1252::Encode(OneLine(key.trimmed()) + u'=' + OneLine(value));
    const qsizetype header = file.FindSection(section);
    if (header < 0) {
        if (!file.lines.isEmpty() && !file.lines.last().trimmed().isEmpty())
            file.lines.append(QByteArray());
        file.lines.append(Win1252::Encode(u'[' + OneLine(section.trimmed()) + u']'));
        file.lines.append(line);
    } else if (const qsizetype at = file.FindKey(header, key); at >= 0) {
        // The key keeps its spelling and spacing in the file; only the value changes.
        const QByteArray& old = file.lines[at];
        file.lines[at] = old.left(old.indexOf('=') + 1) + Win1252::Encode(OneLine(value));
    } else {
        // After the section's last non-blank line, so that the blank line before the next section stays.
        qsizetype end = file.SectionEnd(header);
        while (end > header + 1 && file.lines[end - 1].trimmed().isEmpty())
            --end;
        file.lines.insert(end, line);
    }
    file.Save(m_path);
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? u"1"_s : u"0"_s);
}

bool TIniFile::SectionExists(const QString& section) const
{
    return TLines::Load(m_path).FindSection(section) >= 0;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const
{
    const TLines file = TLines::Load(m_path);
    const qsizetype header = file.FindSection(section);
    return header >= 0 && file.FindKey(header, key) >= 0;
}

QStringList TIniFile::ReadSection(const QString& section) const
{
    const TLines file = TLines::Load(m_path);
    const qsizetype header = file.FindSection(section);
    QStringList keys;
    if (header < 0)
        return keys;
    const qsizetype end = file.SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        QString key;
        if (TLines::KeyValue(file.lines[i], &key, nullptr))
            keys.append(key);
    }
    return keys;
}

QStringList TIniFile::ReadSections() const
{
    const TLines file = TLines::Load(m_path);
    QStringList names;
    for (const QByteArray& line : file.lines) {
        const QString name = TLines::SectionName(line);
        if (!name.isNull())
            names.append(name);
    }
    return names;
}

void TIniFile::EraseSection(const QString& section)
{
    TLines file = TLines::Load(m_path);
    bool changed = false;
    for (qsizetype header = file.FindSection(section); header >= 0; header = file.FindSection(section)) {
        file.lines.remove(header, file.SectionEnd(header) - header);
        changed = true;
    }
    if (changed)
        file.Save(m_path);
}

void TIniFile::DeleteKey(const QString& section, const QString& key)
{
    TLines file = TLines::Load(m_path);
    const qsizetype header = file.FindSection(section);
    if (header < 0)
        return;
    const qsizetype at = file.FindKey(header, key);
    if (at < 0)
        return;
    file.lines.removeAt(at);
    file.Save(m_path);
}
