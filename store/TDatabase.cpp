#include "TDatabase.h"

#include "Dialogs.h"
#include "TError.h"
#include "TLangResFrm.h"
#include "uGlobal.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

TDatabase* g_database = nullptr;

TFieldDef Text(const QString& name, int size)
{
    return {name, TFieldType::String, size};
}

TFieldDef Of(const QString& name, TFieldType type)
{
    return {name, type, 0};
}

TIndexDef Index(const QString& name, const QStringList& fields, TIndexOptions options = {})
{
    return {name, fields, options};
}

} // namespace

TDatabase* TQ5Database()
{
    return g_database;
}

void SetTQ5Database(TDatabase* database)
{
    g_database = database;
}

QList<TTableDef> TDatabase::Schema()
{
    TTableDef kunden{u"KundenTable"_s, {}, {}};
    kunden.fields = {Of(u"KUNDENID"_s, TFieldType::AutoInc),
                     Text(u"KN"_s, 20),
                     Text(u"K1"_s, 30),
                     Text(u"K2"_s, 30),
                     Text(u"K3"_s, 30),
                     Text(u"K4"_s, 30),
                     Text(u"K5"_s, 30),
                     Of(u"KMEMO"_s, TFieldType::Memo)};
    kunden.indexes = {Index(u"I_KUNDENID"_s, {u"KUNDENID"_s}, TIndexOption::Primary)};
    for (const QString& f : {u"KN"_s, u"K1"_s, u"K2"_s, u"K3"_s, u"K4"_s, u"K5"_s})
        kunden.indexes.append(Index(f, {f}));

    TTableDef messungen{u"MessungenTable"_s, {}, {}};
    messungen.fields = {Of(u"MKUNDENID"_s, TFieldType::Integer),
                        Of(u"MESSUNGENID"_s, TFieldType::AutoInc),
                        Of(u"SD"_s, TFieldType::Date),
                        Of(u"SU"_s, TFieldType::Time),
                        Text(u"MT"_s, 50),
                        Of(u"MTNR"_s, TFieldType::Integer)};
    for (const QString& f : {u"IN"_s, u"DS"_s, u"DE"_s, u"MD"_s, u"DM"_s, u"SZ"_s, u"ST"_s, u"ET"_s, u"EH"_s,
                             u"KS"_s, u"LD"_s, u"RD"_s, u"LR"_s, u"LU"_s, u"NR"_s})
        messungen.fields.append(Text(f, 20));
    messungen.fields.append(Of(u"MMEMO"_s, TFieldType::Memo));
    // Every order of a customer's tests begins with the link field, so the link holds under each.
    messungen.indexes = {Index(u"I_MKUNDENID"_s, {u"MKUNDENID"_s}),
                         Index(u"I_MESSUNGENID"_s, {u"MESSUNGENID"_s}),
                         Index(u"IMT"_s, {u"MKUNDENID"_s, u"MT"_s}),
                         Index(u"ISD"_s, {u"MKUNDENID"_s, u"SD"_s}, TIndexOption::Descending),
                         Index(u"ISU"_s, {u"MKUNDENID"_s, u"SU"_s}, TIndexOption::Descending),
                         Index(u"IMD"_s, {u"MKUNDENID"_s, u"MD"_s})};

    // MESSDATENID holds the owning test's MESSUNGENID; the store never numbers it.
    TTableDef messdaten{u"MessdatenTable"_s, {}, {}};
    messdaten.fields = {Of(u"MESSDATENID"_s, TFieldType::Integer), Of(u"DA"_s, TFieldType::Date),
                        Of(u"UZ"_s, TFieldType::Time), Of(u"MW"_s, TFieldType::Float)};
    for (int i = 2; i <= 7; ++i)
        messdaten.fields.append(Of(u"MW"_s + QString::number(i), TFieldType::Float));
    messdaten.indexes = {Index(u"I_MESSDATENID"_s, {u"MESSDATENID"_s})};

    return {kunden, messungen, messdaten};
}

TDatabase::TDatabase(QObject* parent)
    : QObject(parent), OnNeedRepair(&TDatabase::ShowNeedRepairMessage), Database(new TDatabaseFile(this)),
      KundenTable(new TTable(this)), MessungenTable(new TTable(this)), MessdatenTable(new TTable(this))
{
    // Dates and times of the fields read and write text the way the rest of the program does.
    TableStore::SetTextConversion({&FormatDate, &ParseDate, &FormatTime, &ParseTime});
    Database->setObjectName(u"Database"_s);
    Database->SetDatabaseName(DatabaseName);
    KundenTable->setObjectName(u"KundenTable"_s);
    MessungenTable->setObjectName(u"MessungenTable"_s);
    MessdatenTable->setObjectName(u"MessdatenTable"_s);
    for (TTable* t : {KundenTable, MessungenTable, MessdatenTable}) {
        t->SetDatabase(Database);
        t->SetExclusive(true);
    }
    Database->OnNeedRepair = [this] {
        if (OnNeedRepair)
            OnNeedRepair();
    };
    if (!g_database)
        g_database = this;
}

TDatabase::~TDatabase()
{
    if (g_database == this)
        g_database = nullptr;
    try {
        CloseTables();
    } catch (...) {
    }
}

QString TDatabase::DatabasePath()
{
    return GetDataFolder() + u'/' + DatabaseName;
}

void TDatabase::ShowNeedRepairMessage()
{
    Dialogs::Message(nullptr, Msg(u"Label8"_s), Compose({Msg(u"Label6"_s), Msg(u"Label7"_s)}),
                     Dialogs::Icon::Information);
}

