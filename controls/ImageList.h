#pragma once

#include <QImage>
#include <QObject>
#include <QVector>

class QPainter;

// A list of pictures of one size, each with its mask. Owners of references (buttons) follow
// changes through changed() and learn of the list's destruction through QObject::destroyed.
class TImageList : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Width READ width WRITE setWidth)
    Q_PROPERTY(int Height READ height WRITE setHeight)
    Q_PROPERTY(int Count READ count)

public:
    explicit TImageList(QObject* parent = nullptr);
    TImageList(int width, int height, QObject* parent = nullptr);

    int width() const { return m_width; }
    int height() const { return m_height; }
    // Changing the size empties the list: its pictures no longer fit.
    void setWidth(int width);
    void setHeight(int height);
    int count() const { return int(m_entries.size()); }

    // Adds a picture; a picture exactly N list widths wide and one list height high is cut into
    // N entries, any other size is scaled to the list size. The mask marks transparent pixels
    // in white (set bits), opaque ones in black; without a mask the picture's alpha decides.
    // Returns the index of the first entry added, or -1 for an empty picture.
    int add(const QImage& image, const QImage& mask = QImage());
    // Adds a picture whose pixels of the given colour are transparent.
    int addMasked(const QImage& image, const QColor& maskColor);
    bool replace(int index, const QImage& image, const QImage& mask = QImage());
    bool remove(int index);
    void clear();

    // The entry with transparent pixels at alpha 0; a null image for an index not held.
    QImage image(int index) const;
    // The entry's mask as a monochrome image: opaque pixels black (0), transparent white (1).
    QImage mask(int index) const;
    // The entry drawn over a white bitmap of the list size; false (and `out` untouched) for an
    // index not held.
    bool getBitmap(int index, QImage& out) const;
    // Draws the entry with its mask at (x, y); nothing for an index not held.
    void draw(QPainter& painter, int x, int y, int index) const;

Q_SIGNALS:
    void changed();

private:
    QImage fit(const QImage& image) const;
    static QImage applyMask(const QImage& image, const QImage& mask);

    int m_width = 16;
    int m_height = 16;
    QVector<QImage> m_entries; // ARGB32, alpha 0 or 255
};
