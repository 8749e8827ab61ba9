#include "TTable.h"

#include "StoreSql.h"
#include "TError.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <QHash>
#include <QPointer>
#include <unordered_map>
#include <vector>

using namespace Qt::StringLiterals;
using namespace StoreSql;

namespace {

// Rows are fetched in pages of this many rows by position; a few dozen pages stay cached.
constexpr int PageRows = 64;
constexpr size_t MaxPages = 48;

// One fetched value as the file holds it; texts live in the row block's byte buffer.
struct TCell
{
    enum Kind : quint8
    {
        Null,
        Int,
        Float,
        Text,
        Absent // not fetched: the row was read for its keys only
    };
    Kind kind = Null;
    int len = 0;
    union {
        qint64 i = 0;
        double f;
        qint64 off;
    };
};

// A block of fetched rows: row ids, cells row by row, and the bytes of their texts. Windows are
// first read with their keys only; the other fields come when a row of the window is read.
struct TRows
{
    int columns = 0;
    bool full = true;
    std::vector<qint64> ids;
    std::vector<TCell> cells;
    std::string text;

    int Count() const { return int(ids.size()); }
    void Clear()
    {
        ids.clear();
        cells.clear();
        text.clear();
        full = true;
    }
    const TCell& Cell(int r, int c) const { return cells[size_t(r) * size_t(columns) + size_t(c)]; }
    TCell& Cell(int r, int c) { return cells[size_t(r) * size_t(columns) + size_t(c)]; }
    const char* Bytes(const TCell& c) const { return text.data() + c.off; }

    TCell Read(sqlite3_stmt* st, int c)
    {
        // Through the column's value: one look-up of the column for its type and its bytes. The
        // connection is used by one thread only, so the value may be read directly.
        sqlite3_value* v = sqlite3_column_value(st, c);
        TCell cell;
        switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            cell.kind = TCell::Int;
            cell.i = sqlite3_value_int64(v);
            break;
        case SQLITE_FLOAT:
            cell.kind = TCell::Float;
            cell.f = sqlite3_value_double(v);
            break;
        case SQLITE_NULL:
            break;
        default: {
            const char* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
            cell.kind = TCell::Text;
            cell.len = sqlite3_value_bytes(v);
            cell.off = qint64(text.size());
            text.append(p, size_t(cell.len));
        }
        }
        return cell;
    }

    // Column 0 of the statement is the row id; columns 1.. are every field, or, with keys, only
    // those fields. The numbered field that is the row id is known from it.
    void ReadRow(sqlite3_stmt* st, const std::vector<int>* keys, int rowIdCol)
    {
        const qint64 id = sqlite3_column_int64(st, 0);
        ids.push_back(id);
        const size_t first = cells.size();
        if (!keys) {
            for (int c = 1; c <= columns; ++c)
                cells.push_back(Read(st, c));
            return;
        }
        TCell absent;
        absent.kind = TCell::Absent;
        cells.resize(first + size_t(columns), absent);
        for (size_t k = 0; k < keys->size(); ++k)
            cells[first + size_t((*keys)[k])] = Read(st, int(k) + 1);
        if (rowIdCol >= 0) {
            TCell& c = cells[first + size_t(rowIdCol)];
            c.kind = TCell::Int;
            c.i = id;
        }
    }
    void CopyRow(const TRows& src, int r)
    {
        ids.push_back(src.ids[size_t(r)]);
        for (int c = 0; c < columns; ++c) {
            TCell cell = src.Cell(r, c);
            if (cell.kind == TCell::Text) {
                const qint64 off = qint64(text.size());
                text.append(src.Bytes(cell), size_t(cell.len));
                cell.off = off;
            }
            cells.push_back(cell);
        }
    }
    void Reverse()
    {
        TRows r;
        r.columns = columns;
        r.full = full;
        r.text.reserve(text.size());
        for (int i = Count() - 1; i >= 0; --i)
            r.CopyRow(*this, i);
        *this = std::move(r);
    }
};

// A value to bind to a statement.
struct TBind
{
    enum Kind : quint8
    {
        Null,
        Int,
        Float,
        Text
    };
    Kind kind = Null;
    qint64 i = 0;
    double f = 0;
    std::string text; // dates, times and short texts need no allocation

    friend bool operator==(const TBind& a, const TBind& b)
    {
        if (a.kind != b.kind)
            return false;
        switch (a.kind) {
        case Null:
            return true;
        case Int:
            return a.i == b.i;
        case Float:
            return a.f == b.f;
        case Text:
            return a.text == b.text;
        }
        return false;
    }
};

TBind BindInt(qint64 v)
{
    TBind b;
    b.kind = TBind::Int;
    b.i = v;
    return b;
}

TBind BindOfCell(const TRows& rows, int r, int col)
{
    if (col < 0)
        return BindInt(rows.ids[size_t(r)]);
    const TCell& c = rows.Cell(r, col);
    TBind b;
    switch (c.kind) {
    case TCell::Null:
    case TCell::Absent:
        break;
    case TCell::Int:
        b.kind = TBind::Int;
        b.i = c.i;
        break;
    case TCell::Float:
        b.kind = TBind::Float;
        b.f = c.f;
        break;
    case TCell::Text:
        b.kind = TBind::Text;
        b.text.assign(rows.Bytes(c), size_t(c.len));
        break;
    }
    return b;
}

void BindTo(sqlite3_stmt* st, int n, const TBind& b)
{
    switch (b.kind) {
    case TBind::Null:
        sqlite3_bind_null(st, n);
        break;
    case TBind::Int:
        sqlite3_bind_int64(st, n, b.i);
        break;
    case TBind::Float:
        sqlite3_bind_double(st, n, b.f);
        break;
    case TBind::Text:
        // Every caller keeps its binds until the statement has run.
        sqlite3_bind_text(st, n, b.text.data(), int(b.text.size()), SQLITE_STATIC);
        break;
    }
}

[[noreturn]] void ConversionError(const QString& text, const char* what)
{
    throw TError(u"'%1' is not a valid %2"_s.arg(text, QLatin1StringView(what)));
}

bool IsTextType(TFieldType t)
{
    return t == TFieldType::String || t == TFieldType::Memo;
}

QString FloatText(double v)
{
    return QString::number(v, 'g', 15);
}

// A value brought to the field's own type: null, QString, qint64, double, QDate, QTime or bool.
QVariant Coerce(const TFieldDef& def, const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return {};
    const int id = v.typeId();
    switch (def.type) {
    case TFieldType::String:
    case TFieldType::Memo: {
        QString s;
        switch (id) {
        case QMetaType::QString:
            s = v.toString();
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            s = FloatText(v.toDouble());
            break;
        case QMetaType::QDate:
            s = TableStore::TextConversion().formatDate(v.toDate());
            break;
        case QMetaType::QTime:
            s = TableStore::TextConversion().formatTime(v.toTime());
            break;
        case QMetaType::Bool:
            s = v.toBool() ? u"True"_s : u"False"_s;
            break;
        default:
            s = v.toString();
        }
        return s.isEmpty() ? QVariant() : QVariant(s);
    }
    case TFieldType::Integer:
    case TFieldType::AutoInc: {
        qint64 n = 0;
        if (id == QMetaType::QString) {
            const QString s = v.toString().trimmed();
            if (s.isEmpty())
                return {};
            bool ok = false;
            n = s.toLongLong(&ok);
            if (!ok)
                ConversionError(v.toString(), "integer value");
        } else if (id == QMetaType::Double || id == QMetaType::Float) {
            const double d = v.toDouble();
            if (!std::isfinite(d))
                ConversionError(FloatText(d), "integer value");
            n = qint64(std::llround(d));
        } else {
            bool ok = false;
            n = v.toLongLong(&ok);
            if (!ok)
                ConversionError(v.toString(), "integer value");
        }
        if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
            throw TError(u"Value %1 is out of range for field '%2'"_s.arg(n).arg(def.name));
        return QVariant(n);
    }
    case TFieldType::Float: {
        if (id == QMetaType::QString) {
            const QString s = v.toString().trimmed();
            if (s.isEmpty())
                return {};
            bool ok = false;
            const double d = s.toDouble(&ok); // "." as decimal separator, whatever the locale
            if (!ok)
                ConversionError(v.toString(), "floating point value");
            return QVariant(d);
        }
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok)
            ConversionError(v.toString(), "floating point value");
        return QVariant(d);
    }
    case TFieldType::Date: {
        QDate d;
        if (id == QMetaType::QDate)
            d = v.toDate();
        else if (id == QMetaType::QDateTime)
            d = v.toDateTime().date();
        else if (id == QMetaType::QString) {
            if (v.toString().trimmed().isEmpty())
                return {};
            d = TableStore::TextConversion().parseDate(v.toString());
        }
        if (!d.isValid() || d.year() < 1 || d.year() > 9999)
            ConversionError(v.toString(), "date");
        return QVariant(d);
    }
    case TFieldType::Time: {
        QTime t;
        if (id == QMetaType::QTime)
            t = v.toTime();
        else if (id == QMetaType::QDateTime)
            t = v.toDateTime().time();
        else if (id == QMetaType::QString) {
            if (v.toString().trimmed().isEmpty())
                return {};
            t = TableStore::TextConversion().parseTime(v.toString());
        }
        if (!t.isValid())
            ConversionError(v.toString(), "time");
        return QVariant(QTime(t.hour(), t.minute(), t.second()));
    }
    case TFieldType::Boolean: {
        if (id == QMetaType::QString) {
            const QString s = v.toString().trimmed();
            if (s.isEmpty())
                return {};
            if (s.compare(u"true"_s, Qt::CaseInsensitive) == 0 || s == u"1"_s)
                return QVariant(true);
            if (s.compare(u"false"_s, Qt::CaseInsensitive) == 0 || s == u"0"_s)
                return QVariant(false);
            ConversionError(s, "boolean value");
        }
        return QVariant(v.toBool());
    }
    }
    return v;
}

