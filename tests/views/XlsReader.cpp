#include "XlsReader.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// The system's python carries the distribution's xlrd; a python of its own on the PATH may not.
QString Python()
{
    if (QFile::exists(u"/usr/bin/python3"_s))
        return u"/usr/bin/python3"_s;
    return QStandardPaths::findExecutable(u"python3"_s);
}

const char* const Script = R"(
import json, sys, xlrd
book = xlrd.open_workbook(sys.argv[1], encoding_override="cp1252")
sheet = book.sheet_by_index(0)
cells = []
for r in range(sheet.nrows):
    for c in range(sheet.ncols):
        cell = sheet.cell(r, c)
        if cell.ctype == xlrd.XL_CELL_NUMBER:
            cells.append({"r": r, "c": c, "n": True, "v": cell.value})
        elif cell.ctype == xlrd.XL_CELL_TEXT:
            cells.append({"r": r, "c": c, "n": False, "v": cell.value})
print(json.dumps(cells))
)";

} // namespace

std::optional<QList<TXlsCell>> ReadXlsWithXlrd(const QString& path, QString* error)
{
    QProcess python;
    python.start(Python(), {u"-c"_s, QString::fromUtf8(Script), path});
    if (!python.waitForFinished(60000) || python.exitStatus() != QProcess::NormalExit ||
        python.exitCode() != 0) {
        *error = u"xlrd could not read %1: %2 %3"_s.arg(path, python.errorString(),
                                                        QString::fromUtf8(python.readAllStandardError()));
        return std::nullopt;
    }
    const QJsonArray array = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    QList<TXlsCell> cells;
    for (const QJsonValue& v : array) {
        const QJsonObject o = v.toObject();
        TXlsCell cell;
        cell.row = o[u"r"_s].toInt();
        cell.column = o[u"c"_s].toInt();
        cell.number = o[u"n"_s].toBool();
        cell.value = cell.number ? QVariant(o[u"v"_s].toDouble()) : QVariant(o[u"v"_s].toString());
        cells.append(cell);
    }
    return cells;
}
