#include "AudienceWindow.h"

#include "DrawStage.h"
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
#include <utility>

namespace {
// The main stage's ball panel is 115 pixels high; the audience's is scaled from it.
constexpr int stageHeight = 115;
// The fifteen bouncing balls take 536 pixels; with a margin they must fit the audience's width.
constexpr qreal bouncingRowWidth = 560;
const QColor titleColour(255, 0, 0);
const QColor numberColour(0, 0, 128);
const QColor letterColour(16, 10, 0);

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

TAudienceWindow::TAudienceWindow(const TDrawStage& stage, const BallPictures& stagePictures,
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

    numberTimer.setInterval(20);
    numberTimer.setSingleShot(true);
    connectGuarded(&stage, &TDrawStage::ballMoved, this, &TAudienceWindow::followBall);
    connectGuarded(&numberTimer, &QTimer::timeout, this, [this] { update(); });
    connectGuarded(&stage, &TDrawStage::changed, this, &TAudienceWindow::stageChanged);
    connectGuarded(&stage, &TDrawStage::letterAdded, this, &TAudienceWindow::letterAdded);
    connectGuarded(&stage, &TDrawStage::numbersAdded, this, [this] {
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
    l.titlePixels = part(h, 0.075);
    // Once the reveal starts the name takes the screen: the title and the picture share the band
    // across the top, and the title is never larger than a letter.
    if (!stage.rowText().isEmpty())
    {
        l.title = m_headline.title;
        l.picture = m_headline.picture;
        l.band = m_headline.block;
        l.titlePixels = m_headline.titlePixels;
    }
    return l;
}

QList<QRect> TAudienceWindow::letterCells() const
{
    return m_cells;
}

void TAudienceWindow::computeRow()
{
    m_cells.clear();
    m_headline = THeadline();
    if (stage.rowText().isEmpty())
        return;
    m_headline = layoutHeadline(stage.rowText(), stage.nameLength(), size(), !stage.picture().isNull());
    m_cells = QList<QRect>(m_headline.cells.cbegin(), m_headline.cells.cend());
}

void TAudienceWindow::stageChanged()
{
    computeRow();
    m_balls = ballRects();
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

QRect TAudienceWindow::ballRect(const TWaitBall& ball, const Layout& l) const
{
    const TWaitBalls& wait = stage.wait();
    const qreal scale = std::min(l.scale, width() / bouncingRowWidth);
    const int side = std::max(1, int(std::lround(32 * scale)));
    const qreal travel = std::max(1, wait.panel.height() - 32);
    // Across: the same distance from the centre as on the main stage. Down: the same share of the
    // way between the panel's top and bottom.
    const qreal centre = width() / 2.0 + (ball.left + ball.side / 2.0 - wait.panel.width() / 2.0) * scale;
    const int y = l.band.y() + int(std::lround(ball.top * (l.band.height() - side) / travel));
    return QRect(int(std::lround(centre - side / 2.0)), y, side, side);
}

QList<QRect> TAudienceWindow::ballRects() const
{
    QList<QRect> rects;
    const Layout l = layout();
    for (const TWaitBall& ball : stage.wait().balls)
        rects.append(ballRect(ball, l));
    return rects;
}

void TAudienceWindow::followBall(int index)
{
    const QList<TWaitBall>& wait = stage.wait().balls;
    if (index < 0 || index >= wait.size() || index >= m_balls.size())
        return;
    const QRect now = ballRect(wait.at(index), layout());
    const QRect before = m_balls.at(index);
    if (now == before)
        return;
    m_balls[index] = now;
    // The paint that follows draws only what the steps changed (a ball moved, the strip it left),
    // unless something else asks for more of the window in the same frame. One rectangle around
    // the steps, not fifteen: a paint clipped to a many-sided region costs more than the pixels.
    // Steps not painted for a while (a window the system does not paint) give way to one paint
    // of the whole band.
    if (m_steps.size() > 4 * m_balls.size())
    {
        m_steps.clear();
        m_stepsArea = QRect();
        update(layout().band);
        return;
    }
    m_steps.append({before, now});
    m_stepsArea |= before.united(now);
    update(m_stepsArea);
}

void TAudienceWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    guarded([this] {
        computeRow();
        m_balls = ballRects();
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
    if (!letter.isNull() && letter != QLatin1Char(' '))
        paintLetter(painter, cell, letter);
}

void TAudienceWindow::paintLetter(QPainter& painter, const QRect& cell, QChar letter)
{
    // Sized by the tallest Turkish capitals, from the breve of Ğ to the cedilla of Ş, so every
    // letter, accent and all, sits inside the sphere (its centre is half a unit above the ball's).
    static const QString tallest = QStringLiteral("ĞİŞÇÖÜ");
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(100);
    const QRectF reach = QFontMetricsF(font).tightBoundingRect(tallest);
    const qreal pixels = 0.56 * cell.height() * 100 / std::max<qreal>(1, reach.height());
    font.setPixelSize(std::max(1, int(pixels)));
    const qreal ratio = font.pixelSize() / 100.0;
    const QFontMetricsF metrics(font);
    const QString text(letter);
    const QRectF own = metrics.tightBoundingRect(text);
    const QPointF centre(cell.x() + cell.width() / 2.0, cell.y() + cell.height() * 15.5 / 32);
    const qreal x = centre.x() - (own.left() + own.right()) / 2;
    const qreal baseline = centre.y() - (reach.top() + reach.bottom()) * ratio / 2;
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    // Near black: at least 4.5:1 against the sphere wherever a letter lies, highlight included.
    painter.setPen(letterColour);
    painter.drawText(QPointF(x, baseline), text);
    painter.restore();
}

void TAudienceWindow::paintEvent(QPaintEvent* event)
{
    guarded([&] {
        QPainter painter(this);
        const bool onlySteps = !m_stepsArea.isEmpty() && event->region().subtracted(m_stepsArea).isEmpty() &&
                               stage.show() == TDrawStage::Show::Person;
        const QList<std::pair<QRect, QRect>> steps = std::exchange(m_steps, {});
        m_stepsArea = QRect();
        if (onlySteps)
        {
            paintSteps(painter, steps);
            return;
        }
        for (const QRect& part : event->region())
            painter.fillRect(part, palette().color(QPalette::Window));
        switch (stage.show())
        {
        case TDrawStage::Show::Title:
            paintTitlePage(painter);
            break;
        case TDrawStage::Show::Numbers:
            paintNumbers(painter);
            break;
        case TDrawStage::Show::Person:
            paintPersonStage(painter, event->region());
            break;
        }
    });
}

void TAudienceWindow::paintSteps(QPainter& painter, const QList<std::pair<QRect, QRect>>& steps)
{
    // The window keeps what it painted before: each moved ball is laid anew and the strip it left
    // is cleared, a fraction of the pixels of the balls' bounding box on a large screen.
    const QRect band = layout().band;
    painter.setClipRect(band);
    const QList<TWaitBall>& wait = stage.wait().balls;
    for (const auto& [before, after] : steps)
    {
        for (const QRect& left : QRegion(before).subtracted(after))
            painter.fillRect(left, palette().color(QPalette::Window));
        const qsizetype i = m_balls.indexOf(after);
        if (i >= 0 && i < wait.size() && after.intersects(band))
            paintBall(painter, after, wait.at(i).colour, QChar(QLatin1Char(' ')));
    }
}

void TAudienceWindow::paintTitlePage(QPainter& painter)
{
    const int w = width();
    const int h = height();
    const int margin = part(h, 0.04);
    const QRect title(margin, margin, w - 2 * margin, part(h, 0.16));
    painter.setFont(fittedFont(QStringLiteral("Arial"), part(h, 0.09), 12, true, stage.title(), title.width()));
    painter.setPen(numberColour);
    painter.drawText(title, Qt::AlignCenter, stage.title());
    if (stage.prize().isEmpty())
        return;
    const QRect prize(margin, title.bottom() + 1, w - 2 * margin, part(h, 0.12));
    painter.setFont(
        fittedFont(QStringLiteral("MS Sans Serif"), part(h, 0.065), 12, true, stage.prize(), prize.width()));
    painter.setPen(titleColour);
    painter.drawText(prize, Qt::AlignCenter,
                     QFontMetrics(painter.font()).elidedText(stage.prize(), Qt::ElideRight, prize.width()));
    const QRect room(margin, prize.bottom() + 1 + margin, w - 2 * margin, h - prize.bottom() - 1 - 2 * margin);
    if (stage.picture().isNull() || room.height() < 1)
        return;
    const QSize natural = stage.picture().deviceIndependentSize().toSize();
    const QRect target = TImage::destRect(natural, room.size(), true, true, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target.translated(room.topLeft()), stage.picture());
}

void TAudienceWindow::paintPersonStage(QPainter& painter, const QRegion& dirty)
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
        // Beside the headline the picture only fits into its corner, whatever the stage's fitting.
        const bool aside = !stage.rowText().isEmpty();
        const QRect target = TImage::destRect(natural, l.picture.size(), true, true, aside || stage.stretch());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(target.translated(l.picture.topLeft()), stage.picture());
    }
    if (!dirty.intersects(l.band))
        return;
    painter.save();
    painter.setClipRect(l.band);
    const QList<TWaitBall>& wait = stage.wait().balls;
    for (qsizetype i = 0; i < m_balls.size() && i < wait.size(); ++i)
    {
        if (dirty.intersects(m_balls.at(i)))
            paintBall(painter, m_balls.at(i), wait.at(i).colour, QChar(QLatin1Char(' ')));
    }
    const QList<QChar>& letters = stage.letters();
    for (qsizetype i = 0; i < m_cells.size() && i < letters.size(); ++i)
    {
        if (!letters.at(i).isNull() && !m_cells.at(i).isNull() && dirty.intersects(m_cells.at(i)))
            paintBall(painter, m_cells.at(i), 0, letters.at(i));
    }
    painter.restore();
}

void TAudienceWindow::paintNumbers(QPainter& painter)
{
    const QList<qint64>& numbers = stage.numbers();
    const QString family = QStringLiteral("Arial");
    qint64 widest = 0;
    for (qint64 n : numbers)
        widest = std::max(widest, std::abs(n));
    const QFontMetricsF unit(pixelFont(family, 100, false));
    m_grid = layoutNumberGrid(numbers.size(), int(QString::number(widest).size()), size(),
                              unit.horizontalAdvance(QLatin1Char('0')) / 100, unit.height() / 100);
    m_shownNumbers = m_grid.cells.size();

    QString caption = QStringLiteral("Çekiliş Sonuçları : ") + QString::number(numbers.size());
    if (m_grid.first > 0)
        caption += QStringLiteral("  (son %1 sayı)").arg(m_grid.cells.size());
    painter.setPen(numberColour);
    painter.setFont(fittedFont(family, part(height(), 0.05), 8, true, caption, m_grid.caption.width()));
    painter.drawText(m_grid.caption, Qt::AlignCenter, caption);
    if (numbers.isEmpty())
        return;

    // The number just drawn, as large as the width allows.
    const QString last = QString::number(numbers.last());
    painter.setFont(fittedFont(family, m_grid.current.height() * 9 / 10, 8, true, last, m_grid.current.width()));
    painter.drawText(m_grid.current, Qt::AlignCenter, last);

    const QFont font = pixelFont(family, m_grid.pixels, false);
    QFont lastFont = font;
    lastFont.setBold(true);
    const QColor text = palette().color(QPalette::WindowText);
    for (qsizetype i = 0; i < m_grid.cells.size(); ++i)
    {
        const qsizetype n = m_grid.first + i;
        const bool current = n == numbers.size() - 1;
        painter.setFont(current ? lastFont : font);
        painter.setPen(current ? numberColour : text);
        painter.drawText(m_grid.cells.at(i), Qt::AlignCenter, QString::number(numbers.at(n)));
    }
}
