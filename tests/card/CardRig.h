#pragma once

#include "CardExchange.h"
#include "Platform.h"
#include "TDatabase.h"
#include "TDatabaseImpExpFrm.h"
#include "TWaitFrm.h"

#include <QStringList>
#include <QTemporaryDir>

// One card drive "E" (a temporary folder), a fresh database with its three tables, a progress
// window, an importer and a host that records what the run does to the browser's window.
class TCardRig
{
public:
    TCardRig();
    ~TCardRig();
    TCardRig(const TCardRig&) = delete;
    TCardRig& operator=(const TCardRig&) = delete;

    // Copies the card files of a fixture case into the card folder.
    void CopyCard(const QString& fixtureCase);
    // Writes one file into the card folder.
    void WriteCard(const QString& name, const QByteArray& bytes);
    QString CardPath(const QString& name) const { return card + u'/' + name; }

    // Adds a customer row directly, the way the browser's "Neu" does.
    void AddCustomer(const QString& kn, const QString& k1 = {});

    // The database as text: customers in KN order, their tests in start order, the readings.
    QString Dump();
    int Count(const QString& table);
    QString IntegrityCheck();

    QTemporaryDir dir;
    QString card;
    Platform::TMappedDrives drives;
    Platform::TManualClock clock;
    TDatabase db;
    TWaitFrm wait;
    TDatabaseImpExpFrm importer;
    TCardHost host;

    QStringList protocol;
    QStringList statusTexts;
    // Every call of showLists.
    QList<bool> listCalls;
    // Runs at every protocol line (to look at the state of a run from inside it).
    std::function<void(const QString&)> onProtocol;
};

// The lines of a text file (UTF-8, LF), without the last empty one.
QStringList FixtureLines(const QString& path);
