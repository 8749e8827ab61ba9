#pragma once

#include "TTable.h"

#include <functional>
#include <QList>
#include <QString>
#include <QStringList>

class QWidget;
class TDatabase;
class TDatabaseImpExpFrm;
class TWaitFrm;

// What the browser lends the card import and the customer transfer: the open tables and the parts
// of its window that a run drives.
struct TCardHost
{
    TDatabase* database = nullptr;
    // Parent of the message boxes.
    QWidget* window = nullptr;
    // The status bar's text.
    std::function<void(const QString&)> setStatus;
    // Hides (false) and shows again (true) the customer list and the test list.
    std::function<void(bool visible)> showLists;
    // The protocol window's AppendProtocolLine; unset when there is no protocol window.
    std::function<void(const QString&)> protocol;
    // Windows that keep taking clicks and keys while a run goes on (the protocol window with its
    // switch). Every other window ignores them until the run has ended.
    QList<QWidget*> inputWindows;
    // The progress window; WaitFrm() when unset.
    TWaitFrm* waitFrm = nullptr;
    // The importer; the registered "DatabaseImpExpFrm" when unset.
    TDatabaseImpExpFrm* importer = nullptr;
};

// True while an import or a customer transfer runs. Every operation that changes the tables asks
// it first; the import and the transfer refuse to start a second time.
bool CardExchangeBusy();

// The button "Von Karte laden": checks the card drive (DataDrive), imports every measurement file
// of the card and writes the duration into the protocol. Throws TError when an error ended the
// import (the caller's guard shows it); the window's lists, cursor and progress are restored
// either way. Refreshing the browser's buttons and selections afterwards is the caller's part.
void LoadMesFromCard(const TCardHost& host);
// Lists and imports the card's files with progress, status text and hidden lists.
void ImportCardFiles(const TCardHost& host);
// Adds the full path of every "*.DAT" entry of the folder that is not a folder itself.
void ListCardFiles(const QString& root, QStringList& list);

// The button "Auf Karte speichern": after the question, empties the card's root folder and writes
// one customer file "TQ5_<n>.DAT" per selected customer (in selection order). More than 500
// selected customers are refused before anything on the card is touched. The caller has checked
// that the card drive can be reached. Throws TError when a customer file cannot be written.
void TransferCustomersToCard(const TCardHost& host, const QList<TBookmark>& selection);
// Deletes every file (not the folders) in the card's root folder, with progress; false when a file
// could not be deleted.
bool ClearCard(const QString& root, TWaitFrm* waitFrm);

// The six lines of a customer file: KN, K1 to K5, each value padded to 30 characters.
QByteArray CustomerFileBytes(const QString& kn, const QString& k1, const QString& k2, const QString& k3,
                             const QString& k4, const QString& k5);
