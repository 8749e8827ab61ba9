#include "CardRig.h"

#include "TestEnv.h"
#include "uGlobal.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

TCardRig::TCardRig()
{
    card = dir.path() + u"/card"_s;
    QDir().mkpath(card);
    drives.Add(u'E', card);
    Platform::SetDriveProvider(&drives);
    Platform::SetClock(&clock);
    DataDrive = u'E';
    NoProt = false;
    db.OpenOrCreate(dir.path() + u"/TQ5Report.DB"_s);
    host.database = &db;
    host.waitFrm = &wait;
    host.importer = &importer;
    host.protocol = [this](const QString& line) {
        protocol << line;
        if (onProtocol)
            onProtocol(line);
    };
    host.setStatus = [this](const QString& text) { statusTexts << text; };
    host.showLists = [this](bool visible) { listCalls << visible; };
}

TCardRig::~TCardRig()
{
    db.CloseTables();
    Platform::SetClock(nullptr);
    Platform::SetDriveProvider(nullptr);
    DataDrive = u' ';
    NoProt = false;
}

void TCardRig::CopyCard(const QString& fixtureCase)
{
    const QDir from(QStringLiteral(TQ5_FIXTURES) + u'/' + fixtureCase + u"/card"_s);
    for (const QString& name : from.entryList(QDir::Files))
        QVERIFY(QFile::copy(from.filePath(name), CardPath(name)));
}

void TCardRig::WriteCard(const QString& name, const QByteArray& bytes)
{
    QVERIFY(WriteAll(CardPath(name), bytes));
}

void TCardRig::AddCustomer(const QString& kn, const QString& k1)
{
    TTable& k = *db.KundenTable;
    k.Append();
    k.FieldByName(u"KN"_s).SetAsString(kn);
    k.FieldByName(u"K1"_s).SetAsString(k1);
    k.Post();
}

QString TCardRig::Dump()
{
    TTable& k = *db.KundenTable;
    TTable& m = *db.MessungenTable;
    TTable& d = *db.MessdatenTable;
    const TBookmark here = k.GetBookmark();
    k.SetIndexName(u"KN"_s);
    m.SetIndexFieldNames(u"SD;SU"_s);
    QStringList out;
    for (k.First(); !k.Eof(); k.Next()) {
        QString line = u"K"_s;
        for (const char16_t* f : {u"KN", u"K1", u"K2", u"K3", u"K4", u"K5"}) {
            const QString v = k.FieldByName(QString::fromUtf16(f)).AsString();
            if (!v.isEmpty())
                line += u'|' + QString::fromUtf16(f) + u'=' + v;
        }
        out << line;
        for (m.First(); !m.Eof(); m.Next()) {
            QString t = u" M"_s;
            if (!m.FieldByName(u"SD"_s).IsNull())
                t += u"|SD="_s + m.FieldByName(u"SD"_s).AsDate().toString(u"dd.MM.yyyy"_s);
            if (!m.FieldByName(u"SU"_s).IsNull())
                t += u"|SU="_s + m.FieldByName(u"SU"_s).AsTime().toString(u"HH:mm:ss"_s);
            if (!m.FieldByName(u"MT"_s).AsString().isEmpty())
                t += u"|MT="_s + m.FieldByName(u"MT"_s).AsString();
            t += u"|MTNR="_s + QString::number(m.FieldByName(u"MTNR"_s).AsInteger());
            for (const char16_t* f : {u"IN", u"DS", u"DE", u"MD", u"DM", u"SZ", u"ST", u"ET", u"EH", u"KS",
                                      u"LD", u"RD", u"LR", u"LU", u"NR"}) {
                const QString v = m.FieldByName(QString::fromUtf16(f)).AsString();
                if (!v.isEmpty())
                    t += u'|' + QString::fromUtf16(f) + u'=' + v;
            }
            out << t;
            for (d.First(); !d.Eof(); d.Next()) {
                const TField& mw = d.FieldByName(u"MW"_s);
                out << u"  D|"_s + d.FieldByName(u"DA"_s).AsDate().toString(u"dd.MM.yyyy"_s) + u'|' +
                           d.FieldByName(u"UZ"_s).AsTime().toString(u"HH:mm:ss"_s) + u'|' +
                           (mw.IsNull() ? QString() : QString::number(mw.AsFloat(), 'g', 9));
            }
        }
    }
    m.SetIndexFieldNames(QString());
    k.SetIndexName(QString());
    if (here.IsValid())
        k.GotoBookmark(here);
    return out.join(u'\n');
}

int TCardRig::Count(const QString& table)
{
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = "SELECT COUNT(*) FROM \"" + table.toUtf8() + "\"";
    if (sqlite3_prepare_v2(db.Database->Handle(), sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        return -1;
    const int n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    return n;
}

QString TCardRig::IntegrityCheck()
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.Database->Handle(), "PRAGMA integrity_check", -1, &st, nullptr) != SQLITE_OK)
        return u"prepare failed"_s;
    QStringList rows;
    while (sqlite3_step(st) == SQLITE_ROW)
        rows << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return rows.join(u'\n');
}

QStringList FixtureLines(const QString& path)
{
    QStringList lines = QString::fromUtf8(ReadAll(path)).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
