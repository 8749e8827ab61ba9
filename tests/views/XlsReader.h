#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// One cell of a worksheet as a spreadsheet reader (python3 xlrd) sees it.
struct TXlsCell
{
    int row = 0;
    int column = 0;
    bool number = false;
    QVariant value; // double for numbers, QString for texts
};

// Reads a worksheet with xlrd; on failure returns nothing and sets *error to the reader's output.
std::optional<QList<TXlsCell>> ReadXlsWithXlrd(const QString& path, QString* error);
