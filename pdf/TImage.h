#pragma once

#include <QImage>
#include <QWidget>

// A picture on a report page (the logos). On screen the picture is drawn at its own size from the
// top-left corner, or stretched over the whole control; the PDF always takes the bitmap at its own
// pixel size.
class TImage : public QWidget
{
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);

    const QImage& Picture() const { return m_picture; }
    void SetPicture(const QImage& picture);
    // Reads a picture file; throws TError naming the file when it cannot be read.
    void LoadFromFile(const QString& path);
    void Clear() { SetPicture(QImage()); }

    bool Stretch() const { return m_stretch; }
    void SetStretch(bool stretch);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    bool m_stretch = false;
};
