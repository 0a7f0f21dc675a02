#include "AudienceWindow.h"

#include "AudienceStage.h"
#include "Guard.h"
#include "Image.h"
#include "LetterRow.h"
#include "PixelFont.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace {
// The main stage's ball panel is 115 pixels high; the audience's is scaled from it.
constexpr int stageHeight = 115;
// The fifteen bouncing balls take 536 pixels; with a margin they must fit the audience's width.
constexpr qreal bouncingRowWidth = 560;
const QColor titleColour(255, 0, 0);
const QColor numberColour(0, 0, 128);

int part(int whole, qreal share)
{
    return int(std::lround(whole * share));
}

// The largest font up to `pixels` (down to `smallest`) that fits `text` into `width`.
QFont fittedFont(const QString& family, int pixels, int smallest, bool bold, const QString& text, int width)
{
    QFont font = pixelFont(family, pixels, bold);
    while (pixels > smallest && QFontMetrics(font).horizontalAdvance(text) > width)
    {
        pixels = std::max(smallest, pixels * 9 / 10);
        font.setPixelSize(pixels);
    }
    return font;
}
} // namespace

TAudienceWindow::TAudienceWindow(const TAudienceStage& stage, const BallPictures& stagePictures,
                                 const BallPictures& largePictures, QWidget* operatorWindow)
    : QWidget(nullptr), stage(stage), stagePictures(stagePictures), largePictures(largePictures),
      operatorWindow(operatorWindow)
{
    setObjectName(QStringLiteral("SeyirciF"));
    setWindowTitle(QStringLiteral("Seyirci Ekranı"));
    // Closing the main window ends the program whether or not this one is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    QPalette look = palette();
    if (operatorWindow)
        look.setColor(QPalette::Window, operatorWindow->palette().color(QPalette::Window));
    setPalette(look);

    ballTimer.setInterval(20);
    numberTimer.setInterval(20);
    numberTimer.setSingleShot(true);
    connectGuarded(&ballTimer, &QTimer::timeout, this, &TAudienceWindow::followBalls);
    connectGuarded(&numberTimer, &QTimer::timeout, this, [this] { update(); });
    connectGuarded(&stage, &TAudienceStage::changed, this, &TAudienceWindow::stageChanged);
    connectGuarded(&stage, &TAudienceStage::letterAdded, this, &TAudienceWindow::letterAdded);
    connectGuarded(&stage, &TAudienceStage::numberAdded, this, [this] {
        if (!numberTimer.isActive())
            numberTimer.start();
    });
    stageChanged();
}

TAudienceWindow::~TAudienceWindow() = default;

void TAudienceWindow::showOn(QScreen* screen)
{
    m_screen = screen;
    hide();
    setWindowState(Qt::WindowNoState);
    if (screen)
    {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        setCursor(Qt::BlankCursor);
        setScreen(screen);
        setGeometry(screen->geometry());
        // Shown without being activated (showFullScreen() would ask for the focus).
        setWindowState(Qt::WindowFullScreen);
        show();
        return;
    }
    // A rehearsal: a window the operator can move and size, at a projector's 4:3 shape.
    setWindowFlags(Qt::Window | Qt::WindowDoesNotAcceptFocus);
    unsetCursor();
    QScreen* own =
        operatorWindow && operatorWindow->screen() ? operatorWindow->screen() : QGuiApplication::primaryScreen();
    if (own)
    {
        setScreen(own);
        const QRect room = own->availableGeometry();
        const QSize size = QSize(1024, 768).scaled(room.size() * 2 / 3, Qt::KeepAspectRatio);
        setGeometry(QRect(QPoint(), size).translated(room.center() - QRect(QPoint(), size).center()));
    }
    show();
}