// The value as the file keeps it; v is already of the field's type.
TBind StorageOf(const TFieldDef& def, const QVariant& v)
{
    TBind b;
    if (v.isNull())
        return b;
    switch (def.type) {
    case TFieldType::String:
    case TFieldType::Memo:
        b.kind = TBind::Text;
        b.text = v.toString().toStdString();
        break;
    case TFieldType::Integer:
    case TFieldType::AutoInc:
        b.kind = TBind::Int;
        b.i = v.toLongLong();
        break;
    case TFieldType::Boolean:
        b.kind = TBind::Int;
        b.i = v.toBool() ? 1 : 0;
        break;
    case TFieldType::Float:
        b.kind = TBind::Float;
        b.f = v.toDouble();
        break;
    case TFieldType::Date: {
        char buf[10];
        b.kind = TBind::Text;
        b.text.assign(buf, size_t(FormatIsoDate(v.toDate(), buf)));
        break;
    }
    case TFieldType::Time: {
        char buf[8];
        b.kind = TBind::Text;
        b.text.assign(buf, size_t(FormatIsoTime(v.toTime(), buf)));
        break;
    }
    }
    return b;
}

// Appends the value as the file keeps it to the last row of rows; v is of the field's type.
void AppendStored(TRows& rows, const TFieldDef& def, const QVariant& v)
{
    TCell cell;
    if (!v.isNull()) {
        switch (def.type) {
        case TFieldType::String:
        case TFieldType::Memo: {
            const QByteArray utf8 = v.toString().toUtf8();
            cell.kind = TCell::Text;
            cell.len = int(utf8.size());
            cell.off = qint64(rows.text.size());
            rows.text.append(utf8.constData(), size_t(utf8.size()));
            break;
        }
        case TFieldType::Integer:
        case TFieldType::AutoInc:
            cell.kind = TCell::Int;
            cell.i = v.toLongLong();
            break;
        case TFieldType::Boolean:
            cell.kind = TCell::Int;
            cell.i = v.toBool() ? 1 : 0;
            break;
        case TFieldType::Float:
            cell.kind = TCell::Float;
            cell.f = v.toDouble();
            break;
        case TFieldType::Date:
        case TFieldType::Time: {
            char buf[10];
            cell.kind = TCell::Text;
            cell.len = def.type == TFieldType::Date ? FormatIsoDate(v.toDate(), buf)
                                                    : FormatIsoTime(v.toTime(), buf);
            cell.off = qint64(rows.text.size());
            rows.text.append(buf, size_t(cell.len));
            break;
        }
        }
    }
    rows.cells.push_back(cell);
}

// Binds a cell; the rows must stay as they are until the statement has run.
void BindCell(sqlite3_stmt* st, int n, const TRows& rows, const TCell& c)
{
    switch (c.kind) {
    case TCell::Int:
        sqlite3_bind_int64(st, n, c.i);
        break;
    case TCell::Float:
        sqlite3_bind_double(st, n, c.f);
        break;
    case TCell::Text:
        sqlite3_bind_text(st, n, rows.Bytes(c), c.len, SQLITE_STATIC);
        break;
    default:
        sqlite3_bind_null(st, n);
    }
}

// A value as the file holds it (texts as their UTF-8 bytes) in the field's type.
QVariant DecodeStored(const TFieldDef& def, TCell::Kind kind, qint64 i, double f, const char* bytes, int len)
{
    if (kind == TCell::Null || kind == TCell::Absent)
        return {};
    switch (def.type) {
    case TFieldType::String:
    case TFieldType::Memo:
        if (kind == TCell::Text)
            return QString::fromUtf8(bytes, len);
        return kind == TCell::Int ? QString::number(i) : FloatText(f);
    case TFieldType::Integer:
    case TFieldType::AutoInc:
        if (kind == TCell::Int)
            return QVariant(i);
        if (kind == TCell::Float)
            return QVariant(qint64(f));
        return QVariant(QByteArray(bytes, len).toLongLong());
    case TFieldType::Boolean:
        return QVariant(kind == TCell::Int ? i != 0 : kind == TCell::Float && f != 0);
    case TFieldType::Float:
        if (kind == TCell::Float)
            return QVariant(f);
        if (kind == TCell::Int)
            return QVariant(double(i));
        return QVariant(QByteArray(bytes, len).toDouble());
    case TFieldType::Date:
        if (kind == TCell::Text)
            return QVariant(ParseIsoDate(bytes, len));
        return QVariant(QDate());
    case TFieldType::Time:
        if (kind == TCell::Text)
            return QVariant(ParseIsoTime(bytes, len));
        return QVariant(QTime());
    }
    return {};
}

// A fetched value in the field's type.
QVariant Decode(const TFieldDef& def, const TRows& rows, int r, int col)
{
    const TCell& c = rows.Cell(r, col);
    if (c.kind == TCell::Text)
        return DecodeStored(def, c.kind, 0, 0, rows.Bytes(c), c.len);
    return DecodeStored(def, c.kind, c.kind == TCell::Int ? c.i : 0, c.kind == TCell::Float ? c.f : 0,
                        nullptr, 0);
}

} // namespace

struct TTable::TImpl
{
    struct TOrder
    {
        int col; // -1: the row id
        bool desc;
        bool nocase;
    };

    TTable* q;
    QPointer<TDatabaseFile> db;
    QString tableName;
    QList<TFieldDef> fieldDefs;
    QList<TIndexDef> indexDefs;
    bool exclusive = true;

    bool active = false;
    TDataSetState state = TDataSetState::Inactive;
    QList<TField*> fields;
    QList<TFieldDef> fieldsFor; // the definitions the TField objects were made for

    QByteArray qtable, selectCols, insertSql, updateSql, deleteSql;
    int rowIdCol = -1; // the numbered field, which is the row id itself

    QString indexName, indexFieldNames;
    std::vector<TOrder> order;
    QByteArray orderFwd, orderRev;

    QPointer<TTable> master;
    QString masterField, detailField;
    int detailCol = -1;
    QList<TTable*> details;
    bool masterMoved = true;
    TBind filter;

    quint64* version = nullptr;
    quint64 seen = 0;

    TRows cur;
    bool hasCur = false;
    int pos = -1;
    bool bof = true, eof = true;
    bool pendingFirst = true;
    int count = -1;
    std::unordered_map<int, TRows> pages;
    std::vector<int> lru;
    // Set once a list has read the fields of a window: it goes on reading them, so further windows
    // come with every field at once rather than their keys first and the fields in a second query.
    bool widePages = false;

    std::vector<QVariant> buf;
    bool modified = false;
    TRows postRow;

    QHash<quint64, sqlite3_stmt*> stmts;
    qint64 rowsFetched = 0;

    explicit TImpl(TTable* table) : q(table) {}

    int Columns() const { return int(fieldDefs.size()); }
    const QString& FileName() const
    {
        static const QString none;
        return db ? db->FileName() : none;
    }
    sqlite3* Handle() const
    {
        if (!db || !db->m_db)
            throw TError(u"Database '%1' is not open"_s.arg(db ? db->DatabaseName() : QString()));
        return db->m_db;
    }
    QString Prefix() const { return tableName.isEmpty() ? QString() : tableName + u": "_s; }

