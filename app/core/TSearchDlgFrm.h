#pragma once

#include <functional>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

// The continue-or-stop box of the customer search: shows the text just found. The keyboard focus
// starts on "Suche abbrechen", so that Enter stops the search.
class TSearchDlgFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TSearchDlgFrm(QWidget* parent = nullptr);

    QLabel* InfoLabel;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    // Puts the found text into InfoLabel and shows the box modally. True: go on searching
    // ("Weiter suchen"); false: stop ("Suche abbrechen" or the box closed).
    bool AskContinue(const QString& found);

    // For tests: answers AskContinue instead of the modal loop (the box is filled and not shown).
    // An empty function restores the modal box.
    using TResponder = std::function<bool(TSearchDlgFrm& box)>;
    static void SetResponder(TResponder responder);

public slots:
    void FormShow();
    void OKBtnClick();
    void CancelBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
};
