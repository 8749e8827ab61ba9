#include "TLangSettingsFrm.h"

#include "ErrorGuard.h"
#include "uFormulare.h"
#include "uGlobal.h"
#include "uLanguage.h"
#include "WindowRegistry.h"

#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TLangSettingsFrm::TLangSettingsFrm(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"LangSettingsFrm"_s);
    setWindowTitle(u"Sprachauswahl"_s);
    setModal(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(u"Bitte Sprache auswählen"_s, this);
    Label1->setObjectName(u"Label1"_s);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(u"ComboBox1"_s);
    ComboBox1->setEditable(false);
    layout->addWidget(Label1);
    layout->addWidget(ComboBox1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setFixedSize(260, 90);
    // Only a choice of the user counts; filling and preselecting the list change nothing.
    connect(ComboBox1, &QComboBox::activated, this, &TLangSettingsFrm::ComboBox1Change);
    Windows::Register(this);
}

void TLangSettingsFrm::ComboBox1Change()
{
    Guarded(this, [&] {
        if (ComboBox1->currentIndex() < 0)
            return;
        Language = ComboBox1->currentText();
        ApplyLanguage(Language);
    });
}

void InitLanguageList()
{
    SetReportCatalogueBuilder(&BuildReportCatalogue);
    if (auto* dialog = Windows::Get<TLangSettingsFrm>(u"LangSettingsFrm"_s)) {
        QComboBox* list = dialog->ComboBox1;
        const QSignalBlocker quiet(list);
        list->clear();
        list->addItems(OfferedLanguages());
        list->setCurrentIndex(0);
        for (const QString& code : {u"ENG"_s, GetUserLanguageAbbreviation(), Language})
            if (const int at = list->findText(code); at >= 0)
                list->setCurrentIndex(at);
    }
    ApplyLanguage(Language);
}