TAudienceWindow::Layout TAudienceWindow::layout() const
{
    const int w = width();
    const int h = height();
    const int margin = part(h, 0.02);
    Layout l;
    l.title = QRect(margin, margin, w - 2 * margin, part(h, 0.10));
    const int bandHeight = part(h, 0.42);
    l.band = QRect(0, h - margin - bandHeight, w, bandHeight);
    const int pictureTop = l.title.bottom() + 1 + margin;
    l.picture = QRect(margin, pictureTop, w - 2 * margin, l.band.top() - margin - pictureTop);
    l.scale = qreal(bandHeight) / stageHeight;
    // The winner's letters are the largest text on the screen: a row whose balls had to shrink
    // takes the prize's title down with it.
    l.titlePixels = part(h, 0.075);
    if (m_rowBall > 0)
        l.titlePixels = std::clamp(int(m_rowBall * 0.75 * 0.9), 12, l.titlePixels);
    return l;
}

QList<QRect> TAudienceWindow::letterCells() const
{
    return m_cells;
}

void TAudienceWindow::computeRow()
{
    m_cells.clear();
    m_rowBall = 0;
    if (stage.rowText().isEmpty())
        return;
    const Layout l = layout();
    // The row is laid out as on the main stage, on a stage of the audience's width in the main
    // stage's units, and then scaled: the fitting rules stay those of the main stage.
    const QSize units(int(l.band.width() / l.scale), stageHeight);
    const TLetterRow row = layoutLetterRow(stage.rowText(), stage.nameLength(), units);
    m_rowBall = int(std::lround(row.ballSize * l.scale));
    for (const QRect& cell : row.cells)
    {
        if (cell.isNull())
        {
            m_cells.append(QRect());
            continue;
        }
        // Edges rounded, not sizes: neighbouring balls touch where they touched, never overlap.
        const auto at = [&](int units, int origin) { return origin + int(std::lround(units * l.scale)); };
        m_cells.append(QRect(
            QPoint(at(cell.left(), l.band.x()), at(cell.top(), l.band.y())),
            QPoint(at(cell.left() + cell.width(), l.band.x()) - 1, at(cell.top() + cell.height(), l.band.y()) - 1)));
    }
}

void TAudienceWindow::stageChanged()
{
    computeRow();
    if (stage.animation())
    {
        m_balls = ballRects(&m_ballColours);
        ballTimer.start();
    }
    else
    {
        ballTimer.stop();
        m_balls.clear();
    }
    // At once, as the main stage repaints its panel: a letter wait may block the thread next.
    if (isVisible())
        repaint();
}

void TAudienceWindow::letterAdded(int position)
{
    if (position < 0 || position >= m_cells.size() || m_cells.at(position).isNull() || !isVisible())
        return;
    // Painted before the main stage's letter wait blocks the thread, as the main stage's ball is.
    repaint(m_cells.at(position));
}

QList<QRect> TAudienceWindow::ballRects(QList<int>* colours) const
{
    QList<QRect> rects;
    colours->clear();
    const TZvTopAnimate* animation = stage.animation();
    if (!animation)
        return rects;
    const Layout l = layout();
    const qreal scale = std::min(l.scale, width() / bouncingRowWidth);
    const int side = std::max(1, int(std::lround(32 * scale)));
    for (const auto& ball : animation->Balls)
    {
        const QWidget* panel = ball ? ball->parentWidget() : nullptr;
        if (!panel)
            continue;
        // Across: the same distance from the centre as on the main stage. Down: the same share
        // of the way between the panel's top and bottom.
        const qreal centre = width() / 2.0 + (ball->x() + 16 - panel->width() / 2.0) * scale;
        const qreal travel = std::max(1, panel->height() - 32);
        const int y = l.band.y() + int(std::lround(ball->y() * (l.band.height() - side) / travel));
        rects.append(QRect(int(std::lround(centre - side / 2.0)), y, side, side));
        int colour = 0;
        for (int k = 0; k < 4; ++k)
        {
            if (ball->Image().cacheKey() == stagePictures[size_t(k)].cacheKey())
                colour = k;
        }
        colours->append(colour);
    }
    return rects;
}

