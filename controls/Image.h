#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

// A picture box. Where the picture lands is decided by destRect() alone: Stretch scales it to
// the box, Proportional keeps its aspect ratio (and also shrinks a picture larger than the box
// when Stretch is off), Center centres the result. Transparent treats the colour of the
// picture's bottom-left pixel as see-through.
class TImage : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool Center READ Center WRITE setCenter)
    Q_PROPERTY(bool Proportional READ Proportional WRITE setProportional)
    Q_PROPERTY(bool Stretch READ Stretch WRITE setStretch)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
    Q_PROPERTY(QPixmap picture READ pixmap WRITE setPicture)

public:
    explicit TImage(QWidget* parent = nullptr);

    void setPicture(const QImage& image);
    void setPicture(const QPixmap& pixmap);
    void clear();
    bool isEmpty() const { return m_picture.isNull(); }
    QPixmap pixmap() const { return m_picture; }

    bool Center() const { return m_center; }
    void setCenter(bool on);
    bool Proportional() const { return m_proportional; }
    void setProportional(bool on);
    bool Stretch() const { return m_stretch; }
    void setStretch(bool on);
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool on);
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool on);

    // Where a picture of the given size is drawn inside a box of the given size.
    static QRect destRect(QSize picture, QSize box, bool center, bool proportional, bool stretch);
    QRect destRect() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void pictureChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void pictureUpdated();

    QPixmap m_picture;
    QPixmap m_drawn; // m_picture with the see-through colour masked out when Transparent
    bool m_center = false;
    bool m_proportional = false;
    bool m_stretch = false;
    bool m_transparent = false;
    bool m_autoSize = false;
};
