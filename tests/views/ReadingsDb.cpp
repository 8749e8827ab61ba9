#include "ReadingsDb.h"

using namespace Qt::StringLiterals;

TReadingsDb::TReadingsDb()
{
    path = m_dir.filePath(u"TQ5Report.DB"_s);
    db.CreateDatabase(path);
    db.OpenTables(path);
    db.KundenTable->Append();
    db.KundenTable->FieldByName(u"KN"_s).SetAsString(u"4711"_s);
    db.KundenTable->Post();
}

TReadingsDb::~TReadingsDb()
{
    db.CloseTables();
}

namespace {
void AddTestRow(TDatabase& db, const TReadingsDb::TTestRow& row, const QDateTime& start)
{
    TTable& t = *db.MessungenTable;
    t.Append();
    t.FieldByName(u"MTNR"_s).SetAsInteger(row.mtnr);
    t.FieldByName(u"MT"_s).SetAsString(row.mt);
    t.FieldByName(u"IN"_s).SetAsString(row.in);
    t.FieldByName(u"KS"_s).SetAsString(row.ks);
    t.FieldByName(u"EH"_s).SetAsString(row.eh);
    t.FieldByName(u"SD"_s).SetAsDate(start.date());
    t.FieldByName(u"SU"_s).SetAsTime(start.time());
    t.Post();
}

void AddReading(TTable& m, const QDateTime& moment, std::optional<double> value)
{
    m.Append();
    m.FieldByName(u"DA"_s).SetAsDate(moment.date());
    m.FieldByName(u"UZ"_s).SetAsTime(moment.time());
    if (value)
        m.FieldByName(u"MW"_s).SetAsFloat(*value);
    m.Post();
}
} // namespace

void TReadingsDb::AddTest(const TTestRow& row, const QDateTime& start,
                          const QList<std::optional<double>>& values)
{
    AddTestRow(db, row, start);
    const int in = row.in.toInt();
    db.Database->StartTransaction();
    for (qsizetype k = 0; k < values.size(); ++k)
        AddReading(*db.MessdatenTable, start.addSecs(k * in), values[k]);
    db.Database->Commit();
    db.MessdatenTable->First();
}

void TReadingsDb::AddTest(const TTestRow& row, const QDateTime& start, int count, double (*value)(int))
{
    AddTestRow(db, row, start);
    const int in = row.in.toInt();
    db.Database->StartTransaction();
    for (int k = 0; k < count; ++k)
        AddReading(*db.MessdatenTable, start.addSecs(qint64(k) * in), value(k));
    db.Database->Commit();
    db.MessdatenTable->First();
}
