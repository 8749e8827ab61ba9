#pragma once

#include <QByteArray>
#include <QString>

// Some cases need a second process: one that holds the database file, one that is killed in the
// middle of a transaction, one without the rights of the test. The test executable starts itself
// with the environment variables TQ5_STORE_CHILD (the job) and TQ5_STORE_FILE (the database);
// the child does its job before the test main runs and reports on its standard output.
//
// Jobs:
//   hold     opens the file, writes "open", holds it until its standard input closes
//   bigtx    commits 100 rows to "People", writes "committed", then appends rows in one
//            transaction without end, writing "inside" once 5000 of them are in
//   open     (as an unprivileged user when run as root) opens the file and appends a row;
//            writes "written", or "error:" and the error's text
namespace ChildProcess {
// Runs a job and waits until its output holds the marker (or it ended); returns the output.
// The process stays running; Stop ends it.
struct TChild;
TChild* Start(const QByteArray& job, const QString& databasePath, const QByteArray& marker,
              int timeoutMs = 30000);
QByteArray Output(TChild* child);
void Kill(TChild* child); // SIGKILL, no chance to clean up
void Stop(TChild* child); // closes its standard input and waits for it
// Runs a job to its end and returns its output.
QByteArray Run(const QByteArray& job, const QString& databasePath, int timeoutMs = 30000);
} // namespace ChildProcess
