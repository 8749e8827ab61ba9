#pragma once

#include <QWidget>

// Marks where a long report page continues on a second PDF page: everything from the marker's
// bottom edge down moves to the top of the next page. Never visible on screen.
class TPageBreak : public QWidget
{
    Q_OBJECT
public:
    explicit TPageBreak(QWidget* parent = nullptr) : QWidget(parent) { setVisible(false); }
};
