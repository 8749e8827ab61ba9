#include "uCompanyData.h"

#include "WindowRegistry.h"

#include <QLineEdit>
#include <QVariant>

using namespace Qt::StringLiterals;

TCompanyData CompanyData()
{
    TCompanyData data;
    QWidget* settings = Windows::Find(u"SettingsFrm"_s);
    if (!settings)
        return data;
    auto text = [settings](const QString& name) {
        auto* edit = settings->findChild<QLineEdit*>(name);
        return edit ? edit->text() : QString();
    };
    data.name = text(u"Edit1"_s);
    data.street = text(u"Edit3"_s);
    data.town = text(u"Edit4"_s);
    data.email = text(u"Edit5"_s);
    data.phone = text(u"Edit6"_s);
    data.fax = text(u"Edit7"_s);
    data.logo = settings->property("CompanyLogo").value<QImage>();
    return data;
}