    int FieldIndex(const QString& name) const
    {
        for (int i = 0; i < fieldDefs.size(); ++i)
            if (fieldDefs[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }

    TDatabaseFile& Conn() const
    {
        if (!db || !db->Connected())
            throw TError(u"Database '%1' is not open"_s.arg(db ? db->DatabaseName() : QString()));
        return *db;
    }

    void Reorder()
    {
        if (!active)
            return;
        DropFetched();
        pos = -1;
        emit q->RowsChange();
        emit q->DataChange(nullptr);
    }

    void CheckActive() const
    {
        if (!active)
            throw TError(u"%1Cannot perform this operation on a closed dataset"_s.arg(Prefix()));
    }

    // --- statements ---
    // Prepared statements are kept by the kind of query and the shape of its condition; the text
    // of a statement is built the first time only.
    enum TQuery : quint64
    {
        QCount = 1,
        QCountBefore,
        QPage,
        QPageAfter,
        QPageBefore,
        QRowId,
        QAfter,
        QBefore,
        QLocate,
        QHasRowId,
        QInsert,
        QUpdate,
        QDelete,
        QFill
    };

    static quint64 Key(TQuery q, quint32 nulls = 0, quint64 extra = 0)
    {
        return quint64(q) | (quint64(nulls) << 8) | (extra << 40);
    }

    template <typename F> sqlite3_stmt* Stmt(quint64 key, F&& sqlText)
    {
        if (auto it = stmts.constFind(key); it != stmts.constEnd())
            return *it;
        const QByteArray sql = sqlText();
        sqlite3* h = Handle();
        sqlite3_stmt* st = nullptr;
        const int rc =
            sqlite3_prepare_v3(h, sql.constData(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &st, nullptr);
        if (rc != SQLITE_OK)
            Fail(rc);
        stmts.insert(key, st);
        return st;
    }

    void FinalizeAll()
    {
        for (sqlite3_stmt* st : std::as_const(stmts))
            sqlite3_finalize(st);
        stmts.clear();
    }

    [[noreturn]] void Fail(int rc)
    {
        if (db)
            db->NoteDamage(rc);
        Throw(db ? db->m_db : nullptr, rc, FileName());
    }

    void Bind(sqlite3_stmt* st, const std::vector<TBind>& binds)
    {
        for (size_t i = 0; i < binds.size(); ++i)
            BindTo(st, int(i + 1), binds[i]);
    }

    // Runs a query of rows (row id + every field) and appends them to out.
    void Fetch(sqlite3_stmt* st, const std::vector<TBind>& binds, TRows& out, bool keysOnly = false)
    {
        db->BeginRead();
        TReset reset(st);
        Bind(st, binds);
        out.full = !keysOnly;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            out.ReadRow(st, keysOnly ? &keyFields : nullptr, rowIdCol);
            ++rowsFetched;
        }
        if (rc != SQLITE_DONE)
            Fail(rc);
    }

    qint64 QueryInt(sqlite3_stmt* st, const std::vector<TBind>& binds)
    {
        db->BeginRead();
        TReset reset(st);
        Bind(st, binds);
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW)
            return sqlite3_column_int64(st, 0);
        if (rc != SQLITE_DONE)
            Fail(rc);
        return 0;
    }

    // --- building queries ---

    QByteArray ColExpr(const TOrder& o) const
    {
        if (o.col < 0)
            return "rowid";
        QByteArray e = Quote(fieldDefs[o.col].name);
        if (o.nocase)
            e += " COLLATE NOCASE";
        return e;
    }

    bool Linked() const { return master && detailCol >= 0; }

    // The columns of the order less the one the link fixes, and the link's condition; rebuilt
    // whenever order or link change, and with them every statement.
    std::vector<TOrder> keyCols;
    QByteArray linkSql;
    // The fields a window is first read with: those of the order.
    std::vector<int> keyFields;
    QByteArray keySelect;

    void RebuildShape()
    {
        keyCols.clear();
        for (const TOrder& o : order)
            if (!(Linked() && o.col == detailCol))
                keyCols.push_back(o);
        keyFields.clear();
        keySelect = "rowid";
        for (const TOrder& o : order)
            if (o.col >= 0 && o.col != rowIdCol &&
                std::find(keyFields.begin(), keyFields.end(), o.col) == keyFields.end()) {
                keyFields.push_back(o.col);
                keySelect += ", " + Quote(fieldDefs[o.col].name);
            }
        linkSql = Linked() ? Quote(fieldDefs[detailCol].name) + " = ?" : QByteArray();
        FinalizeAll();
    }

    void LinkBind(std::vector<TBind>& binds) const
    {
        if (Linked())
            binds.push_back(filter);
    }

    // " WHERE <link> AND <extra>"; the link value binds first.
    QByteArray WhereSql(const QByteArray& extra) const
    {
        if (!linkSql.isEmpty())
            return " WHERE " + linkSql + (extra.isEmpty() ? QByteArray() : " AND " + extra);
        return extra.isEmpty() ? QByteArray() : " WHERE " + extra;
    }

    // The key values of row r in the order's key columns; the bits of the null ones.
    quint32 KeyValues(const TRows& rows, int r, std::vector<TBind>& values) const
    {
        quint32 nulls = 0;
        values.clear();
        for (size_t i = 0; i < keyCols.size(); ++i) {
            values.push_back(BindOfCell(rows, r, keyCols[i].col));
            if (values.back().kind == TBind::Null)
                nulls |= 1u << i;
        }
        return nulls;
    }

    // Condition "strictly after (or before) the row with these key values in the current order".
    // Its binds go to binds; its text to sql when asked for.
    void Keyset(const std::vector<TBind>& values, bool after, QByteArray* sql,
                std::vector<TBind>& binds) const
    {
        const size_t n = keyCols.size();
        bool uniform = true, nulls = false;
        const bool greater0 = after != keyCols.front().desc;
        for (size_t i = 0; i < n; ++i) {
            nulls = nulls || values[i].kind == TBind::Null;
            uniform = uniform && !keyCols[i].nocase && (after != keyCols[i].desc) == greater0;
        }
        // Row values leave out rows with a null in them; they can only stand for "greater",
        // where a null never is, or for the row id alone.
        const bool rowIdOnly = n == 1 && keyCols.front().col < 0;
        if (rowIdOnly || (uniform && !nulls && greater0)) {
            binds.insert(binds.end(), values.begin(), values.end());
            if (!sql)
                return;
            QByteArray lhs, rhs;
            for (size_t i = 0; i < n; ++i) {
                lhs += (i ? ", " : "") + ColExpr(keyCols[i]);
                rhs += i ? ", ?" : "?";
            }
            const char* op = greater0 ? " > " : " < ";
            *sql = n == 1 ? lhs + op + rhs : "(" + lhs + ")" + op + "(" + rhs + ")";
            return;
        }
        QList<QByteArray> terms;
        for (size_t i = 0; i < n; ++i) {
            const bool greater = after != keyCols[i].desc;
            const bool null = values[i].kind == TBind::Null;
            if (null && !greater)
                continue; // nothing sorts below a null
            for (size_t j = 0; j < i; ++j)
                binds.push_back(values[j]);
            if (!null)
                binds.push_back(values[i]);
            if (!sql)
                continue;
            QByteArray t = "(";
            for (size_t j = 0; j < i; ++j)
                t += ColExpr(keyCols[j]) + " IS ? AND ";
            const QByteArray c = ColExpr(keyCols[i]);
            if (null)
                t += c + " IS NOT NULL";
            else if (greater)
                t += c + " > ?";
            else
                t += "(" + c + " < ? OR " + c + " IS NULL)";
            terms.append(t + ")");
        }
        if (!sql)
            return;
        if (terms.isEmpty()) {
            *sql = "0";
            return;
        }
        QByteArray all = "(";
        for (int i = 0; i < terms.size(); ++i)
            all += (i ? " OR " : "") + terms[i];
        *sql = all + ")";
    }

    // Binds for rows after (before) row r, and the statement: count, one row or a window of rows.
    sqlite3_stmt* KeysetStmt(TQuery q, const TRows& rows, int r, bool after, std::vector<TBind>& binds)
    {
        // The current row may have been read for the keys of another order.
        if (&rows == &cur)
            for (const TOrder& o : keyCols)
                if (o.col >= 0 && cur.Cell(0, o.col).kind == TCell::Absent) {
                    FillCurrent();
                    break;
                }
        std::vector<TBind> values;
        const quint32 nulls = KeyValues(rows, r, values);
        LinkBind(binds);
        Keyset(values, after, nullptr, binds);
        const bool window = q == QPageAfter || q == QPageBefore;
        const bool wide = window && widePages;
        return Stmt(Key(q, nulls, wide), [&] {
            QByteArray ks;
            std::vector<TBind> unused;
            Keyset(values, after, &ks, unused);
            if (q == QCountBefore)
                return "SELECT COUNT(*) FROM " + qtable + WhereSql(ks);
            return Select(WhereSql(ks), q == QPageBefore || q == QBefore, window, window && !wide);
        });
    }

    QByteArray Select(const QByteArray& where, bool reverse, bool limitOffset, bool keysOnly = false) const
    {
        QByteArray sql = "SELECT " + (keysOnly ? keySelect : selectCols) + " FROM " + qtable + where +
                         " ORDER BY " + (reverse ? orderRev : orderFwd);
        sql += limitOffset ? " LIMIT ? OFFSET ?" : " LIMIT 1";
        return sql;
    }

    void BuildOrder()
    {
        std::vector<TOrder> o;
        if (!indexName.isEmpty()) {
            const TIndexDef* def = nullptr;
            for (const TIndexDef& i : std::as_const(indexDefs))
                if (i.name.compare(indexName, Qt::CaseInsensitive) == 0)
                    def = &i;
            if (!def)
                throw TError(u"%1Index '%2' not found"_s.arg(Prefix(), indexName));
            for (const QString& f : def->fields) {
                const int c = FieldIndex(f);
                if (c < 0)
                    throw TError(u"%1Field '%2' not found"_s.arg(Prefix(), f));
                o.push_back(
                    {c, bool(def->options & TIndexOption::Descending),
                     bool(def->options & TIndexOption::CaseInsensitive) && IsTextType(fieldDefs[c].type)});
            }
        } else if (!indexFieldNames.isEmpty()) {
            for (const QString& part : indexFieldNames.split(u';', Qt::SkipEmptyParts)) {
                const int c = FieldIndex(part.trimmed());
                if (c < 0)
                    throw TError(u"%1Field '%2' not found"_s.arg(Prefix(), part.trimmed()));
                o.push_back({c, false, false});
            }
        }
        o.push_back({-1, false, false});
        order = std::move(o);
        orderFwd.clear();
        orderRev.clear();
        for (size_t i = 0; i < order.size(); ++i) {
            const QByteArray e = ColExpr(order[i]);
            orderFwd += (i ? ", " : "") + e + (order[i].desc ? " DESC" : "");
            orderRev += (i ? ", " : "") + e + (order[i].desc ? "" : " DESC");
        }
        RebuildShape();
    }

    // --- what was fetched ---

    void DropFetched()
    {
        pages.clear();
        lru.clear();
    }

    void TouchPage(int p)
    {
        auto it = std::find(lru.begin(), lru.end(), p);
        if (it != lru.end())
            lru.erase(it);
        lru.push_back(p);
        while (lru.size() > MaxPages) {
            pages.erase(lru.front());
            lru.erase(lru.begin());
        }
    }

    int Count()
    {
        if (count < 0) {
            std::vector<TBind> binds;
            LinkBind(binds);
            sqlite3_stmt* st =
                Stmt(Key(QCount), [&] { return "SELECT COUNT(*) FROM " + qtable + WhereSql({}); });
            count = int(QueryInt(st, binds));
        }
        return count;
    }

    // The page of rows [p * PageRows, (p + 1) * PageRows); nullptr when it holds no row.
    const TRows* Page(int p)
    {
        if (auto it = pages.find(p); it != pages.end()) {
            if (lru.empty() || lru.back() != p)
                TouchPage(p);
            return &it->second;
        }
        if (p < 0)
            return nullptr;
        TRows rows;
        rows.columns = Columns();
        std::vector<TBind> binds;
        bool forward = true;
        auto prev = pages.find(p - 1);
        auto next = pages.find(p + 1);
        if (p > 0 && prev != pages.end()) {
            if (prev->second.Count() < PageRows)
                return nullptr;
            sqlite3_stmt* st = KeysetStmt(QPageAfter, prev->second, prev->second.Count() - 1, true, binds);
            binds.push_back(BindInt(PageRows));
            binds.push_back(BindInt(0));
            Fetch(st, binds, rows, !widePages);
        } else if (next != pages.end() && next->second.Count() > 0) {
            sqlite3_stmt* st = KeysetStmt(QPageBefore, next->second, 0, false, binds);
            binds.push_back(BindInt(PageRows));
            binds.push_back(BindInt(0));
            Fetch(st, binds, rows, !widePages);
            rows.Reverse();
            forward = false;
        } else {
            const qint64 start = qint64(p) * PageRows;
            qint64 limit = PageRows, offset = start;
            bool reverse = false;
            if (p > 0) {
                const int c = Count();
                if (start >= c)
                    return nullptr;
                const qint64 after = c - start - PageRows; // rows behind this page
                if (after < start) {
                    reverse = true;
                    offset = std::max<qint64>(after, 0);
                    limit = std::min<qint64>(PageRows, c - start);
                }
            }
            LinkBind(binds);
            sqlite3_stmt* st = Stmt(Key(QPage, 0, quint64(reverse) | quint64(widePages) << 1),
                                    [&] { return Select(WhereSql({}), reverse, true, !widePages); });
            binds.push_back(BindInt(limit));
            binds.push_back(BindInt(offset));
            Fetch(st, binds, rows, !widePages);
            if (reverse) {
                rows.Reverse();
                forward = false;
            }
        }
        if (forward && rows.Count() < PageRows)
            count = p * PageRows + rows.Count();
        if (rows.Count() == 0)
            return nullptr;
        auto [it, inserted] = pages.emplace(p, std::move(rows));
        TouchPage(p);
        return &it->second;
    }

    // Reads every field of rows that were read with their keys only, in one statement.
    void FillRows(TRows& rows)
    {
        if (rows.full || rows.Count() == 0)
            return;
        const int n = rows.Count();
        std::vector<TBind> binds;
        binds.reserve(size_t(n));
        for (qint64 id : rows.ids)
            binds.push_back(BindInt(id));
        sqlite3_stmt* st = Stmt(Key(QFill, 0, quint64(n)), [&] {
            QByteArray marks;
            for (int i = 0; i < n; ++i)
                marks += i ? ",?" : "?";
            return "SELECT " + selectCols + " FROM " + qtable + " WHERE rowid IN (" + marks + ")";
        });
        TRows got;
        got.columns = Columns();
        Fetch(st, binds, got);
        std::unordered_map<qint64, int> at;
        for (int i = 0; i < got.Count(); ++i)
            at.emplace(got.ids[size_t(i)], i);
        TRows filled;
        filled.columns = Columns();
        filled.text.reserve(got.text.size());
        for (int r = 0; r < n; ++r) {
            auto it = at.find(rows.ids[size_t(r)]);
            filled.CopyRow(it != at.end() ? got : rows, it != at.end() ? it->second : r);
        }
        rows = std::move(filled);
    }

    // Every field of the current row: through its window while that is there.
    void FillCurrent()
    {
        if (!hasCur || cur.full)
            return;
        if (pos >= 0) {
            auto it = pages.find(pos / PageRows);
            const int i = pos % PageRows;
            if (it != pages.end() && i < it->second.Count() && it->second.ids[size_t(i)] == cur.ids[0]) {
                FillRows(it->second);
                cur.Clear();
                cur.CopyRow(it->second, i);
                return;
            }
        }
        FillRows(cur);
    }

    bool RowAt(int position, const TRows** rows, int* index)
    {
        if (position < 0)
            return false;
        const TRows* page = Page(position / PageRows);
        const int i = position % PageRows;
        if (!page || i >= page->Count())
            return false;
        *rows = page;
        *index = i;
        return true;
    }

    // The fetched row at recNo with every field read; nullptr when there is no such row.
    const TRows* FieldsAt(int recNo, int fieldIndex, int* index)
    {
        const TRows* rows;
        if (!RowAt(recNo - 1, &rows, index))
            return nullptr;
        if (rows->Cell(*index, fieldIndex).kind == TCell::Absent) {
            // A grid shows whole windows: read every field of this one.
            widePages = true;
            TRows& page = pages.at((recNo - 1) / PageRows);
            FillRows(page);
            rows = &page;
        }
        return rows;
    }

    bool GoPos(int position)
    {
        const TRows* rows;
        int index;
        if (!RowAt(position, &rows, &index))
            return false;
        cur.Clear();
        cur.CopyRow(*rows, index);
        cur.full = rows->full;
        hasCur = true;
        pos = position;
        pendingFirst = false;
        return true;
    }

    void SetEmpty()
    {
        cur.Clear();
        hasCur = false;
        pos = -1;
        bof = eof = true;
        count = 0;
        pendingFirst = false;
    }

    // The visible row with this id; false when there is none.
    bool FetchRowId(qint64 id, TRows& out)
    {
        out.Clear();
        out.columns = Columns();
        std::vector<TBind> binds;
        LinkBind(binds);
        binds.push_back(BindInt(id));
        Fetch(Stmt(Key(QRowId), [&] { return Select(WhereSql("rowid = ?"), false, false); }), binds, out);
        return out.Count() > 0;
    }

    // The visible row right after (before) row r of rows; false when there is none.
    bool FetchNeighbour(const TRows& rows, int r, bool after, TRows& out)
    {
        TRows found;
        found.columns = Columns();
        std::vector<TBind> binds;
        sqlite3_stmt* st = KeysetStmt(after ? QAfter : QBefore, rows, r, after, binds);
        Fetch(st, binds, found);
        if (found.Count() == 0)
            return false;
        out = std::move(found);
        return true;
    }

    void EnsurePos()
    {
        if (pos >= 0 || !hasCur)
            return;
        std::vector<TBind> binds;
        sqlite3_stmt* st = KeysetStmt(QCountBefore, cur, 0, false, binds);
        pos = int(QueryInt(st, binds));
    }

    // After others changed the table: the current row again by its id, or its neighbour.
    void RereadCurrent()
    {
        if (!hasCur) {
            pendingFirst = true;
            return;
        }
        TRows row;
        pos = -1;
        if (FetchRowId(cur.ids[0], row)) {
            cur = std::move(row);
        } else if (!FetchNeighbour(cur, 0, true, cur) && !FetchNeighbour(cur, 0, false, cur)) {
            SetEmpty();
        }
        NotifyDetails(false);
    }

    // The link value that master gives its details.
    TBind LinkValueFor(const QString& fieldName)
    {
        if (!active)
            return {};
        const int col = FieldIndex(fieldName);
        if (col < 0)
            throw TError(u"%1Field '%2' not found"_s.arg(Prefix(), fieldName));
        if (state == TDataSetState::Edit || state == TDataSetState::Insert)
            return StorageOf(fieldDefs[col], buf[size_t(col)]);
        EnsureFresh();
        if (!hasCur)
            return {};
        if (cur.Cell(0, col).kind == TCell::Absent)
            FillCurrent();
        return BindOfCell(cur, 0, col);
    }

    // Brings fetched rows, count and current row up to date with the file and the master. Until a
    // row is needed, a detail whose master moved only remembers to go to its first row.
    void EnsureFresh(bool needRow = true)
    {
        CheckActive();
        if (*version != seen) {
            seen = *version;
            DropFetched();
            count = -1;
            if (!pendingFirst)
                RereadCurrent();
        }
        if (master && masterMoved) {
            TBind v = master->d->LinkValueFor(masterField);
            masterMoved = false;
            if (!(v == filter)) {
                filter = std::move(v);
                DropFetched();
                count = -1;
                cur.Clear();
                hasCur = false;
                pos = -1;
                pendingFirst = true;
            }
        }
        if (needRow && pendingFirst)
            DoFirst();
    }

    void DoFirst()
    {
        pendingFirst = false;
        if (GoPos(0)) {
            bof = true;
            eof = false;
        } else {
            SetEmpty();
        }
        NotifyDetails(false);
    }

    // --- telling others ---

    // The details' master row changed: they go to their first linked row when next read.
    void NotifyDetails(bool signal)
    {
        for (TTable* t : std::as_const(details))
            t->d->MasterMoved(signal);
    }

    void MasterMoved(bool signal)
    {
        masterMoved = true;
        if (!active)
            return;
        NotifyDetails(signal);
        if (signal) {
            emit q->RowsChange();
            emit q->DataChange(nullptr);
        }
    }

    void EmitScroll()
    {
        NotifyDetails(true);
        emit q->DataChange(nullptr);
    }

    void EmitRows()
    {
        emit q->RowsChange();
        EmitScroll();
    }

    void SetState(TDataSetState s)
    {
        if (state == s)
            return;
        state = s;
        emit q->StateChange();
    }

    // Before moving: a pending edit is posted when something was changed, else dropped; the
    // details do the same first.
    void CheckBrowseMode()
    {
        CheckActive();
        for (TTable* t : std::as_const(details))
            if (t->d->active)
                t->d->CheckBrowseMode();
        if (state == TDataSetState::Edit || state == TDataSetState::Insert) {
            if (modified)
                q->Post();
            else
                q->Cancel();
        }
    }

    // --- values ---

    QVariant Value(int col)
    {
        CheckActive();
        if (state == TDataSetState::Edit || state == TDataSetState::Insert)
            return buf[size_t(col)];
        EnsureFresh();
        if (!hasCur)
            return {};
        if (cur.Cell(0, col).kind == TCell::Absent)
            FillCurrent();
        return Decode(fieldDefs[col], cur, 0, col);
    }

    bool IsNull(int col)
    {
        CheckActive();
        if (state == TDataSetState::Edit || state == TDataSetState::Insert)
            return buf[size_t(col)].isNull();
        EnsureFresh();
        if (hasCur && cur.Cell(0, col).kind == TCell::Absent)
            FillCurrent();
        return !hasCur || cur.Cell(0, col).kind == TCell::Null || cur.Cell(0, col).kind == TCell::Absent;
    }

    void SetValue(int col, const QVariant& v)
    {
        CheckActive();
        if (state != TDataSetState::Edit && state != TDataSetState::Insert)
            throw TError(u"%1Dataset not in edit or insert mode"_s.arg(Prefix()));
        buf[size_t(col)] = Coerce(fieldDefs[col], v);
        modified = true;
        emit q->DataChange(fields[col]);
    }

    void FillBufferFromCurrent()
    {
        buf.assign(size_t(Columns()), QVariant());
        FillCurrent();
        if (hasCur)
            for (int c = 0; c < Columns(); ++c)
                buf[size_t(c)] = Decode(fieldDefs[c], cur, 0, c);
    }
};

// ---------------------------------------------------------------------------------------------

TTable::TTable(QObject* parent) : QObject(parent), d(std::make_unique<TImpl>(this)) {}

TTable::~TTable()
{
    try {
        Close();
    } catch (...) {
    }
    d->FinalizeAll();
    if (d->master)
        d->master->d->details.removeAll(this);
    for (TTable* t : std::as_const(d->details)) {
        t->d->master = nullptr;
        t->d->detailCol = -1;
        t->d->masterMoved = true;
        if (t->d->active)
            t->d->RebuildShape();
    }
    if (d->db)
        d->db->Detach(this);
    qDeleteAll(d->fields);
}

void TTable::DatabaseGone()
{
    d->FinalizeAll();
    d->active = false;
    d->state = TDataSetState::Inactive;
    d->db = nullptr;
}

TDatabaseFile* TTable::Database() const
{
    return d->db;
}

void TTable::SetDatabase(TDatabaseFile* database)
{
    if (d->active)
        throw TError(u"%1Cannot change the database of an open table"_s.arg(d->Prefix()));
    if (d->db)
        d->db->Detach(this);
    d->db = database;
    d->FinalizeAll();
}

const QString& TTable::TableName() const
{
    return d->tableName;
}

void TTable::SetTableName(const QString& name)
{
    if (d->active)
        throw TError(u"%1Cannot change the name of an open table"_s.arg(d->Prefix()));
    d->tableName = name;
}

QList<TFieldDef>& TTable::FieldDefs()
{
    return d->fieldDefs;
}

QList<TIndexDef>& TTable::IndexDefs()
{
    return d->indexDefs;
}

bool TTable::Exclusive() const
{
    return d->exclusive;
}

void TTable::SetExclusive(bool exclusive)
{
    d->exclusive = exclusive;
}

bool TTable::Exists() const
{
    return d->Conn().TableExists(d->tableName);
}

void TTable::CreateTable()
{
    if (d->active)
        throw TError(u"%1Cannot create an open table"_s.arg(d->Prefix()));
    d->Conn().CreateTable({d->tableName, d->fieldDefs, d->indexDefs});
}

void TTable::DeleteTable()
{
    if (d->active)
        throw TError(u"%1Cannot delete an open table"_s.arg(d->Prefix()));
    d->Conn().DeleteTable(d->tableName);
}

void TTable::EmptyTable()
{
    if (d->active && (d->state == TDataSetState::Edit || d->state == TDataSetState::Insert))
        Cancel();
    d->Conn().EmptyTable(d->tableName);
    if (d->active) {
        d->seen = *d->version;
        d->DropFetched();
        d->SetEmpty();
        d->pendingFirst = false;
        d->EmitRows();
    }
}

void TTable::Open()
{
    if (d->active)
        return;
    TDatabaseFile& db = d->Conn();
    if (d->tableName.isEmpty())
        throw TError(u"No table name given"_s);
    const TTableDef def = db.TableDefinition(d->tableName);
    d->tableName = def.name;
    d->fieldDefs = def.fields;
    d->indexDefs = def.indexes;
    if (d->fieldsFor != def.fields) {
        qDeleteAll(d->fields);
        d->fields.clear();
        for (int i = 0; i < def.fields.size(); ++i)
            d->fields.append(new TField(this, i, def.fields[i]));
        d->fieldsFor = def.fields;
    }
    d->qtable = Quote(def.name);
    d->rowIdCol = -1;
    for (int i = 0; i < def.fields.size(); ++i)
        if (def.fields[i].type == TFieldType::AutoInc)
            d->rowIdCol = i;
    d->selectCols = "rowid";
    QByteArray names, marks, sets;
    for (int i = 0; i < def.fields.size(); ++i) {
        const QByteArray n = Quote(def.fields[i].name);
        d->selectCols += ", " + n;
        names += (i ? ", " : "") + n;
        marks += i ? ", ?" : "?";
        sets += (i ? ", " : "") + n + " = ?";
    }
    d->insertSql = "INSERT INTO " + d->qtable + " (" + names + ") VALUES (" + marks + ")";
    d->updateSql = "UPDATE " + d->qtable + " SET " + sets + " WHERE rowid = ?";
    d->deleteSql = "DELETE FROM " + d->qtable + " WHERE rowid = ?";
    d->detailCol = -1;
    if (d->master) {
        d->detailCol = d->FieldIndex(d->detailField);
        if (d->detailCol < 0)
            throw TError(u"%1Field '%2' not found"_s.arg(d->Prefix(), d->detailField));
    }
    d->FinalizeAll();
    d->BuildOrder();
    d->version = db.TableVersion(def.name);
    d->seen = *d->version;
    db.Attach(this);
    d->DropFetched();
    d->cur.Clear();
    d->cur.columns = d->Columns();
    d->hasCur = false;
    d->pos = -1;
    d->count = -1;
    d->bof = d->eof = true;
    d->pendingFirst = true;
    d->masterMoved = true;
    d->filter = {};
    d->modified = false;
    d->active = true;
    d->SetState(TDataSetState::Browse);
    emit AfterOpen();
    d->EmitRows();
}

void TTable::Close()
{
    if (!d->active)
        return;
    emit BeforeClose();
    d->buf.clear();
    d->modified = false;
    d->FinalizeAll();
    d->DropFetched();
    d->cur.Clear();
    d->hasCur = false;
    d->active = false;
    if (d->db)
        d->db->Detach(this);
    d->SetState(TDataSetState::Inactive);
    d->NotifyDetails(true);
    emit RowsChange();
    emit DataChange(nullptr);
}

bool TTable::Active() const
{
    return d->active;
}

TDataSetState TTable::State() const
{
    return d->state;
}

const QList<TField*>& TTable::Fields() const
{
    return d->fields;
}

int TTable::FieldCount() const
{
    return int(d->fields.size());
}

TField* TTable::FindField(const QString& name) const
{
    for (TField* f : d->fields)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

TField& TTable::FieldByName(const QString& name) const
{
    if (TField* f = FindField(name))
        return *f;
    throw TError(u"%1Field '%2' not found"_s.arg(d->Prefix(), name));
}

void TTable::First()
{
    d->CheckBrowseMode();
    d->EnsureFresh(false);
    d->DoFirst();
    d->EmitScroll();
}

void TTable::Last()
{
    d->CheckBrowseMode();
    d->EnsureFresh(false);
    const int c = d->Count();
    if (c == 0 || !d->GoPos(c - 1)) {
        d->SetEmpty();
    } else {
        d->bof = false;
        d->eof = true;
    }
    d->EmitScroll();
}

void TTable::Next()
{
    d->CheckBrowseMode();
    d->EnsureFresh();
    if (!d->hasCur) {
        d->eof = true;
        return;
    }
    d->EnsurePos();
    if ((d->count >= 0 && d->pos + 1 >= d->count) || !d->GoPos(d->pos + 1)) {
        d->eof = true;
        return;
    }
    d->bof = false;
    d->eof = false;
    d->EmitScroll();
}

void TTable::Prior()
{
    d->CheckBrowseMode();
    d->EnsureFresh();
    if (!d->hasCur) {
        d->bof = true;
        return;
    }
    d->EnsurePos();
    if (d->pos == 0 || !d->GoPos(d->pos - 1)) {
        d->bof = true;
        return;
    }
    d->bof = false;
    d->eof = false;
    d->EmitScroll();
}

int TTable::MoveBy(int distance)
{
    d->CheckBrowseMode();
    d->EnsureFresh();
    if (!d->hasCur || distance == 0)
        return 0;
    d->EnsurePos();
    const int from = d->pos;
    int target = from + distance;
    if (target < 0) {
        target = 0;
        d->bof = true;
    } else {
        const int c = d->Count();
        if (target >= c) {
            target = c - 1;
            d->eof = true;
        }
    }
    if (target != from && d->GoPos(target)) {
        if (distance > 0)
            d->bof = false;
        else
            d->eof = false;
        if (target != 0 || distance > 0)
            d->bof = d->bof && target == 0;
        d->EmitScroll();
    }
    return d->pos - from;
}

bool TTable::Eof() const
{
    d->EnsureFresh();
    return d->eof;
}

bool TTable::Bof() const
{
    d->EnsureFresh();
    return d->bof;
}

bool TTable::IsEmpty() const
{
    d->EnsureFresh();
    return !d->hasCur;
}

int TTable::RecNo() const
{
    d->EnsureFresh();
    if (!d->hasCur)
        return 0;
    d->EnsurePos();
    return d->pos + 1;
}

void TTable::SetRecNo(int recNo)
{
    d->CheckBrowseMode();
    d->EnsureFresh(false);
    if (recNo < 1)
        recNo = 1;
    if (d->hasCur && d->pos == recNo - 1)
        return;
    if (!d->GoPos(recNo - 1)) {
        const int c = d->Count();
        if (c == 0) {
            d->SetEmpty();
            return;
        }
        d->GoPos(c - 1);
    }
    d->bof = d->pos == 0;
    d->eof = false;
    d->EmitScroll();
}

int TTable::RecordCount() const
{
    d->EnsureFresh(false);
    return d->Count();
}

bool TTable::Locate(const QString& fieldName, const QVariant& value, bool caseInsensitive)
{
    return Locate(QStringList{fieldName}, QVariantList{value}, caseInsensitive);
}

bool TTable::Locate(const QStringList& fieldNames, const QVariantList& values, bool caseInsensitive)
{
    d->CheckBrowseMode();
    d->EnsureFresh(false);
    if (fieldNames.isEmpty() || fieldNames.size() != values.size())
        throw TError(u"%1Locate needs one value for each field"_s.arg(d->Prefix()));
    // Conditions in field order, so that one statement serves each set of fields.
    struct TCond
    {
        int col;
        TBind value;
        bool noCase;
    };
    std::vector<TCond> conds;
    quint32 fieldMask = 0, noCaseMask = 0;
    for (int i = 0; i < fieldNames.size(); ++i) {
        const int col = d->FieldIndex(fieldNames[i]);
        if (col < 0)
            throw TError(u"%1Field '%2' not found"_s.arg(d->Prefix(), fieldNames[i]));
        const TFieldDef& def = d->fieldDefs[col];
        TBind b = StorageOf(def, Coerce(def, values[i]));
        const bool noCase = caseInsensitive && IsTextType(def.type) && b.kind == TBind::Text;
        conds.push_back({col, std::move(b), noCase});
    }
    std::sort(conds.begin(), conds.end(), [](const TCond& a, const TCond& b) { return a.col < b.col; });
    for (const TCond& c : conds) {
        if (c.col < 24) {
            fieldMask |= 1u << c.col;
            noCaseMask |= c.noCase ? 1u << c.col : 0u;
        }
    }
    std::vector<TBind> binds;
    d->LinkBind(binds);
    for (const TCond& c : conds)
        binds.push_back(c.value);
    auto sql = [&] {
        QByteArray cond;
        for (const TCond& c : conds) {
            cond += (cond.isEmpty() ? "" : " AND ") + Quote(d->fieldDefs[c.col].name) + " IS ?";
            if (c.noCase)
                cond += QByteArray(" COLLATE ") + NoCaseCollation;
        }
        return d->Select(d->WhereSql(cond), false, false);
    };
    const bool cached = std::all_of(conds.begin(), conds.end(), [](const TCond& c) { return c.col < 24; });
    TRows row;
    row.columns = d->Columns();
    if (cached) {
        d->Fetch(d->Stmt(TImpl::Key(TImpl::QLocate, noCaseMask, fieldMask), sql), binds, row);
    } else {
        // Fields beyond the first 24 of a wide table: a statement for this search only.
        const quint64 key = TImpl::Key(TImpl::QLocate, 0xFFFFFFFFu, 0xFFFFFF);
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> st(d->Stmt(key, sql), sqlite3_finalize);
        d->stmts.remove(key);
        d->Fetch(st.get(), binds, row);
    }
    if (row.Count() == 0)
        return false;
    d->cur = std::move(row);
    d->hasCur = true;
    d->pos = -1;
    d->bof = d->eof = false;
    d->pendingFirst = false;
    d->EmitScroll();
    return true;
}

const QString& TTable::IndexName() const
{
    return d->indexName;
}

void TTable::SetIndexName(const QString& name)
{
    SetOrder(name, QString());
}

const QString& TTable::IndexFieldNames() const
{
    return d->indexFieldNames;
}

void TTable::SetIndexFieldNames(const QString& names)
{
    SetOrder(QString(), names);
}

// Orders by an index or by field names; an order the table cannot take leaves the old one.
void TTable::SetOrder(const QString& indexName, const QString& fieldNames)
{
    if (d->active)
        d->CheckBrowseMode();
    const QString oldName = d->indexName, oldFields = d->indexFieldNames;
    d->indexName = indexName;
    d->indexFieldNames = fieldNames;
    if (d->active) {
        try {
            d->BuildOrder();
        } catch (...) {
            d->indexName = oldName;
            d->indexFieldNames = oldFields;
            d->BuildOrder();
            throw;
        }
        d->Reorder();
    }
}

QStringList TTable::IndexFields() const
{
    QStringList names;
    for (const auto& o : d->order)
        if (o.col >= 0)
            names.append(d->fieldDefs[o.col].name);
    return names;
}

TBookmark TTable::GetBookmark() const
{
    d->EnsureFresh();
    if (!d->hasCur)
        return {};
    return {d->cur.ids[0]};
}

void TTable::GotoBookmark(const TBookmark& bookmark)
{
    d->CheckBrowseMode();
    d->EnsureFresh(false);
    TRows row;
    if (!bookmark.IsValid() || !d->FetchRowId(bookmark.rowId, row))
        throw TError(u"%1Record not found"_s.arg(d->Prefix()));
    d->cur = std::move(row);
    d->hasCur = true;
    d->pos = -1;
    d->bof = d->eof = false;
    d->pendingFirst = false;
    d->EmitScroll();
}

bool TTable::BookmarkValid(const TBookmark& bookmark) const
{
    d->EnsureFresh(false);
    if (!bookmark.IsValid())
        return false;
    std::vector<TBind> binds;
    d->LinkBind(binds);
    binds.push_back(BindInt(bookmark.rowId));
    sqlite3_stmt* st = d->Stmt(TImpl::Key(TImpl::QHasRowId), [&] {
        return "SELECT COUNT(*) FROM " + d->qtable + d->WhereSql("rowid = ?");
    });
    return d->QueryInt(st, binds) > 0;
}

TBookmark TTable::BookmarkAt(int recNo) const
{
    d->EnsureFresh(false);
    const TRows* rows;
    int index;
    if (!d->RowAt(recNo - 1, &rows, &index))
        return {};
    return {rows->ids[size_t(index)]};
}

void TTable::Append()
{
    d->CheckBrowseMode();
    d->EnsureFresh(false);
    d->buf.assign(size_t(d->Columns()), QVariant());
    if (d->Linked()) {
        const TBind& link = d->filter;
        const TFieldDef& def = d->fieldDefs[d->detailCol];
        QVariant v;
        switch (link.kind) {
        case TBind::Null:
            break;
        case TBind::Int:
            v = QVariant(link.i);
            break;
        case TBind::Float:
            v = QVariant(link.f);
            break;
        case TBind::Text:
            v = QVariant(QString::fromStdString(link.text));
            break;
        }
        d->buf[size_t(d->detailCol)] = Coerce(def, v);
    }
    d->modified = false;
    d->SetState(TDataSetState::Insert);
    d->NotifyDetails(true);
    emit DataChange(nullptr);
}

void TTable::Insert()
{
    Append();
}

void TTable::Edit()
{
    d->CheckActive();
    if (d->state == TDataSetState::Edit || d->state == TDataSetState::Insert)
        return;
    d->EnsureFresh();
    if (!d->hasCur) {
        Append();
        return;
    }
    d->FillBufferFromCurrent();
    d->modified = false;
    d->SetState(TDataSetState::Edit);
}

void TTable::Post()
{
    d->CheckActive();
    const bool inserting = d->state == TDataSetState::Insert;
    if (!inserting && d->state != TDataSetState::Edit)
        throw TError(u"%1Dataset not in edit or insert mode"_s.arg(d->Prefix()));
    // Texts are cut to their field's length when they are stored.
    for (int c = 0; c < d->Columns(); ++c) {
        const TFieldDef& def = d->fieldDefs[c];
        QVariant& v = d->buf[size_t(c)];
        if (def.type == TFieldType::String && v.typeId() == QMetaType::QString &&
            v.toString().size() > def.size)
            v = v.toString().left(def.size);
    }
    if (!inserting && !d->modified) {
        d->buf.clear();
        d->SetState(TDataSetState::Browse);
        return;
    }
    // The row as the file will hold it; it becomes the current row once it is stored.
    TRows& next = d->postRow;
    next.Clear();
    next.columns = d->Columns();
    next.ids.push_back(0);
    for (int c = 0; c < d->Columns(); ++c)
        AppendStored(next, d->fieldDefs[c], d->buf[size_t(c)]);
    // A new row names only the fields that have a value; the others take their default, null.
    quint32 nulls = 0;
    const bool byMask = inserting && d->Columns() <= 32;
    if (byMask)
        for (int c = 0; c < d->Columns(); ++c)
            if (next.Cell(0, c).kind == TCell::Null)
                nulls |= 1u << c;
    sqlite3_stmt* st;
    if (byMask) {
        st = d->Stmt(TImpl::Key(TImpl::QInsert, nulls), [&] {
            QByteArray names, marks;
            for (int c = 0; c < d->Columns(); ++c) {
                if (nulls & (1u << c))
                    continue;
                names += (names.isEmpty() ? "" : ", ") + Quote(d->fieldDefs[c].name);
                marks += marks.isEmpty() ? "?" : ", ?";
            }
            if (names.isEmpty())
                return "INSERT INTO " + d->qtable + " DEFAULT VALUES";
            return "INSERT INTO " + d->qtable + " (" + names + ") VALUES (" + marks + ")";
        });
    } else {
        st = inserting ? d->Stmt(TImpl::Key(TImpl::QInsert, 0, 1), [&] { return d->insertSql; })
                       : d->Stmt(TImpl::Key(TImpl::QUpdate), [&] { return d->updateSql; });
    }
    d->db->EndRead();
    qint64 rowId;
    {
        TReset reset(st);
        int n = 0;
        for (int c = 0; c < d->Columns(); ++c)
            if (!(nulls & (1u << c)))
                BindCell(st, ++n, next, next.Cell(0, c));
        if (!inserting)
            sqlite3_bind_int64(st, d->Columns() + 1, d->cur.ids[0]);
        const int rc = sqlite3_step(st);
        if (rc != SQLITE_DONE)
            d->Fail(rc);
        rowId = inserting ? sqlite3_last_insert_rowid(d->Handle()) : d->cur.ids[0];
    }
    next.ids[0] = rowId;
    if (d->rowIdCol >= 0) {
        TCell& id = next.Cell(0, d->rowIdCol);
        id.kind = TCell::Int;
        id.i = rowId;
    }
    ++*d->version;
    d->seen = *d->version;
    d->DropFetched();
    const bool visible = !d->Linked() || BindOfCell(next, 0, d->detailCol) == d->filter;
    if (inserting)
        d->count = d->count >= 0 && visible ? d->count + 1 : -1;
    else if (!visible)
        d->count = -1;
    std::swap(d->cur, next);
    d->hasCur = true;
    d->pos = -1;
    d->bof = d->eof = false;
    d->pendingFirst = false;
    d->buf.clear();
    d->modified = false;
    d->SetState(TDataSetState::Browse);
    emit AfterPost();
    d->EmitRows();
}

void TTable::Cancel()
{
    d->CheckActive();
    if (d->state != TDataSetState::Edit && d->state != TDataSetState::Insert)
        return;
    const bool inserting = d->state == TDataSetState::Insert;
    d->buf.clear();
    d->modified = false;
    d->SetState(TDataSetState::Browse);
    if (inserting)
        d->NotifyDetails(true);
    emit DataChange(nullptr);
}

void TTable::Delete()
{
    d->CheckActive();
    if (d->state == TDataSetState::Insert) {
        Cancel();
        return;
    }
    if (d->state == TDataSetState::Edit)
        Cancel();
    d->EnsureFresh();
    if (!d->hasCur)
        throw TError(u"%1Cannot perform this operation on an empty dataset"_s.arg(d->Prefix()));
    sqlite3_stmt* st = d->Stmt(TImpl::Key(TImpl::QDelete), [&] { return d->deleteSql; });
    d->db->EndRead();
    {
        TReset reset(st);
        sqlite3_bind_int64(st, 1, d->cur.ids[0]);
        const int rc = sqlite3_step(st);
        if (rc != SQLITE_DONE)
            d->Fail(rc);
    }
    ++*d->version;
    d->seen = *d->version;
    d->DropFetched();
    if (d->count > 0)
        --d->count;
    const int oldPos = d->pos;
    if (d->FetchNeighbour(d->cur, 0, true, d->cur)) {
        d->pos = oldPos;
        d->bof = oldPos == 0;
        d->eof = false;
    } else if (d->FetchNeighbour(d->cur, 0, false, d->cur)) {
        d->pos = oldPos > 0 ? oldPos - 1 : -1;
        d->bof = false;
        d->eof = false;
    } else {
        d->SetEmpty();
    }
    emit AfterDelete();
    d->EmitRows();
}

bool TTable::Modified() const
{
    return d->modified;
}

void TTable::Refresh()
{
    d->CheckBrowseMode();
    d->DropFetched();
    d->count = -1;
    d->EnsureFresh();
    d->RereadCurrent();
    d->EmitRows();
}

void TTable::SetMasterSource(TTable* master, const QString& masterField, const QString& detailField)
{
    if (master == this)
        throw TError(u"%1A table cannot be its own master"_s.arg(d->Prefix()));
    for (TTable* m = master; m; m = m->d->master)
        if (m == this)
            throw TError(u"%1Circular master link"_s.arg(d->Prefix()));
    if (d->active)
        d->CheckBrowseMode();
    if (d->master)
        d->master->d->details.removeAll(this);
    d->master = master;
    d->masterField = master ? masterField : QString();
    d->detailField = master ? detailField : QString();
    d->detailCol = -1;
    if (master) {
        master->d->details.append(this);
        if (d->active) {
            d->detailCol = d->FieldIndex(detailField);
            if (d->detailCol < 0) {
                master->d->details.removeAll(this);
                d->master = nullptr;
                throw TError(u"%1Field '%2' not found"_s.arg(d->Prefix(), detailField));
            }
        }
    }
    d->masterMoved = true;
    d->filter = {};
    if (d->active) {
        d->RebuildShape();
        d->DropFetched();
        d->count = -1;
        d->pendingFirst = true;
        d->EmitRows();
    }
}

TTable* TTable::MasterSource() const
{
    return d->master;
}

const QString& TTable::MasterFields() const
{
    return d->masterField;
}

const QString& TTable::DetailFields() const
{
    return d->detailField;
}

QVariant TTable::ValueAt(int recNo, int fieldIndex) const
{
    d->EnsureFresh(false);
    if (fieldIndex < 0 || fieldIndex >= d->Columns())
        return {};
    if (d->state == TDataSetState::Edit && d->hasCur) {
        d->EnsurePos();
        if (recNo == d->pos + 1)
            return d->buf[size_t(fieldIndex)];
    }
    int index;
    const TRows* rows = d->FieldsAt(recNo, fieldIndex, &index);
    if (!rows)
        return {};
    return Decode(d->fieldDefs[fieldIndex], *rows, index, fieldIndex);
}

QString TTable::DisplayTextAt(int recNo, int fieldIndex) const
{
    // A text field shows its stored text: straight from the fetched bytes, as a list asks for
    // thousands of them.
    if (fieldIndex >= 0 && fieldIndex < d->Columns() && IsTextType(d->fieldDefs[fieldIndex].type)) {
        d->EnsureFresh(false);
        if (d->state != TDataSetState::Edit || !d->hasCur) {
            int index;
            const TRows* rows = d->FieldsAt(recNo, fieldIndex, &index);
            if (!rows)
                return {};
            const TCell& c = rows->Cell(index, fieldIndex);
            if (c.kind == TCell::Text)
                return QString::fromUtf8(rows->Bytes(c), c.len);
        }
    }
    const QVariant v = ValueAt(recNo, fieldIndex);
    if (v.isNull() || fieldIndex < 0 || fieldIndex >= d->fields.size())
        return {};
    return TableStore::DisplayText(*d->fields[fieldIndex], v);
}

int TTable::ForEachRow(const QStringList& fieldNames, const std::function<bool(const TRowValues&)>& each)
{
    d->CheckBrowseMode();
    d->EnsureFresh(false);
    QList<TFieldDef> defs;
    QByteArray cols;
    for (const QString& name : fieldNames) {
        const int c = d->FieldIndex(name);
        if (c < 0)
            throw TError(u"%1Field '%2' not found"_s.arg(d->Prefix(), name));
        cols += (defs.isEmpty() ? "" : ", ") + Quote(d->fieldDefs[c].name);
        defs.append(d->fieldDefs[c]);
    }
    if (defs.isEmpty())
        cols = "rowid";
    // A statement of its own for the one pass: the cursor's windows and statements stay as they are.
    const QByteArray sql =
        "SELECT " + cols + " FROM " + d->qtable + d->WhereSql({}) + " ORDER BY " + d->orderFwd;
    sqlite3* h = d->Handle();
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(h, sql.constData(), int(sql.size()), &st, nullptr);
    if (rc != SQLITE_OK)
        d->Fail(rc);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(st, sqlite3_finalize);
    std::vector<TBind> binds;
    d->LinkBind(binds);
    d->Bind(st, binds);
    d->db->BeginRead();
    const TRowValues row(st, defs);
    int n = 0;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        ++n;
        ++d->rowsFetched;
        if (!each(row))
            return n;
    }
    if (rc != SQLITE_DONE)
        d->Fail(rc);
    return n;
}

QVariant TRowValues::Value(int k) const
{
    if (k < 0 || k >= m_defs.size())
        return {};
    switch (sqlite3_column_type(m_stmt, k)) {
    case SQLITE_INTEGER:
        return DecodeStored(m_defs[k], TCell::Int, sqlite3_column_int64(m_stmt, k), 0, nullptr, 0);
    case SQLITE_FLOAT:
        return DecodeStored(m_defs[k], TCell::Float, 0, sqlite3_column_double(m_stmt, k), nullptr, 0);
    case SQLITE_NULL:
        return {};
    default: {
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, k));
        return DecodeStored(m_defs[k], TCell::Text, 0, 0, p, sqlite3_column_bytes(m_stmt, k));
    }
    }
}

