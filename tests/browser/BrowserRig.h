#pragma once

#include "TDatabaseFrm.h"
#include "TestEnv.h"

#include <memory>
#include <QDate>
#include <QTime>

class TDatabase;

// A browser window on a fresh database in a fresh home, with helpers that add customers, tests
// and readings the way the card import does (through the links).
class TBrowserRig
{
public:
    // open: the window prepared as when it is shown (database created and opened).
    explicit TBrowserRig(bool open = true);
    ~TBrowserRig();

    TTestHome home;
    std::unique_ptr<TDatabaseFrm> frm;

    // Appends a customer and makes it the current one; returns its KUNDENID.
    int AddCustomer(const QString& kn, const QString& k1 = {}, const QString& k2 = {},
                    const QString& k3 = {});
    // Appends a test to the current customer and makes it current; returns its MESSUNGENID.
    int AddTest(QDate sd, QTime su, int mtnr, const QString& md = QStringLiteral("3"),
                const QString& mt = {});
    // Appends readings to the current test, one a second from the test's start.
    void AddReadings(int count, double first = 1.0);

    // A number from the database file itself: "SELECT COUNT(*) FROM ...".
    qint64 Scalar(const QString& sql) const;
    qint64 Customers() const;
    qint64 Tests() const;
    qint64 Readings() const;
    // KN of the customer list's rows in list order.
    QStringList CustomerColumn(const QString& field) const;
    QStringList TestColumn(const QString& field) const;
};
