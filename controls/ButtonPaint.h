#pragma once

#include "PicturePosition.h"

#include <QColor>
#include <QPoint>
#include <QSize>

class QFont;
class QImage;
class QPainter;
class QRect;
class QString;
class TImageList;

// The drawing steps of the owner-drawn button, kept apart from its interaction so that each
// pixel position is computed in exactly one place.
namespace ButtonPaint {

struct FaceLayout
{
    QPoint caption; // top-left corner of the caption's text cell
    QPoint picture; // top-left corner of the picture
};

// Where the caption and the picture stand on a button of size `button` for a caption of size
// `text` (tw, th) and a picture of size `picture` (IW, IH), shifted by the pressed offset `a`.
// `withPicture` is whether the button shows a picture at all, `withCaption` whether a caption
// is drawn next to it (not empty and shown). Divisions truncate toward zero, so content
// larger than the button starts at negative coordinates and is clipped, never shrunk.
FaceLayout faceLayout(QSize button, QSize text, QSize picture, PicturePosition::TPicPos align, int a, bool withPicture,
                      bool withCaption);

// Fills the rectangle (left, top, right, bottom), right and bottom exclusive.
void fillRect(QPainter& p, int left, int top, int right, int bottom, const QColor& color);
// A one-pixel outline along the outermost columns and rows of (left, top, right, bottom).
void frameRect(QPainter& p, int left, int top, int right, int bottom, const QColor& color);
// One line of text with an opaque background: its cell (advance x font height) is filled with
// `background` first, so a caption drawn over another of the same text covers it completely.
void drawOpaqueText(QPainter& p, QPoint topLeft, const QString& text, const QFont& font, const QColor& color,
                    const QColor& background);
// The dotted focus rectangle: every other pixel of the outline of `r` inverted, starting with
// the top-left corner. Drawing it twice restores what was there.
void drawFocusRect(QPainter& p, const QRect& r);

// The colour a bitmap treats as transparent: the explicit one when valid, otherwise white for
// a monochrome picture, otherwise its lower-left pixel.
QColor transparentColorOf(const QImage& image, const QColor& explicitColor = QColor());
// The picture with every pixel of the transparent colour replaced by `face`, as an opaque
// image. Pictures that carry an alpha channel are composed over `face` first, so their
// translucent parts blend into the face instead of turning black.
QImage bakeTransparency(const QImage& image, const QColor& face, const QColor& explicitTransparent = QColor());

// An image-list entry drawn embossed, as on a disabled button: its silhouette in `shadow` at
// (x, y) over a copy in `highlight` at (x + 1, y + 1).
void drawImageDisabled(const TImageList& list, QPainter& p, int x, int y, int index, const QColor& highlight,
                       const QColor& shadow);

} // namespace ButtonPaint
