#include "StoreFixture.h"

#include <QTest>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

TStoreFixture::TStoreFixture()
{
    db.SetDatabaseName(u"Test"_s);
    people.SetDatabase(&db);
    people.SetTableName(u"People"_s);
    visits.SetDatabase(&db);
    visits.SetTableName(u"Visits"_s);
}

TStoreFixture::~TStoreFixture()
{
    db.Close();
}

void TStoreFixture::Create()
{
    db.SetFileName(Path());
    db.CreateDatabaseFile();
    db.Open();
    people.FieldDefs() = {{u"ID"_s, TFieldType::AutoInc, 0},  {u"NAME"_s, TFieldType::String, 10},
                          {u"BORN"_s, TFieldType::Date, 0},   {u"AT"_s, TFieldType::Time, 0},
                          {u"SCORE"_s, TFieldType::Float, 0}, {u"GRADE"_s, TFieldType::String, 5},
                          {u"NOTE"_s, TFieldType::Memo, 0}};
    people.IndexDefs() = {{u"I_ID"_s, {u"ID"_s}, TIndexOption::Primary},
                          {u"INAME"_s, {u"NAME"_s}, {}},
                          {u"INAMECI"_s, {u"NAME"_s}, TIndexOption::CaseInsensitive},
                          {u"IBORN"_s, {u"BORN"_s}, TIndexOption::Descending},
                          {u"IGRADE"_s, {u"GRADE"_s, u"NAME"_s}, {}}};
    people.CreateTable();
    visits.FieldDefs() = {{u"PERSON"_s, TFieldType::Integer, 0},
                          {u"VID"_s, TFieldType::AutoInc, 0},
                          {u"DAY"_s, TFieldType::Date, 0},
                          {u"WHAT"_s, TFieldType::String, 20}};
    visits.IndexDefs() = {{u"IPERSON"_s, {u"PERSON"_s}, {}},
                          {u"IPD"_s, {u"PERSON"_s, u"DAY"_s}, TIndexOption::Descending}};
    visits.CreateTable();
}

void TStoreFixture::OpenTables(bool linked)
{
    if (!db.Connected()) {
        db.SetFileName(Path());
        db.Open();
    }
    people.Open();
    if (linked) {
        visits.SetMasterSource(&people, u"ID"_s, u"PERSON"_s);
        visits.SetIndexFieldNames(u"PERSON"_s);
    }
    visits.Open();
}

void TStoreFixture::AddPerson(const QString& name, QDate born, const QString& grade, double score)
{
    people.Append();
    people.FieldByName(u"NAME"_s).SetAsString(name);
    people.FieldByName(u"BORN"_s).SetAsDate(born);
    people.FieldByName(u"GRADE"_s).SetAsString(grade);
    people.FieldByName(u"SCORE"_s).SetAsFloat(score);
    people.Post();
}

void TStoreFixture::AddVisit(int person, QDate day, const QString& what)
{
    visits.Append();
    if (person)
        visits.FieldByName(u"PERSON"_s).SetAsInteger(person);
    visits.FieldByName(u"DAY"_s).SetAsDate(day);
    visits.FieldByName(u"WHAT"_s).SetAsString(what);
    visits.Post();
}

QStringList Walk(TTable& table, const QString& field)
{
    QStringList values;
    TField& f = table.FieldByName(field);
    for (table.First(); !table.Eof(); table.Next())
        values.append(f.AsString());
    return values;
}

QStringList WalkBack(TTable& table, const QString& field)
{
    QStringList values;
    TField& f = table.FieldByName(field);
    for (table.Last(); !table.Bof(); table.Prior())
        values.append(f.AsString());
    return values;
}

qint64 CountRowsInFile(const QString& path, const QString& table)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return -1;
    }
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = "SELECT COUNT(*) FROM \"" + table.toUtf8() + "\"";
    qint64 n = -1;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}
