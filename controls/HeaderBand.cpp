#include "HeaderBand.h"

#include "Artwork.h"
#include "Image.h"
#include "PixelFont.h"

#include <QLabel>
#include <QPalette>

void setUpHeaderBand(TImage* background, TImage* logo, QLabel* title, const char* logoName)
{
    const qreal ratio = background->devicePixelRatioF();
    background->setPicture(artwork(QStringLiteral("header_bg"), ratio));
    logo->setPicture(artwork(QLatin1String(logoName), ratio));
    title->setTextFormat(Qt::PlainText);
    title->setFont(pixelFont(QStringLiteral("Arial"), 19, true));
    QPalette white = title->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    title->setPalette(white);
    title->setAttribute(Qt::WA_TranslucentBackground);
}
