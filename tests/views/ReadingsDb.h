#pragma once

#include "TDatabase.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <optional>

// A fresh database with one customer, to which tests add tests with their readings.
class TReadingsDb
{
public:
    TReadingsDb();
    ~TReadingsDb();

    struct TTestRow
    {
        int mtnr = 1;
        QString mt = QStringLiteral("Gas, Belastungsprüfung");
        QString in = QStringLiteral("1");
        QString ks = QStringLiteral("1");
        QString eh = QStringLiteral("mbar");
    };
    // Appends a test and its readings (nullopt: no value); the readings' DA and UZ are the
    // moments start + k × IN as the import writes them. The new test becomes current.
    void AddTest(const TTestRow& row, const QDateTime& start, const QList<std::optional<double>>& values);
    // The same with count readings whose value is value(k).
    void AddTest(const TTestRow& row, const QDateTime& start, int count, double (*value)(int));

    TDatabase db;
    QString path;

private:
    QTemporaryDir m_dir;
};
