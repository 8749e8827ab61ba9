#include "TDatabaseImpExpFrm.h"

#include "MeasurementFile.h"
#include "StoreSql.h"
#include "TError.h"
#include "TLangResFrm.h"
#include "TTable.h"
#include "uGlobal.h"
#include "WindowRegistry.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

enum class TKey
{
    None,
    KN,
    K1,
    K2,
    K3,
    K4,
    K5,
    MT,
    SD,
    SU,
    IN,
    DS,
    DE,
    MD,
    DM,
    SZ,
    ST,
    ET,
    EH,
    KS,
    LD,
    RD,
    LR,
    LU,
    NR,
    SM,
    EM
};

// The known key of a line, compared as IsKey does: every key has two characters.
TKey KeyOf(const QString& line)
{
    if (line.size() < 3 || line[2] != u'=')
        return TKey::None;
    auto up = [](QChar c) { return (c >= u'a' && c <= u'z') ? char(c.unicode() - 32) : char(c.unicode()); };
    if (line[0].unicode() > 0x7f || line[1].unicode() > 0x7f)
        return TKey::None;
    const char a = up(line[0]);
    const char b = up(line[1]);
    static constexpr struct
    {
        char a, b;
        TKey key;
    } kKeys[] = {{'K', 'N', TKey::KN}, {'K', '1', TKey::K1}, {'K', '2', TKey::K2}, {'K', '3', TKey::K3},
                 {'K', '4', TKey::K4}, {'K', '5', TKey::K5}, {'M', 'T', TKey::MT}, {'S', 'D', TKey::SD},
                 {'S', 'U', TKey::SU}, {'I', 'N', TKey::IN}, {'D', 'S', TKey::DS}, {'D', 'E', TKey::DE},
                 {'M', 'D', TKey::MD}, {'D', 'M', TKey::DM}, {'S', 'Z', TKey::SZ}, {'S', 'T', TKey::ST},
                 {'E', 'T', TKey::ET}, {'E', 'H', TKey::EH}, {'K', 'S', TKey::KS}, {'L', 'D', TKey::LD},
                 {'R', 'D', TKey::RD}, {'L', 'R', TKey::LR}, {'L', 'U', TKey::LU}, {'N', 'R', TKey::NR},
                 {'S', 'M', TKey::SM}, {'E', 'M', TKey::EM}};
    for (const auto& k : kKeys)
        if (k.a == a && k.b == b)
            return k.key;
    return TKey::None;
}

void Put2(char* p, int v)
{
    p[0] = char('0' + v / 10 % 10);
    p[1] = char('0' + v % 10);
}

// "DD.MM.YYYY;HH:MM:SS"
QByteArray LoggerMoment(QDate date, QTime time)
{
    QByteArray out(19, Qt::Uninitialized);
    char* p = out.data();
    Put2(p, date.day());
    p[2] = '.';
    Put2(p + 3, date.month());
    p[5] = '.';
    const int y = date.year();
    Put2(p + 6, y / 100);
    Put2(p + 8, y % 100);
    p[10] = ';';
    Put2(p + 11, time.hour());
    p[13] = ':';
    Put2(p + 14, time.minute());
    p[16] = ':';
    Put2(p + 17, time.second());
    return out;
}

// "YYYYMMDDHHMMSS.CSV": the logger export file of a test that starts at this moment.
QString LoggerFileName(QDate date, QTime time)
{
    return date.toString(u"yyyyMMdd"_s) + time.toString(u"HHmmss"_s) + u".CSV"_s;
}

} // namespace

// The rows of the block being read for a newly created test. They go straight into the open
// transaction (or the logger export file) as they come, so that a block of any length needs no
// memory; the transaction was opened by StoreMeasurement before the test was posted.
struct TDatabaseImpExpFrm::TReadings
{
    enum class TKind
    {
        Table,        // types 1 to 11, 13, 14: rows of the readings table
        LoggerMoment, // type 0: moment and row into the export file
        LoggerRaw,    // type 12: the row unchanged into the export file
        Drop          // any other type: rows are not kept
    };

