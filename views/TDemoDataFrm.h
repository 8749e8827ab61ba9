#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStringList>
#include <QTableWidget>

// Service window that writes measurement files with invented tests onto the memory card, deletes
// the card's files and opens the data folder or the card folder in the file browser. The
// customers come from lines pasted into the text area, one customer a line, fields split by ";".
class TDemoDataFrm : public QDialog
{
    Q_OBJECT
public:
    explicit TDemoDataFrm(QWidget* parent = nullptr);

    QLabel* Label2;
    QLineEdit* Edit5;
    QLabel* Label3;
    QLineEdit* Edit1;
    QLabel* Label4;
    QLineEdit* Edit2;
    QLabel* Label5;
    QLineEdit* Edit3;
    QLabel* Label6;
    QLineEdit* Edit4;
    QPlainTextEdit* Memo1;
    QTableWidget* StringGrid1;
    QLabel* Label1;
    QPushButton* Button2;
    QPushButton* Button1;
    QPushButton* Button4;
    QPushButton* Button5;
    QStatusBar* StatusBar1;

    // The text area's lines as the list of lines it shows (a final line end adds no line).
    QStringList MemoLines() const;
    // Cell (column, row) of the customer table; empty outside it.
    QString Cell(int column, int row) const;
    // The running start moment, in days since 30.12.1899.
    double StartMoment() const { return m_start; }

public slots:
    void FormShow();
    void Button2Click();
    void Button1Click();
    void Button4Click();
    void Button5Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildCustomerTable();
    void WriteTestBlock(class QIODevice& file, int type, int rows);

    QList<QStringList> m_cells; // row by row, every field of each line
    double m_start = 0;
};
