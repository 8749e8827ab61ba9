#include "uBrowserText.h"

using namespace Qt::StringLiterals;

QString UpperAZ(const QString& text)
{
    QString result = text;
    for (QChar& c : result)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    return result;
}

QString TrimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= u' ')
        --end;
    return text.mid(begin, end - begin);
}

QString SearchTerm(const QString& text)
{
    return TrimBlanks(UpperAZ(text));
}

QString LoggerExportFileName(QDate date, QTime time)
{
    return date.toString(u"yyyyMMdd"_s) + time.toString(u"HHmmss"_s) + u".CSV"_s;
}
