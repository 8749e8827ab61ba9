#pragma once

#include <QWidget>

// The shapes a bevel takes on a report page: a box, a frame, a single rule along one edge, or
// empty space.
enum class TBevelShape
{
    bsBox,
    bsFrame,
    bsTopLine,
    bsBottomLine,
    bsLeftLine,
    bsRightLine,
    bsSpacer
};

// A box or rule on a report page. On screen it draws its shape in a thin dark line; the PDF
// rendering draws the box, the top rule and the left rule.
class TBevel : public QWidget
{
    Q_OBJECT
public:
    explicit TBevel(QWidget* parent = nullptr, TBevelShape shape = TBevelShape::bsBox);

    TBevelShape Shape() const { return m_shape; }
    void SetShape(TBevelShape shape);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TBevelShape m_shape;
};
