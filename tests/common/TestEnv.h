#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Points HOME, the XDG folders and the temporary folder at a fresh temporary folder for its
// lifetime, so that the data folder, the documents folder and the settings file start empty.
// The previous values come back when it goes.
class TTestHome
{
public:
    TTestHome();
    ~TTestHome();
    TTestHome(const TTestHome&) = delete;
    TTestHome& operator=(const TTestHome&) = delete;

    QString path() const { return m_dir.path(); }
    // A new empty folder below the home, e.g. a card drive.
    QString MakeFolder(const QString& name) const;

private:
    QTemporaryDir m_dir;
    QList<QPair<QByteArray, QByteArray>> m_saved;
};

// Reads a whole file; empty when it cannot be read.
QByteArray ReadAll(const QString& path);
// Writes bytes to a file, creating its folders; fails the test through QVERIFY in the caller.
bool WriteAll(const QString& path, const QByteArray& bytes);
