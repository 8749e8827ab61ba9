#pragma once

#include "TDatabaseFile.h"
#include "TTable.h"
#include "TTableModel.h"

#include <functional>
#include <QList>
#include <QObject>
#include <QString>

// The program's database "TQ5Report.DB": the connection and the three linked tables customers,
// tests (MessungenTable, linked to the current customer) and readings (MessdatenTable, linked to
// the current test). The main window owns the one instance; every other window reads the current
// customer, test and readings from it through TQ5Database().
class TDatabase : public QObject
{
    Q_OBJECT
public:
    static inline const QString DatabaseName = QStringLiteral("TQ5Report.DB");

    explicit TDatabase(QObject* parent = nullptr);
    ~TDatabase() override;

    // Data folder joined with "TQ5Report.DB".
    static QString DatabasePath();

    // Closes the connection, creates the file at path with the three empty tables, every field and
    // index (an existing table of the same name is deleted first). The connection stays closed.
    void CreateDatabase(const QString& path);
    // Opens the database at DatabasePath() (or the given path) and the three tables with their
    // links and display formats. A damaged file runs OnNeedRepair (by default the damaged-file
    // message); the tables open all the same.
    void OpenTables();
    void OpenTables(const QString& path);
    // Closes MessdatenTable, MessungenTable, KundenTable in this order, then the connection.
    void CloseTables();
    // Creates the file when it is missing, then opens the tables (the window's start step).
    void OpenOrCreate(const QString& path);

    // What a damaged file on opening runs; defaults to ShowNeedRepairMessage. Windows may replace it.
    std::function<void()> OnNeedRepair;
    // "Datenbankfehler": "Die Datenbank wurde beschädigt." CR "Bitte führen Sie die Reparaturfunktion aus."
    static void ShowNeedRepairMessage();

    // Maintenance with the connection closed around it; the connection is open again afterwards and
    // the tables are closed (the program is restarted after these).
    TDatabaseFile::TRepairResult RepairDatabase();
    void CompactDatabase();
    // Closes the three tables, empties them, reopens them (readings, tests, customers).
    void EmptyTables();

    // Deletes the current customer with its tests and their readings / the current test with its
    // readings.
    void DeleteCurrentCustomer();
    void DeleteCurrentMeasurement();

    // The definitions of the three tables, in creation order.
    static QList<TTableDef> Schema();

    TDatabaseFile* Database;
    TTable* KundenTable;
    TTable* MessungenTable;
    TTable* MessdatenTable;

private:
    void DefineTables();
};

// The program's open database (the main window's); nullptr before it exists.
TDatabase* TQ5Database();
void SetTQ5Database(TDatabase* database);
