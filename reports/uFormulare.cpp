#include "uFormulare.h"

#include "uGlobal.h"
#include "WindowRegistry.h"

#include <array>
#include <QComboBox>

using namespace Qt::StringLiterals;

namespace {

struct TCatalogueRow
{
    QString mtnrList;
    QString title[3]; // DEU, ENG, FRA
    QString formName[3];
};

const std::array<TCatalogueRow, FormularCount>& Rows()
{
    static const std::array<TCatalogueRow, FormularCount> rows = {{
        {u";1;2;"_s,
         {u"Belastungs-Dichtheitsprüfung-TRGI2018"_s, u"Load-And-Tightness TestTRGI2018"_s,
          u"Essai résistance mécanique étanchéité TRGI2018"_s},
         {u"FRM_DE_BDTRGI2008"_s, u"FRM_EN_BDTRGI2008"_s, u"FRM_FR_BDTRGI2008"_s}},
        {u";3;"_s,
         {u"Gebrauchsfähigkeitsprüfung TRGI2018"_s, u"Usability-test-TRGI2018"_s,
          u"Essai taux de fuite TRGI2018"_s},
         {u"FRM_DE_GGTRGI2008"_s, u"FRM_EN_GGTRGI2008"_s, u"FRM_FR_GGTRGI2008"_s}},
        {u";4;"_s,
         {u"Heizungsanlagenprüfung-nach-DIN18380"_s, u"Heating-plant-check-acc-DIN18380"_s,
          u"Essai installation chauffage DIN18380"_s},
         {u"FRM_DE_DHDIN18380"_s, u"FRM_EN_DHDIN18380"_s, u"FRM_FR_DHDIN18380"_s}},
        {u";5;"_s,
         {u"Kanalprüfung-nach-DIN-EN1610"_s, u"Sewer-check-acc-DIN-EN1610"_s,
          u"Essai conduite DIN EN1610DIN EN1610"_s},
         {u"FRM_DE_KPDIN1610"_s, u"FRM_EN_KPDIN1610"_s, u"FRM_FR_KPDIN1610"_s}},
        {u";6;7;8;"_s,
         {u"Trinkwasseranlage-DIN-EN-806-4-nass"_s, u"Drinking-water-plant-DIN-EN-806-4-wet"_s,
          u"Installation eau potable DIN EN 806-4 humide"_s},
         {u"FRM_DE_DTDIN8064N"_s, u"FRM_EN_DTDIN8064N"_s, u"FRM_FR_DTDIN8064N"_s}},
        {u";9;10;"_s,
         {u"Trinkwasseranlage-DIN-EN-806-4-trocken"_s, u"Drinking-water-plant-DIN-EN-806-4-dry"_s,
          u"Installation eau potable DIN-EN-806-4 sec"_s},
         {u"FRM_DE_DTDIN8064T"_s, u"FRM_EN_DTDIN8064T"_s, u"FRM_FR_DTDIN8064T"_s}},
        // The French title of the liquid-gas row is the English one; the form is the French one.
        {u";13;14;"_s,
         {u"Druck-Dichtheitsprüfung-Flüssiggas-TRF"_s, u"Load-and-Tightness-Test-Liquid-Gas-TRF"_s,
          u"Load-and-Tightness-Test-Liquid-Gas-TRF"_s},
         {u"FRM_DE_DDGAS_TRF"_s, u"FRM_EN_DDGAS_TRF"_s, u"FRM_FR_DDGAS_TRF"_s}},
    }};
    return rows;
}

std::array<TFormularRecord, FormularCount>& Catalogue()
{
    static std::array<TFormularRecord, FormularCount> catalogue;
    return catalogue;
}

int LanguageColumn(const QString& language)
{
    if (language == u"DEU"_s)
        return 0;
    if (language == u"ENG"_s)
        return 1;
    if (language == u"FRA"_s)
        return 2;
    return -1;
}

} // namespace

const TFormularRecord& Formular(int row)
{
    Q_ASSERT(row >= 1 && row <= FormularCount);
    return Catalogue()[size_t(row - 1)];
}

void FillReportCatalogue(const QString& language)
{
    const int column = LanguageColumn(language);
    for (size_t i = 0; i < Rows().size(); ++i) {
        TFormularRecord& record = Catalogue()[i];
        if (column >= 0) {
            record.Title = Rows()[i].title[column];
            record.FormName = Rows()[i].formName[column];
        }
        record.MTNRList = Rows()[i].mtnrList;
    }
}

void ListReportTitles(QComboBox* list)
{
    if (!list)
        return;
    const int position = list->currentIndex();
    list->clear();
    for (const TFormularRecord& record : Catalogue())
        list->addItem(record.Title);
    list->setCurrentIndex(position < list->count() ? position : -1);
}

void BuildReportCatalogue()
{
    FillReportCatalogue(Language);
    if (QWidget* main = Windows::Find(u"MainFrm"_s))
        ListReportTitles(main->findChild<QComboBox*>(u"AvailFrmsComboBox"_s));
}

bool FormularFits(const TFormularRecord& row, int mtnr)
{
    return row.MTNRList.contains(u";"_s + QString::number(mtnr) + u";"_s);
}

QStringList FittingReportTitles(int mtnr)
{
    QStringList titles;
    for (const TFormularRecord& record : Catalogue())
        if (!record.Title.isEmpty() && FormularFits(record, mtnr))
            titles << record.Title;
    return titles;
}

QStringList FormNamesForTitle(const QString& title)
{
    QStringList names;
    if (title.isEmpty())
        return names;
    for (const TFormularRecord& record : Catalogue())
        if (record.Title == title)
            names << record.FormName;
    return names;
}
