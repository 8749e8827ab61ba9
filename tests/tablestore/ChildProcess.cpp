#include "ChildProcess.h"

#include "TDatabaseFile.h"
#include "TError.h"
#include "TTable.h"

#include <cstdio>
#include <cstdlib>
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

void Say(const char* text)
{
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int Hold(const QString& path)
{
    TDatabaseFile db;
    db.SetFileName(path);
    db.Open();
    Say("open");
    char buf[64];
    while (std::fgets(buf, sizeof buf, stdin)) {
    }
    db.Close();
    return 0;
}

void AddPerson(TTable& people, int n)
{
    people.Append();
    people.FieldByName(u"NAME"_s).SetAsString(u"P%1"_s.arg(n));
    people.FieldByName(u"NOTE"_s).SetAsString(QString(200, u'x'));
    people.Post();
}

int BigTransaction(const QString& path)
{
    TDatabaseFile db;
    db.SetFileName(path);
    db.Open();
    TTable people;
    people.SetDatabase(&db);
    people.SetTableName(u"People"_s);
    people.Open();
    db.StartTransaction();
    for (int i = 0; i < 100; ++i)
        AddPerson(people, i);
    db.Commit();
    Say("committed");
    db.StartTransaction();
    for (int i = 100;; ++i) {
        AddPerson(people, i);
        if (i == 5100)
            Say("inside");
    }
}

int OpenAndWrite(const QString& path)
{
#ifdef Q_OS_UNIX
    // Root may write anything; the rights of a plain user are what the case is about.
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
        Say("error:cannot drop rights");
        return 1;
    }
#endif
    try {
        TDatabaseFile db;
        db.SetFileName(path);
        db.Open();
        TTable people;
        people.SetDatabase(&db);
        people.SetTableName(u"People"_s);
        people.Open();
        AddPerson(people, 1);
        db.Close();
        Say("written");
    } catch (const TError& e) {
        Say(("error:" + e.message().toUtf8()).constData());
    }
    return 0;
}

struct TChildJob
{
    TChildJob()
    {
        const QByteArray job = qgetenv("TQ5_STORE_CHILD");
        if (job.isEmpty())
            return;
        const QString path = QString::fromLocal8Bit(qgetenv("TQ5_STORE_FILE"));
        int rc = 2;
        try {
            if (job == "hold")
                rc = Hold(path);
            else if (job == "bigtx")
                rc = BigTransaction(path);
            else if (job == "open")
                rc = OpenAndWrite(path);
        } catch (const TError& e) {
            Say(("error:" + e.message().toUtf8()).constData());
            rc = 1;
        }
        std::fflush(stdout);
        std::_Exit(rc);
    }
};
const TChildJob childJob;

} // namespace

namespace ChildProcess {

struct TChild
{
    QProcess process;
    QByteArray output;
};

TChild* Start(const QByteArray& job, const QString& databasePath, const QByteArray& marker, int timeoutMs)
{
    auto* child = new TChild;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TQ5_STORE_CHILD"_s, QString::fromLatin1(job));
    env.insert(u"TQ5_STORE_FILE"_s, databasePath);
    child->process.setProcessEnvironment(env);
    child->process.setProgram(QCoreApplication::applicationFilePath());
    child->process.start();
    child->process.waitForStarted(timeoutMs);
    while (!child->output.contains(marker) && child->process.state() == QProcess::Running) {
        if (!child->process.waitForReadyRead(timeoutMs))
            break;
        child->output += child->process.readAllStandardOutput();
    }
    child->output += child->process.readAllStandardOutput();
    return child;
}

QByteArray Output(TChild* child)
{
    return child->output;
}

void Kill(TChild* child)
{
    child->process.kill();
    child->process.waitForFinished(30000);
    delete child;
}

void Stop(TChild* child)
{
    child->process.closeWriteChannel();
    child->process.waitForFinished(30000);
    delete child;
}

QByteArray Run(const QByteArray& job, const QString& databasePath, int timeoutMs)
{
    TChild* child = Start(job, databasePath, "\n", timeoutMs);
    child->process.waitForFinished(timeoutMs);
    QByteArray out = child->output + child->process.readAllStandardOutput();
    delete child;
    return out.trimmed();
}

} // namespace ChildProcess
