#pragma once

#include "TDatabaseFile.h"
#include "TTable.h"

#include <memory>
#include <QString>
#include <QTemporaryDir>

// A database file in a fresh folder with two linked tables of our own: "People" (numbered key,
// short name, birth date, time, score, grade kept as text, note) and "Visits" (link to a person,
// day, what). Small enough to read, big enough to cross the cursor's fetch windows when filled.
struct TStoreFixture
{
    TStoreFixture();
    ~TStoreFixture();

    QString Path() const { return dir.path() + QStringLiteral("/test.db"); }
    QString Folder() const { return dir.path(); }

    // Creates the file and both tables (connection stays open, tables closed).
    void Create();
    // Opens both tables; visits linked to people when linked is set.
    void OpenTables(bool linked);

    // Appends one person and posts it; empty texts and invalid dates stay null.
    void AddPerson(const QString& name, QDate born = {}, const QString& grade = {}, double score = 0);
    void AddVisit(int person, QDate day, const QString& what);

    QTemporaryDir dir;
    TDatabaseFile db;
    TTable people;
    TTable visits;
};

// The values of one field for every row, walking the cursor from First to Eof.
QStringList Walk(TTable& table, const QString& field);
// The same walking from Last back to Bof (listed in walking order).
QStringList WalkBack(TTable& table, const QString& field);
// Rows in the file, counted by a connection of its own (the file must be closed).
qint64 CountRowsInFile(const QString& path, const QString& table);