void TAudienceWindow::followBalls()
{
    QList<int> colours;
    const QList<QRect> now = ballRects(&colours);
    if (now == m_balls)
        return;
    // One rectangle around the old and new places of every ball: painting inside a region of
    // many small rectangles costs more than filling the few more pixels of their bounding box.
    QRect dirty;
    for (qsizetype i = 0; i < std::max(now.size(), m_balls.size()); ++i)
        dirty |= now.value(i).united(m_balls.value(i));
    m_balls = now;
    m_ballColours = colours;
    if (!stage.animation())
        ballTimer.stop();
    update(dirty);
}

void TAudienceWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    guarded([this] {
        computeRow();
        QList<int> colours;
        m_balls = ballRects(&colours);
        m_ballColours = colours;
    });
}

bool TAudienceWindow::event(QEvent* event)
{
    // Whatever activates this window (a click, a window system that activates every new
    // window), the operator's window takes it back: a message box or dialog opens over the
    // active window, and it must never open in front of the audience.
    if (event->type() == QEvent::WindowActivate && operatorWindow && operatorWindow->isVisible())
        operatorWindow->activateWindow();
    return QWidget::event(event);
}

const QPixmap& TAudienceWindow::ballPicture(int colour, int side, bool opaque)
{
    const qreal ratio = devicePixelRatioF();
    const int pixels = std::max(1, int(std::lround(side * ratio)));
    const quint64 key = (quint64(opaque) << 40) | (quint64(colour) << 32) | quint64(pixels);
    auto found = scaled.find(key);
    if (found != scaled.end())
        return *found;
    QPixmap source = largePictures[size_t(colour)];
    if (source.isNull())
        source = stagePictures[size_t(colour)];
    QPixmap picture = TZvTop::withSeeThrough(source);
    if (!picture.isNull())
    {
        picture = picture.scaled(pixels, pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        picture.setDevicePixelRatio(1); // drawn pixel for pixel below, whatever the artwork's ratio
        // A bouncing ball never meets another one (each has its column), so it can be laid on
        // the background once: fifty times a second it is then copied rather than blended.
        if (opaque)
        {
            QImage laid(picture.size(), QImage::Format_RGB32);
            laid.fill(palette().color(QPalette::Window));
            QPainter(&laid).drawPixmap(0, 0, picture);
            picture = QPixmap::fromImage(laid);
        }
        picture.setDevicePixelRatio(ratio);
    }
    return *scaled.insert(key, picture);
}

void TAudienceWindow::paintBall(QPainter& painter, const QRect& cell, int colour, QChar letter)
{
    const QPixmap& picture = ballPicture(colour, cell.width(), letter == QLatin1Char(' '));
    if (!picture.isNull())
        painter.drawPixmap(cell.topLeft(), picture);
    if (letter.isNull() || letter == QLatin1Char(' '))
        return;
    // The letter as the main stage's ball draws it, scaled with the ball.
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPointSizeF(18.0 * cell.width() / 32);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255));
    const QFontMetrics metrics(font);
    const QString text(letter);
    const int x = cell.x() + (cell.width() - metrics.horizontalAdvance(text)) / 2;
    const int y = cell.y() + (cell.height() - metrics.height()) / 2 + metrics.ascent();
    painter.drawText(x, y, text);
}

void TAudienceWindow::paintEvent(QPaintEvent* event)
{
    guarded([&] {
        QPainter painter(this);
        painter.fillRect(event->rect(), palette().color(QPalette::Window));
        if (stage.show() == TAudienceStage::Show::Numbers)
            paintNumbers(painter);
        else
            paintPersonStage(painter, event->rect());
    });
}

