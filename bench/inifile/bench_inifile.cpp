// The language files are INI files read and written key by key: the first start into a language
// writes every caption of nine windows, one key at a time. This measures that pattern.

#include "TIniFile.h"

#include <cstdio>
#include <QElapsedTimer>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

int main()
{
    QTemporaryDir dir;
    TIniFile ini(dir.path() + u"/Language.ENG"_s);
    const int windows = 9, keys = 60;
    const QString text = u"Ein deutscher Text von ungefähr vierzig Zeichen"_s;

    QElapsedTimer t;
    t.start();
    for (int w = 0; w < windows; ++w)
        for (int k = 0; k < keys; ++k) {
            const QString section = u"Frm"_s + QString::number(w), key = u"Label"_s + QString::number(k);
            const QString value = ini.ReadString(section, key, text);
            if (!ini.ValueExists(section, key))
                ini.WriteString(section, key, value);
        }
    const double fill = double(t.nsecsElapsed()) / 1e6;

    t.restart();
    for (int w = 0; w < windows; ++w)
        for (int k = 0; k < keys; ++k)
            ini.ReadString(u"Frm"_s + QString::number(w), u"Label"_s + QString::number(k), QString());
    const double read = double(t.nsecsElapsed()) / 1e6;

    std::printf("inifile_fill_%d_keys: %.1f ms\n", windows * keys, fill);
    std::printf("inifile_read_%d_keys: %.1f ms\n", windows * keys, read);
    std::printf("ratio_fill_per_read: %.1f\n", read > 0 ? fill / read : 0.0);
    return 0;
}