void TDatabase::DefineTables()
{
    const QList<TTableDef> schema = Schema();
    TTable* const tables[] = {KundenTable, MessungenTable, MessdatenTable};
    for (int i = 0; i < 3; ++i) {
        TTable* t = tables[i];
        t->Close();
        t->SetTableName(schema[i].name);
        if (t->Exists())
            t->DeleteTable();
        t->FieldDefs().clear();
        t->IndexDefs().clear();
        t->FieldDefs() = schema[i].fields;
        t->IndexDefs() = schema[i].indexes;
        t->SetTableName(schema[i].name);
        t->CreateTable();
    }
}

void TDatabase::CreateDatabase(const QString& path)
{
    CloseTables();
    Database->SetDatabaseName(DatabaseName);
    Database->SetFileName(path);
    Database->CreateDatabaseFile();
    Database->Open();
    try {
        DefineTables();
    } catch (...) {
        Database->Close();
        throw;
    }
    Database->Close();
}

void TDatabase::OpenTables()
{
    OpenTables(DatabasePath());
}

void TDatabase::OpenTables(const QString& path)
{
    if (Database->Connected() && QFileInfo(Database->FileName()) != QFileInfo(path))
        CloseTables();
    Database->SetDatabaseName(DatabaseName);
    if (!Database->Connected()) {
        Database->SetFileName(path);
        Database->Open();
    }
    KundenTable->SetTableName(u"KundenTable"_s);
    KundenTable->Open();

    MessungenTable->SetTableName(u"MessungenTable"_s);
    MessungenTable->SetMasterSource(KundenTable, u"KUNDENID"_s, u"MKUNDENID"_s);
    if (!MessungenTable->Active())
        MessungenTable->SetIndexFieldNames(u"MKUNDENID"_s);
    MessungenTable->Open();
    MessungenTable->FieldByName(u"SD"_s).SetDisplayFormat(u"dd.mm.yy"_s);
    MessungenTable->FieldByName(u"SU"_s).SetDisplayFormat(u"hh:mm:ss"_s);

    MessdatenTable->SetTableName(u"MessdatenTable"_s);
    MessdatenTable->SetMasterSource(MessungenTable, u"MESSUNGENID"_s, u"MESSDATENID"_s);
    if (!MessdatenTable->Active())
        MessdatenTable->SetIndexFieldNames(u"MESSDATENID"_s);
    MessdatenTable->Open();
}

void TDatabase::CloseTables()
{
    MessdatenTable->Close();
    MessungenTable->Close();
    KundenTable->Close();
    Database->Close();
}

void TDatabase::OpenOrCreate(const QString& path)
{
    if (!QFileInfo::exists(path))
        CreateDatabase(path);
    OpenTables(path);
}

TDatabaseFile::TRepairResult TDatabase::RepairDatabase()
{
    const QString path = Database->FileName().isEmpty() ? DatabasePath() : Database->FileName();
    CloseTables();
    const TDatabaseFile::TRepairResult result = TDatabaseFile::Repair(path, Schema());
    Database->SetFileName(path);
    Database->Open();
    return result;
}

void TDatabase::CompactDatabase()
{
    const QString path = Database->FileName().isEmpty() ? DatabasePath() : Database->FileName();
    CloseTables();
    TDatabaseFile::Compact(path, Schema());
    Database->SetFileName(path);
    Database->Open();
}

void TDatabase::EmptyTables()
{
    KundenTable->Close();
    MessungenTable->Close();
    MessdatenTable->Close();
    KundenTable->EmptyTable();
    MessungenTable->EmptyTable();
    MessdatenTable->EmptyTable();
    MessdatenTable->Open();
    MessungenTable->Open();
    KundenTable->Open();
}

void TDatabase::DeleteCurrentMeasurement()
{
    if (MessungenTable->IsEmpty())
        throw TError(u"MessungenTable: Cannot perform this operation on an empty dataset"_s);
    const bool own = !Database->InTransaction();
    if (own)
        Database->StartTransaction();
    try {
        Database->Execute(u"DELETE FROM \"MessdatenTable\" WHERE \"MESSDATENID\" = ?"_s,
                          {MessungenTable->FieldByName(u"MESSUNGENID"_s).AsInteger()});
        MessungenTable->Delete();
        if (own)
            Database->Commit();
    } catch (...) {
        if (own && Database->InTransaction())
            Database->Rollback();
        throw;
    }
}

void TDatabase::DeleteCurrentCustomer()
{
    if (KundenTable->IsEmpty())
        throw TError(u"KundenTable: Cannot perform this operation on an empty dataset"_s);
    const bool own = !Database->InTransaction();
    if (own)
        Database->StartTransaction();
    try {
        const int id = KundenTable->FieldByName(u"KUNDENID"_s).AsInteger();
        Database->Execute(u"DELETE FROM \"MessdatenTable\" WHERE \"MESSDATENID\" IN "
                          u"(SELECT \"MESSUNGENID\" FROM \"MessungenTable\" WHERE \"MKUNDENID\" = ?)"_s,
                          {id});
        Database->Execute(u"DELETE FROM \"MessungenTable\" WHERE \"MKUNDENID\" = ?"_s, {id});
        KundenTable->Delete();
        if (own)
            Database->Commit();
    } catch (...) {
        if (own && Database->InTransaction())
            Database->Rollback();
        throw;
    }
}