void TAudienceWindow::paintPersonStage(QPainter& painter, const QRect& dirty)
{
    const Layout l = layout();
    if (dirty.intersects(l.title) && !stage.prize().isEmpty())
    {
        const QString family = QStringLiteral("MS Sans Serif");
        const QFont font =
            fittedFont(family, l.titlePixels, std::max(8, l.titlePixels * 2 / 3), true, stage.prize(), l.title.width());
        painter.setFont(font);
        painter.setPen(titleColour);
        const QString text = QFontMetrics(font).elidedText(stage.prize(), Qt::ElideRight, l.title.width());
        painter.drawText(l.title, Qt::AlignCenter, text);
    }
    if (dirty.intersects(l.picture) && !stage.picture().isNull())
    {
        const QSize natural = stage.picture().deviceIndependentSize().toSize();
        const QRect target = TImage::destRect(natural, l.picture.size(), true, true, stage.stretch());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(target.translated(l.picture.topLeft()), stage.picture());
    }
    if (!dirty.intersects(l.band))
        return;
    painter.save();
    painter.setClipRect(l.band);
    for (qsizetype i = 0; i < m_balls.size(); ++i)
    {
        if (m_balls.at(i).intersects(dirty))
            paintBall(painter, m_balls.at(i), m_ballColours.value(i), QChar(QLatin1Char(' ')));
    }
    const QList<QChar>& letters = stage.letters();
    for (qsizetype i = 0; i < m_cells.size() && i < letters.size(); ++i)
    {
        if (!letters.at(i).isNull() && !m_cells.at(i).isNull() && m_cells.at(i).intersects(dirty))
            paintBall(painter, m_cells.at(i), 0, letters.at(i));
    }
    painter.restore();
}

void TAudienceWindow::paintNumbers(QPainter& painter)
{
    const int w = width();
    const int h = height();
    const int margin = part(h, 0.02);
    const QList<qint64>& numbers = stage.numbers();
    const QString family = QStringLiteral("Arial");
    m_shownNumbers = numbers.size();

    const QRect caption(margin, margin, w - 2 * margin, part(h, 0.08));
    painter.setFont(pixelFont(family, part(h, 0.05), true));
    painter.setPen(numberColour);
    painter.drawText(caption, Qt::AlignCenter,
                     QStringLiteral("Çekiliş Sonuçları : ") + QString::number(numbers.size()));
    if (numbers.isEmpty())
        return;

    // The number just drawn, as large as the width allows.
    const QRect big(margin, part(h, 0.10), w - 2 * margin, part(h, 0.42));
    const QString last = QString::number(numbers.last());
    painter.setFont(fittedFont(family, part(h, 0.32), 8, true, last, big.width()));
    painter.drawText(big, Qt::AlignCenter, last);

    // The list so far in reading order; when it no longer fits, its latest lines.
    const QRect list(margin, part(h, 0.55), w - 2 * margin, h - part(h, 0.55) - margin);
    const QFont font = pixelFont(family, part(h, 0.05), false);
    const QFontMetrics metrics(font);
    qint64 widest = 0;
    for (qint64 n : numbers)
        widest = std::max(widest, std::abs(n));
    const int cellWidth =
        metrics.horizontalAdvance(QString::number(widest)) + metrics.horizontalAdvance(QLatin1Char('0')) * 2;
    const int columns = std::max(1, list.width() / std::max(1, cellWidth));
    const int lineHeight = std::max(1, metrics.height());
    const int lines = std::max(1, list.height() / lineHeight);
    const qsizetype shown = qsizetype(columns) * lines;
    qsizetype first = 0;
    if (numbers.size() > shown)
        first = (numbers.size() - shown + columns - 1) / columns * columns;
    const int left = list.x() + (list.width() - columns * cellWidth) / 2;
    painter.setFont(font);
    painter.setPen(palette().color(QPalette::WindowText));
    for (qsizetype i = first; i < numbers.size(); ++i)
    {
        const qsizetype slot = i - first;
        const QRect cell(left + int(slot % columns) * cellWidth, list.y() + int(slot / columns) * lineHeight, cellWidth,
                         lineHeight);
        painter.drawText(cell, Qt::AlignCenter, QString::number(numbers.at(i)));
    }
}