    TDatabaseFile* db = nullptr;
    TKind kind = TKind::Drop;
    TMessdaten collector;
    // Set when the block's start or interval cannot be read; raised at "EM", as only then would
    // the rows have been stored.
    QString pendingError;
    qint64 rows = 0;
    qint64 testId = 0;
    QString table;
    sqlite3_stmt* insert = nullptr;
    qint64 dayJd = std::numeric_limits<qint64>::min();
    char day[10] = {};
    int dayLen = 0;
    std::unique_ptr<QSaveFile> logger;

    ~TReadings()
    {
        if (insert)
            sqlite3_finalize(insert);
    }
};

TDatabaseImpExpFrm::TDatabaseImpExpFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"DatabaseImpExpFrm"_s);
    Windows::Register(this);
}

TDatabaseImpExpFrm::~TDatabaseImpExpFrm() = default;

QString TDatabaseImpExpFrm::TestTypeName(const QString& mt)
{
    for (int n = 0; n <= 14; ++n)
        if (mt == QString::number(n))
            return Msg(u"Label"_s + QString::number(13 + n));
    return {};
}

QString TDatabaseImpExpFrm::ElapsedText(qint64 milliseconds)
{
    constexpr qint64 day = 86400000;
    qint64 ms = milliseconds % day;
    if (ms < 0)
        ms += day;
    return FormatTime(QTime::fromMSecsSinceStartOfDay(int(ms)));
}

void TDatabaseImpExpFrm::WriteProtocol(const QString& text)
{
    if (!NoProt && Protocol)
        Protocol(text);
}

void TDatabaseImpExpFrm::ProcessEvents()
{
    if (m_pump.isValid() && m_pump.elapsed() < 50)
        return;
    QCoreApplication::processEvents();
    m_pump.start();
}

void TDatabaseImpExpFrm::StoreCustomer(const TKunde& kunde)
{
    // The store keeps at most 20 characters of KN: look for what it would have kept.
    const int knSize = m_kunden->FieldByName(u"KN"_s).Size();
    const QString kn = knSize > 0 ? kunde.KN.left(knSize) : kunde.KN;
    if (m_kunden->Locate(u"KN"_s, kn, true)) {
        WriteProtocol(Msg(u"Label11"_s) + u" : "_s + m_kunden->FieldByName(u"KN"_s).AsString() + u' ' +
                      m_kunden->FieldByName(u"K1"_s).AsString());
        m_kunden->Edit();
    } else {
        m_kunden->Append();
        ++KundenNeu;
        WriteProtocol(Msg(u"Label12"_s) + u" : "_s + kunde.KN + u' ' + kunde.K1);
    }
    m_kunden->FieldByName(u"KN"_s).SetAsString(kunde.KN);
    m_kunden->FieldByName(u"K1"_s).SetAsString(kunde.K1);
    m_kunden->FieldByName(u"K2"_s).SetAsString(kunde.K2);
    m_kunden->FieldByName(u"K3"_s).SetAsString(kunde.K3);
    m_kunden->FieldByName(u"K4"_s).SetAsString(kunde.K4);
    m_kunden->FieldByName(u"K5"_s).SetAsString(kunde.K5);
    m_kunden->Post();
}

