#pragma once

#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>

// Field and index definitions of a table: what CreateTable builds and what an open table reports.

enum class TFieldType
{
    String,  // text of at most Size characters, cut to Size when posted
    Memo,    // text of any length
    Integer, // signed 32-bit
    AutoInc, // signed 32-bit, numbered by the store when a row is added without a value
    Date,    // calendar date, kept as "YYYY-MM-DD"
    Time,    // time of day, kept as "hh:mm:ss"
    Float,   // 64-bit floating point
    Boolean
};

struct TFieldDef
{
    QString name;
    TFieldType type = TFieldType::String;
    int size = 0; // characters, String only

    friend bool operator==(const TFieldDef&, const TFieldDef&) = default;
};

enum class TIndexOption
{
    Primary = 0x1,
    Unique = 0x2,
    Descending = 0x4,     // every field of the index in descending order
    CaseInsensitive = 0x8 // text fields compared without regard to letter case
};
Q_DECLARE_FLAGS(TIndexOptions, TIndexOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TIndexOptions)

struct TIndexDef
{
    QString name;
    QStringList fields;
    TIndexOptions options;

    friend bool operator==(const TIndexDef&, const TIndexDef&) = default;
};

// A table's definition as a whole, e.g. for a repair that must rebuild missing tables.
struct TTableDef
{
    QString name;
    QList<TFieldDef> fields;
    QList<TIndexDef> indexes;
};
