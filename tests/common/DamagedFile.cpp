#include "DamagedFile.h"

#include <QFile>
#include <QList>
#include <sqlite3.h>

bool DamageFirstLeaf(const QString& path, const char* table)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    int pageSize = 4096;
    sqlite3_prepare_v2(db, "PRAGMA page_size", -1, &st, nullptr);
    if (sqlite3_step(st) == SQLITE_ROW)
        pageSize = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    QList<int> leaves;
    sqlite3_prepare_v2(db, "SELECT pageno FROM dbstat WHERE name = ?1 AND pagetype = 'leaf' ORDER BY pageno",
                       -1, &st, nullptr);
    sqlite3_bind_text(st, 1, table, -1, SQLITE_STATIC);
    while (sqlite3_step(st) == SQLITE_ROW)
        leaves.append(sqlite3_column_int(st, 0));
    sqlite3_finalize(st);
    sqlite3_close(db);
    if (leaves.size() < 3)
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.seek(qint64(leaves.first() - 1) * pageSize) &&
           file.write(QByteArray(pageSize, '\x5A')) == pageSize;
}