bool TDatabaseImpExpFrm::StoreMeasurement(const TMessung& messung)
{
    const QDate sd = messung.SD.isEmpty() ? QDate() : StrToDate(messung.SD);
    const QTime su = messung.SU.isEmpty() ? QTime() : StrToTime(messung.SU);

    // Present: the current customer has a test with this start date and time.
    bool present = false;
    TField& fSD = m_messungen->FieldByName(u"SD"_s);
    TField& fSU = m_messungen->FieldByName(u"SU"_s);
    for (m_messungen->First(); !m_messungen->Eof(); m_messungen->Next()) {
        if (fSD.AsDate() == sd && fSU.AsTime() == su) {
            present = true;
            break;
        }
    }

    TDatabaseFile* db = m_messungen->Database();
    if (present) {
        WriteProtocol(Msg(u"Label28"_s) + u' ' + messung.SD + u' ' + messung.SU);
        m_messungen->Edit();
    } else {
        // The test and its readings go in together or not at all.
        db->StartTransaction();
        try {
            m_messungen->Append();
        } catch (...) {
            db->Rollback();
            throw;
        }
        ++MessungenNeu;
        WriteProtocol(Msg(u"Label29"_s) + u' ' + messung.SD + u' ' + messung.SU);
    }
    try {
        auto set = [&](const char16_t* name, const QString& value) {
            m_messungen->FieldByName(QString::fromUtf16(name)).SetAsString(value);
        };
        set(u"MT", TestTypeName(messung.MT));
        m_messungen->FieldByName(u"MTNR"_s).SetAsInteger(messung.MTNR);
        if (sd.isValid())
            m_messungen->FieldByName(u"SD"_s).SetAsDate(sd);
        else
            m_messungen->FieldByName(u"SD"_s).Clear();
        if (su.isValid())
            m_messungen->FieldByName(u"SU"_s).SetAsTime(su);
        else
            m_messungen->FieldByName(u"SU"_s).Clear();
        set(u"IN", messung.IN);
        set(u"DS", messung.DS);
        set(u"DE", messung.DE);
        set(u"MD", messung.MD);
        set(u"DM", messung.DM);
        set(u"SZ", messung.SZ);
        set(u"ST", messung.ST);
        set(u"ET", messung.ET);
        set(u"EH", messung.EH);
        set(u"KS", messung.KS);
        set(u"LD", messung.LD);
        set(u"RD", messung.RD);
        set(u"LR", messung.LR);
        set(u"LU", messung.LU);
        set(u"NR", messung.NR);
        m_messungen->Post();
    } catch (...) {
        if (m_messungen->State() != TDataSetState::Browse)
            m_messungen->Cancel();
        if (!present) {
            --MessungenNeu;
            db->Rollback();
        }
        throw;
    }
    return !present;
}

bool TDatabaseImpExpFrm::ReadingsOpen() const
{
    return m_readings != nullptr;
}

void TDatabaseImpExpFrm::OpenReadings(const TMessdaten& messdaten)
{
    // From here on the open transaction belongs to the block: AbortReadings ends it on any error.
    m_readings = std::make_unique<TReadings>();
    TReadings& rd = *m_readings;
    rd.db = m_messungen->Database();
    rd.collector = messdaten;
    rd.table = m_messdaten->TableName();
    const int t = messdaten.MTNR;
    if (t == 0)
        rd.kind = TReadings::TKind::LoggerMoment;
    else if (t == 12)
        rd.kind = TReadings::TKind::LoggerRaw;
    else if (t >= 1 && t <= 14)
        rd.kind = TReadings::TKind::Table;
    else
        rd.kind = TReadings::TKind::Drop;
    rd.testId = m_messungen->FieldByName(m_messdaten->MasterFields()).Value().toLongLong();

    SetDateFormat();
    try {
        rd.collector.Prepare();
    } catch (const TError& e) {
        rd.pendingError = e.message();
        rd.kind = TReadings::TKind::Drop;
        return;
    }
    if (rd.kind == TReadings::TKind::Table) {
        const QByteArray sql = "INSERT INTO " + StoreSql::Quote(rd.table) + " (" +
                               StoreSql::Quote(m_messdaten->DetailFields()) +
                               ", \"DA\", \"UZ\", \"MW\") VALUES (?, ?, ?, ?)";
        sqlite3* h = rd.db->Handle();
        const int rc = sqlite3_prepare_v2(h, sql.constData(), int(sql.size()), &rd.insert, nullptr);
        if (rc != SQLITE_OK)
            StoreSql::Throw(h, rc, rd.db->FileName());
    } else if (rd.kind != TReadings::TKind::Drop) {
        const QString path =
            GetDataFolder() + u'/' + LoggerFileName(rd.collector.StartDate(), rd.collector.StartTime());
        rd.logger = std::make_unique<QSaveFile>(path);
        if (!rd.logger->open(QIODevice::WriteOnly))
            throw TError(u"%1: %2"_s.arg(QDir::toNativeSeparators(path), rd.logger->errorString()));
    }
}

