#pragma once

#include <QString>
#include <QStringList>

// An INI file read and written like the Windows profile functions do it: sections and keys are
// found without regard to case and surrounding blanks, values are read with surrounding blanks
// removed, the file is single-byte Windows-1252 text with CR LF line ends, and every section, key,
// comment and line the program did not touch is kept as it was. The file is opened and closed
// around each call; no handle stays open between calls, and the first write creates it.
//
// Reading never fails: a missing, unreadable or garbled file reads as far as it makes sense and
// gives the defaults elsewhere. Writing throws TError with the system's message when the file
// cannot be written (for example because its folder does not exist).
class TIniFile
{
public:
    explicit TIniFile(QString path);

    const QString& FileName() const { return m_path; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // A value that is a whole decimal number (optionally signed), else the default.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    // True when the value is a whole number other than 0; a missing or non-numeric value gives the default.
    bool ReadBool(const QString& section, const QString& key, bool def) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    // Written as "1" or "0".
    void WriteBool(const QString& section, const QString& key, bool value);

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    // The keys of a section, in file order, as they are spelled in the file.
    QStringList ReadSection(const QString& section) const;
    // The names of every section, in file order.
    QStringList ReadSections() const;
    void EraseSection(const QString& section);
    void DeleteKey(const QString& section, const QString& key);

private:
    QString m_path;
};
