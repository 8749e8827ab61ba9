#pragma once

#include "ImportRecords.h"

#include <functional>
#include <memory>
#include <QElapsedTimer>
#include <QString>
#include <QWidget>

class TTable;

// Holder of the measurement file import. It has no visible window of its own.
//
// ImportFile reads one card file line by line into the customers, tests and readings tables: the
// customer is found by its number or created, a test is added unless the customer already has one
// with the same start date and time, and the reading rows of a new test go into the readings table
// or, for the logger types 0 and 12, into a CSV file in the data folder. A new test and its
// readings are stored in one transaction: an error in between leaves neither, and a block that
// ends without "EM" keeps its test without readings.
class TDatabaseImpExpFrm : public QWidget
{
    Q_OBJECT
public:
    explicit TDatabaseImpExpFrm(QWidget* parent = nullptr);
    ~TDatabaseImpExpFrm() override;

    // Customers and tests created by the file read last.
    int KundenNeu = 0;
    int MessungenNeu = 0;

    // Where the protocol lines go (the protocol window's AppendProtocolLine); nothing when unset.
    // A line is written only while the setting NoProt is off, asked before every line.
    std::function<void(const QString&)> Protocol;

    // Imports one file. The tests table must be linked to the customers and the readings table to
    // the tests. Throws TError (conversion, input and output, store) after writing the file's summary
    // lines; what was stored before the error stays stored.
    void ImportFile(TTable* kunden, TTable* messungen, TTable* messdaten, const QString& path);

    // Finds the customer by KN (letter case aside) or appends it, sets its texts from the file and
    // makes it the current customer.
    void StoreCustomer(const TKunde& kunde);
    // Finds the test of the current customer with the same start date and time or appends one (in a
    // new transaction, which StoreReadings commits), sets its fields from the file and makes it the
    // current test. True when it was newly created.
    bool StoreMeasurement(const TMessung& messung);
    // Starts taking the reading rows of the test StoreMeasurement has just created.
    void OpenReadings(const TMessdaten& messdaten);
    // One reading row of the open block.
    void AddReading(const QString& row);
    // "EM": stores the rows of the open block with its test (commit).
    void StoreReadings();
    // The block ended without "EM": the test stays, its rows are dropped.
    void DropReadings();
    // An error ended the block: the new test and its rows are not stored.
    void AbortReadings();
    bool ReadingsOpen() const;

    // The catalogue name of a test type "0" to "14" (exact text), else empty.
    static QString TestTypeName(const QString& mt);
    // A duration as a time of day in the long time format ("00:01:05").
    static QString ElapsedText(qint64 milliseconds);

    // Writes a protocol line unless NoProt is set.
    void WriteProtocol(const QString& text);
    // Lets pending window events run, at most every 50 ms.
    void ProcessEvents();

private:
    void HandleLine(const QString& line);
    void FinishFile();

    struct TReadings;
    TTable* m_kunden = nullptr;
    TTable* m_messungen = nullptr;
    TTable* m_messdaten = nullptr;
    TKunde m_kunde;
    TMessung m_messung;
    TMessdaten m_collector;
    bool m_newTest = false;
    std::unique_ptr<TReadings> m_readings;
    QElapsedTimer m_pump;
};