void TDatabaseImpExpFrm::AddReading(const QString& row)
{
    TReadings& rd = *m_readings;
    switch (rd.kind) {
    case TReadings::TKind::Drop:
        return;
    case TReadings::TKind::LoggerRaw:
        WriteTextLine(*rd.logger, row);
        break;
    case TReadings::TKind::LoggerMoment: {
        QDate date;
        QTime time;
        rd.collector.MomentOf(rd.rows, &date, &time);
        QByteArray line = LoggerMoment(date, time);
        line.append(';');
        line.append(TextLine(row));
        if (rd.logger->write(line) != line.size())
            throw TError(
                u"%1: %2"_s.arg(QDir::toNativeSeparators(rd.logger->fileName()), rd.logger->errorString()));
        break;
    }
    case TReadings::TKind::Table: {
        QDate date;
        QTime time;
        rd.collector.MomentOf(rd.rows, &date, &time);
        // Many rows share a day: its text is made once.
        if (date.toJulianDay() != rd.dayJd) {
            rd.dayJd = date.toJulianDay();
            rd.dayLen = StoreSql::FormatIsoDate(date, rd.day);
        }
        char uz[8];
        const int uzLen = StoreSql::FormatIsoTime(time, uz);
        sqlite3_stmt* st = rd.insert;
        sqlite3_bind_int64(st, 1, rd.testId);
        sqlite3_bind_text(st, 2, rd.day, rd.dayLen, SQLITE_STATIC);
        sqlite3_bind_text(st, 3, uz, uzLen, SQLITE_STATIC);
        double value = 0;
        // The instrument measures in single precision; a value beyond it is no reading.
        if (IsNumber(ReadingValueText(row), &value) && std::abs(value) <= FLT_MAX)
            sqlite3_bind_double(st, 4, double(float(value)));
        else
            sqlite3_bind_null(st, 4);
        const int rc = sqlite3_step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_DONE)
            StoreSql::Throw(rd.db->Handle(), rc, rd.db->FileName());
        break;
    }
    }
    ++rd.rows;
}

void TDatabaseImpExpFrm::StoreReadings()
{
    std::unique_ptr<TReadings> r = std::move(m_readings);
    TReadings& rd = *r;
    try {
        if (!rd.pendingError.isEmpty())
            throw TError(rd.pendingError);
        if (rd.insert) {
            sqlite3_finalize(rd.insert);
            rd.insert = nullptr;
        }
        if (rd.logger && !rd.logger->commit())
            throw TError(
                u"%1: %2"_s.arg(QDir::toNativeSeparators(rd.logger->fileName()), rd.logger->errorString()));
        rd.db->Commit(false);
    } catch (...) {
        m_readings = std::move(r);
        AbortReadings();
        throw;
    }
    rd.db->Touch(rd.table);
}

void TDatabaseImpExpFrm::DropReadings()
{
    std::unique_ptr<TReadings> r = std::move(m_readings);
    TReadings& rd = *r;
    try {
        if (rd.insert) {
            sqlite3_finalize(rd.insert);
            rd.insert = nullptr;
        }
        if (rd.logger)
            rd.logger->cancelWriting();
        if (rd.kind == TReadings::TKind::Table && rd.rows > 0)
            rd.db->Execute(u"DELETE FROM %1 WHERE %2 = ?"_s.arg(
                               QString::fromUtf8(StoreSql::Quote(rd.table)),
                               QString::fromUtf8(StoreSql::Quote(m_messdaten->DetailFields()))),
                           {rd.testId});
        rd.db->Commit(false);
    } catch (...) {
        m_readings = std::move(r);
        AbortReadings();
        throw;
    }
    rd.db->Touch(rd.table);
}

void TDatabaseImpExpFrm::AbortReadings()
{
    std::unique_ptr<TReadings> r = std::move(m_readings);
    if (!r)
        return;
    if (r->insert) {
        sqlite3_finalize(r->insert);
        r->insert = nullptr;
    }
    if (r->logger)
        r->logger->cancelWriting();
    --MessungenNeu;
    try {
        if (r->db->InTransaction())
            r->db->Rollback();
    } catch (...) {
        // The first error is the one the user sees.
    }
    try {
        // The rolled-back test is gone: let the cursors forget it.
        m_messungen->Refresh();
        m_messdaten->Refresh();
    } catch (...) {
    }
}

