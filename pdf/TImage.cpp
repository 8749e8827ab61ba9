#include "TImage.h"

#include "TError.h"

#include <QDir>
#include <QImageReader>
#include <QPainter>

TImage::TImage(QWidget* parent) : QWidget(parent) {}

void TImage::SetPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void TImage::LoadFromFile(const QString& path)
{
    QImageReader reader(path);
    QImage picture = reader.read();
    if (picture.isNull())
        throw TError(QStringLiteral("Bild \"%1\" kann nicht gelesen werden. %2")
                         .arg(QDir::toNativeSeparators(path), reader.errorString()));
    SetPicture(picture);
}

void TImage::SetStretch(bool stretch)
{
    m_stretch = stretch;
    update();
}

void TImage::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    if (m_stretch)
        painter.drawImage(rect(), m_picture);
    else
        painter.drawImage(0, 0, m_picture);
}
