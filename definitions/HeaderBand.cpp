#include "HeaderBand.h"

#include "Image.h"
#include "PixelFont.h"

#include <QLabel>
#include <QPalette>

void setUpHeaderBand(TImage* background, TImage* logo, QLabel* title)
{
    const QString art = QStringLiteral(":/cekilis/");
    background->setPicture(QPixmap(art + QStringLiteral("header_bg.png")));
    logo->setPicture(QPixmap(art + QStringLiteral("icon.png")));
    title->setTextFormat(Qt::PlainText);
    title->setFont(pixelFont(QStringLiteral("Arial"), 19, true));
    QPalette white = title->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    title->setPalette(white);
    title->setAttribute(Qt::WA_TranslucentBackground);
}