void TDatabaseImpExpFrm::HandleLine(const QString& line)
{
    switch (KeyOf(line)) {
    case TKey::KN:
        m_kunde.KN = TrimValue(KeyValue(line));
        return;
    case TKey::K1:
        m_kunde.K1 = TrimValue(KeyValue(line));
        return;
    case TKey::K2:
        m_kunde.K2 = TrimValue(KeyValue(line));
        return;
    case TKey::K3:
        m_kunde.K3 = TrimValue(KeyValue(line));
        return;
    case TKey::K4:
        m_kunde.K4 = TrimValue(KeyValue(line));
        return;
    case TKey::K5:
        m_kunde.K5 = TrimValue(KeyValue(line));
        return;
    case TKey::MT:
        // A new block begins: one still open lacked its "EM".
        if (m_readings)
            DropReadings();
        m_messung.MT = KeyValue(line);
        m_messung.MTNR = StrToInt(m_messung.MT);
        if (!m_kunde.KN.isEmpty())
            StoreCustomer(m_kunde);
        m_kunde.Clear();
        return;
    case TKey::SD:
        m_messung.SD = KeyValue(line);
        return;
    case TKey::SU:
        m_messung.SU = KeyValue(line);
        return;
    case TKey::IN:
        m_messung.IN = KeyValue(line);
        return;
    case TKey::DS:
        m_messung.DS = KeyValue(line);
        return;
    case TKey::DE:
        m_messung.DE = KeyValue(line);
        return;
    case TKey::MD:
        m_messung.MD = KeyValue(line);
        return;
    case TKey::DM:
        m_messung.DM = KeyValue(line);
        return;
    case TKey::SZ:
        m_messung.SZ = KeyValue(line);
        return;
    case TKey::ST:
        m_messung.ST = KeyValue(line);
        return;
    case TKey::ET:
        m_messung.ET = KeyValue(line);
        return;
    case TKey::EH:
        m_messung.EH = KeyValue(line);
        return;
    case TKey::KS:
        m_messung.KS = KeyValue(line);
        return;
    case TKey::LD:
        m_messung.LD = KeyValue(line);
        return;
    case TKey::RD:
        m_messung.RD = KeyValue(line);
        return;
    case TKey::LR:
        m_messung.LR = KeyValue(line);
        return;
    case TKey::LU:
        m_messung.LU = KeyValue(line);
        return;
    case TKey::NR:
        m_messung.NR = KeyValue(line);
        return;
    case TKey::SM:
        if (m_readings)
            DropReadings();
        m_collector.SD = m_messung.SD;
        m_collector.SU = m_messung.SU;
        m_collector.IN = m_messung.IN;
        m_collector.MTNR = m_messung.MTNR;
        m_newTest = StoreMeasurement(m_messung);
        m_messung.Clear();
        if (m_newTest)
            OpenReadings(m_collector);
        return;
    case TKey::EM:
        // Rows of a block are stored once; an "EM" without a new "SM" stores nothing.
        if (m_newTest && m_readings)
            StoreReadings();
        return;
    case TKey::None:
        break;
    }
    if (m_readings && IsReadingRow(line))
        AddReading(line);
}

void TDatabaseImpExpFrm::FinishFile()
{
    WriteProtocol(u"---"_s);
    WriteProtocol(MsgF(u"Label30"_s, {QString::number(KundenNeu)}));
    WriteProtocol(MsgF(u"Label31"_s, {QString::number(MessungenNeu)}));
}

void TDatabaseImpExpFrm::ImportFile(TTable* kunden, TTable* messungen, TTable* messdaten, const QString& path)
{
    m_kunden = kunden;
    m_messungen = messungen;
    m_messdaten = messdaten;
    KundenNeu = 0;
    MessungenNeu = 0;
    m_kunde.Clear();
    m_messung.Clear();
    m_collector = TMessdaten();
    m_newTest = false;

    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    qint64 lineNumber = 0;
    try {
        if (!file.open(QIODevice::ReadOnly))
            throw TError(u"%1: %2"_s.arg(QDir::toNativeSeparators(path), file.errorString()));
        TLineReader reader(file, QDir::toNativeSeparators(path));
        QString line;
        while (reader.ReadLine(&line)) {
            lineNumber = reader.LineNumber();
            HandleLine(line);
            ProcessEvents();
        }
        lineNumber = 0;
        if (m_readings)
            DropReadings();
        if (!m_kunde.KN.isEmpty())
            StoreCustomer(m_kunde);
    } catch (const std::exception& e) {
        AbortReadings();
        file.close();
        FinishFile();
        if (lineNumber > 0)
            throw TError(u"%1 (%2, Zeile %3)"_s.arg(ErrorText(e), name).arg(lineNumber));
        throw;
    }
    file.close();
    FinishFile();
}