bool TRowValues::IsNull(int k) const
{
    return k < 0 || k >= m_defs.size() || sqlite3_column_type(m_stmt, k) == SQLITE_NULL;
}

qint64 TTable::RowsFetched() const
{
    return d->rowsFetched;
}

// --- fields ---------------------------------------------------------------------------------

bool TField::IsNull() const
{
    return m_table->d->IsNull(m_index);
}

void TField::Clear()
{
    m_table->d->SetValue(m_index, QVariant());
}

QVariant TField::Value() const
{
    return m_table->d->Value(m_index);
}

void TField::SetValue(const QVariant& value)
{
    m_table->d->SetValue(m_index, value);
}

void TField::SetAsString(const QString& value)
{
    m_table->d->SetValue(m_index, QVariant(value));
}

void TField::SetAsInteger(int value)
{
    m_table->d->SetValue(m_index, QVariant(qint64(value)));
}

void TField::SetAsFloat(double value)
{
    m_table->d->SetValue(m_index, QVariant(value));
}

void TField::SetAsDate(QDate value)
{
    m_table->d->SetValue(m_index, value.isValid() ? QVariant(value) : QVariant());
}

void TField::SetAsTime(QTime value)
{
    m_table->d->SetValue(m_index, value.isValid() ? QVariant(value) : QVariant());
}

void TField::SetAsBoolean(bool value)
{
    m_table->d->SetValue(m_index, QVariant(value));
}
