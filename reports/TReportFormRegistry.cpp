#include "TReportFormRegistry.h"

#include <QHash>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

QHash<QString, TReportFormFactory>& Registry()
{
    static QHash<QString, TReportFormFactory> registry;
    return registry;
}

// The report forms this build carries, by class name. Each report type adds its three forms here.
QList<QPair<QString, TReportFormFactory>> BuiltForms()
{
    return {};
}

} // namespace

const QStringList& ReportFormClassNames()
{
    static const QStringList names = [] {
        const QStringList codes = {u"BDTRGI2008"_s, u"DHDIN18380"_s, u"DTDIN8064N"_s, u"DTDIN8064T"_s,
                                   u"GGTRGI2008"_s, u"KPDIN1610"_s,  u"DDGAS_TRF"_s};
        QStringList list;
        for (const QString& language : {u"DE"_s, u"EN"_s, u"FR"_s})
            for (const QString& code : codes)
                list << u"TFRM_"_s + language + u"_"_s + code;
        return list;
    }();
    return names;
}

void RegisterReportForms()
{
    Registry().clear();
    for (const QString& name : ReportFormClassNames())
        Registry().insert(name, {});
    for (const auto& [name, factory] : BuiltForms())
        RegisterReportFormClass(name, factory);
}

void RegisterReportFormClass(const QString& className, TReportFormFactory factory)
{
    Registry().insert(className, std::move(factory));
}

bool ReportFormRegistered(const QString& className)
{
    const auto it = Registry().constFind(className);
    return it != Registry().constEnd() && bool(*it);
}

QWidget* CreateReportForm(const QString& className, QWidget* owner)
{
    const auto it = Registry().constFind(className);
    if (it == Registry().constEnd() || !*it)
        return nullptr;
    return (*it)(owner);
}
