#include "ZvWinButton.h"

#include "ButtonPaint.h"
#include "Guard.h"
#include "PixelFont.h"
#include "ZvButtonColors.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>

using namespace ButtonPaint;

TZvWinButton::TZvWinButton(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 30);
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPointSize(10);
    setFont(f);
    m_grayedFont = f;
    m_grayedFontColor = TColorToQColor(clGrayText);
    // Focus by click is given by the button itself (left presses only), never by Qt.
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    m_focusConnection =
        connectGuarded(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusChanged(now); });
}

void TZvWinButton::applyFormSettings(int fontPixelHeight)
{
    const QFont f = pixelFont(QStringLiteral("Arial"), fontPixelHeight, true);
    setFont(f);
    setGrayedFont(f);
    setGrayedFontColor(TColorToQColor(clGrayText));
    setFontColor(Qt::black);
    setRaiseCol(Qt::white);
    setGlphyAlign(poLeft);
    setShowHint(true);
    setShowCaption(true);
    setCursor(Qt::PointingHandCursor);
    // The small button inside a file box keeps its own face (its box is white) and lights up in
    // yellow, as on its own.
    if (inherits("TZvEditButton"))
    {
        setOverCol(Qt::yellow);
        return;
    }
    setOverCol(Qt::blue);
    setParentColor(true);
}

void TZvWinButton::applyFormSettingsTo(QWidget* window, int fontPixelHeight)
{
    const auto buttons = window->findChildren<TZvWinButton*>();
    for (TZvWinButton* b : buttons)
    {
        const int chosen = b->font().pixelSize();
        b->applyFormSettings(chosen > 0 ? chosen : fontPixelHeight);
    }
}

TZvWinButton::~TZvWinButton()
{
    // QWidget's destructor may still move the focus; this part of the button is gone by then.
    disconnect(m_focusConnection);
}

QColor TZvWinButton::color() const
{
    if (m_parentColor && parentWidget())
    {
        const QVariant parentFace = parentWidget()->property("Color");
        if (parentFace.canConvert<QColor>() && parentFace.value<QColor>().isValid())
            return parentFace.value<QColor>();
        return parentWidget()->palette().color(parentWidget()->backgroundRole());
    }
    return m_color;
}

void TZvWinButton::setColor(const QColor& color)
{
    m_color = color;
    m_parentColor = false;
    update();
}

void TZvWinButton::setRaiseCol(const QColor& color)
{
    m_raiseCol = color;
    update();
}

void TZvWinButton::setOverCol(const QColor& color)
{
    m_overCol = color;
}

void TZvWinButton::setGlpyh(const QPixmap& picture)
{
    setGlpyhImage(picture.toImage());
}

void TZvWinButton::setGlpyhImage(const QImage& picture)
{
    m_glpyh = picture;
    update();
}

void TZvWinButton::setGlpyhTransparentColor(const QColor& color)
{
    m_glpyhTransparent = color;
    update();
}

void TZvWinButton::setGlphyAlign(TPicPos align)
{
    if (align == m_glphyAlign)
        return;
    m_glphyAlign = align;
    update();
}

void TZvWinButton::setImages(TImageList* images)
{
    if (m_images)
        disconnect(m_images, nullptr, this, nullptr);
    m_images = images;
    if (images)
    {
        connectGuarded(images, &TImageList::changed, this, &TZvWinButton::ImagesChanged);
        // The guarded pointer forgets the list by itself; the face must follow.
        connectGuarded(images, &QObject::destroyed, this, [this] { update(); });
    }
    update();
}

void TZvWinButton::setImageIndex(int index)
{
    if (index == m_imageIndex)
        return;
    m_imageIndex = index;
    update();
}

void TZvWinButton::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void TZvWinButton::setFontColor(const QColor& color)
{
    m_fontColor = color;
    update();
}

void TZvWinButton::setGrayedFont(const QFont& font)
{
    if (&font == &this->font())
        return;
    m_grayedFont = font;
    update();
}

void TZvWinButton::setGrayedFontColor(const QColor& color)
{
    m_grayedFontColor = color;
    update();
}

void TZvWinButton::setTabStop(bool tabStop)
{
    m_tabStop = tabStop;
    setFocusPolicy(tabStop ? Qt::TabFocus : Qt::NoFocus);
}

void TZvWinButton::setParentColor(bool parentColor)
{
    m_parentColor = parentColor;
    update();
}

QString TZvWinButton::about() const
{
    return QStringLiteral("s1.05");
}

void TZvWinButton::setShowCaption(bool show)
{
    if (show == m_showCaption)
        return;
    m_showCaption = show;
    update();
}

QString TZvWinButton::GetTanim() const
{
    return QStringLiteral("ZEVORINT TZvWinButton\r\nZEVORINT Yazılım\r\n02.04.2004");
}

QSize TZvWinButton::sizeHint() const
{
    return QSize(100, 30);
}

bool TZvWinButton::canFocus() const
{
    return isVisible() && isEnabled() && window()->isVisible();
}

// ---- interaction ----------------------------------------------------------------------------

void TZvWinButton::press(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos)
{
    QPointer<TZvWinButton> alive(this);
    if (button == Qt::LeftButton && m_tabStop && canFocus())
        setFocus(Qt::MouseFocusReason); // the focus notice arrives before the press below
    if (button == Qt::LeftButton && isEnabled())
    {
        m_mouseHeld = true;
        m_down = true;
        Q_EMIT OnMouseDown(this, button, modifiers, pos.x(), pos.y());
        if (!alive)
            return;
        update();
        if (m_dropDownMenu)
        {
            ShowDropDownMenu();
            if (!alive)
                return;
            endPress(); // the menu took the release: no click follows
        }
    }
    if (button == Qt::RightButton && isEnabled() && m_popupMenu)
        ShowPopupMenuAt(pos.x(), pos.y());
}

void TZvWinButton::endPress()
{
    m_mouseHeld = false;
    m_down = false;
    if (canFocus())
        update();
}

void TZvWinButton::mousePressEvent(QMouseEvent* e)
{
    guarded([&] {
        m_buttonsPressedHere |= e->button();
        m_pointerInside = rect().contains(e->position().toPoint());
        press(e->button(), e->modifiers(), e->position().toPoint());
    });
}

void TZvWinButton::mouseDoubleClickEvent(QMouseEvent* e)
{
    guarded([&] {
        // Qt delivers the second press of a double click as a press followed by this event;
        // the press has already been handled then. Otherwise this is the press.
        if (m_buttonsPressedHere & e->button())
            return;
        m_buttonsPressedHere |= e->button();
        press(e->button(), e->modifiers(), e->position().toPoint());
    });
}

void TZvWinButton::mouseReleaseEvent(QMouseEvent* e)
{
    guarded([&] {
        QPointer<TZvWinButton> alive(this);
        m_buttonsPressedHere &= ~e->button();
        const bool wasDown = m_down;
        endPress();
        Q_EMIT OnMouseUp(this, e->button(), e->modifiers(), int(e->position().x()), int(e->position().y()));
        if (alive && wasDown)
            Click();
    });
}

void TZvWinButton::mouseMoveEvent(QMouseEvent* e)
{
    guarded([&] {
        const QPoint pos = e->position().toPoint();
        QPointer<TZvWinButton> alive(this);
        Q_EMIT OnMouseMove(this, e->modifiers(), pos.x(), pos.y());
        if (!alive || e->buttons() == Qt::NoButton)
            return;
        // While a mouse button is held Qt keeps the events here and sends no enter/leave;
        // the button still follows the pointer in and out of its face.
        const bool inside = rect().contains(pos);
        if (inside && !m_pointerInside)
            pointerEntered();
        else if (!inside && m_pointerInside)
            pointerLeft();
    });
}

void TZvWinButton::enterEvent(QEnterEvent*)
{
    guarded([&] {
        if (!m_pointerInside)
            pointerEntered();
    });
}

void TZvWinButton::leaveEvent(QEvent*)
{
    guarded([&] {
        if (m_pointerInside)
            pointerLeft();
    });
}

void TZvWinButton::pointerEntered()
{
    m_pointerInside = true;
    if (!canFocus())
        return;
    // A pressed face (Space held) already shows OverCol; the resting-position caption drawn
    // over it would stand 2 pixels off the pressed one.
    if (m_showCaption && !m_down)
    {
        m_hoverCaptionOnce = true;
        repaint();
        m_hoverCaptionOnce = false;
    }
    if (m_mouseHeld && !m_menuOpen)
        press(Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
}

void TZvWinButton::pointerLeft()
{
    m_pointerInside = false;
    if (!canFocus())
        return;
    m_down = false;
    update();
}

void TZvWinButton::keyPressEvent(QKeyEvent* e)
{
    guarded([&] {
        QPointer<TZvWinButton> alive(this);
        const int key = e->key();
        if (key == Qt::Key_Space)
        {
            if (!m_down)
            {
                m_down = true;
                update();
                if (m_dropDownMenu)
                {
                    ShowDropDownMenu();
                    if (alive && m_down)
                    {
                        m_down = false;
                        update();
                    }
                }
            }
            e->accept();
            return;
        }
        if (m_down)
        {
            m_down = false; // any other key cancels a press made with Space
            update();
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
        {
            e->accept();
            if (m_dropDownMenu)
                ShowDropDownMenu();
            else
                Click();
            return;
        }
        e->ignore(); // shortcuts and the window's Esc still work
    });
}

void TZvWinButton::keyReleaseEvent(QKeyEvent* e)
{
    guarded([&] {
        if (e->isAutoRepeat())
            return;
        if (e->key() == Qt::Key_Space && m_down && !m_dropDownMenu)
        {
            Click();
        }
        else if (m_down)
        {
            m_down = false;
            update();
        }
        e->ignore();
    });
}

void TZvWinButton::focusChanged(QWidget* now)
{
    // Any control of this window gaining the focus settles every button of the window.
    if (!now || now->window() != window() || window() == this)
        return;
    const bool focused = now == this;
    if (focused != m_focusSeen)
    {
        m_focusSeen = focused;
        m_down = false;
        m_mouseHeld = false;
        repaint(); // at once, so the focus rectangle never lingers
    }
    else if (m_down || m_mouseHeld)
    {
        m_down = false;
        m_mouseHeld = false;
        update();
    }
}

void TZvWinButton::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    switch (e->type())
    {
    case QEvent::EnabledChange:
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
        update();
        break;
    default:
        break;
    }
}

bool TZvWinButton::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip && !m_showHint)
    {
        e->ignore();
        return true;
    }
    return QWidget::event(e);
}

void TZvWinButton::Click()
{
    QPointer<TZvWinButton> alive(this);
    if (canFocus())
    {
        m_mouseHeld = false;
        m_down = false;
        update();
    }
    QPointer<QWidget> form = window() != this ? window() : nullptr;
    if (form)
    {
        // Copied on every click, also when it is 0: a handler may rely on the reset.
        form->setProperty("ModalResult", m_modalResult);
        if (auto* dialog = qobject_cast<QDialog*>(form.data()))
            dialog->setResult(m_modalResult);
    }
    static const QMetaMethod clickedSignal = QMetaMethod::fromSignal(&TZvWinButton::clicked);
    if (m_action && !isSignalConnected(clickedSignal))
        m_action->trigger();
    else
        Q_EMIT clicked();
    Q_UNUSED(alive);
    // A modal window closes once its result is non-zero, after the click has been handled.
    if (auto* dialog = qobject_cast<QDialog*>(form.data()))
    {
        if (dialog->isVisible() && dialog->isModal() && dialog->result() != 0)
            dialog->done(dialog->result());
    }
}

void TZvWinButton::showMenuAt(QMenu* menu, QPoint clientPoint)
{
    // Events keep flowing while the menu is open; one of them (the pointer coming back while
    // the mouse button is still held) must not open a second, nested menu.
    if (!menu || m_menuOpen)
        return;
    if (QWidget* grabber = QWidget::mouseGrabber(); grabber && grabber->window() == window())
        grabber->releaseMouse();
    const QPoint at = mapToGlobal(clientPoint);
    menu->setProperty("PopupComponent", QVariant::fromValue<QObject*>(this));
    QPointer<TZvWinButton> alive(this);
    m_menuOpen = true;
    menu->exec(at);
    if (alive)
        m_menuOpen = false;
}

void TZvWinButton::ShowDropDownMenu()
{
    showMenuAt(m_dropDownMenu, QPoint(1, height() + 1));
}

void TZvWinButton::ShowPopupMenuAt(int x, int y)
{
    showMenuAt(m_popupMenu, QPoint(x, y));
}

void TZvWinButton::ImagesChanged()
{
    update();
}

// ---- painting -------------------------------------------------------------------------------

QSize TZvWinButton::captionSize() const
{
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(m_text), fm.height());
}

bool TZvWinButton::showsPicture() const
{
    return !m_glpyh.isNull() || (m_images && m_imageIndex != -1);
}

void TZvWinButton::prepareWorkImage()
{
    m_workImage = bakeTransparency(m_workImage, color(), m_glpyh.isNull() ? QColor() : m_glpyhTransparent);
}

void TZvWinButton::drawFace(QPainter& p, int a, const QColor& captionColor)
{
    const QColor face = color();
    if (!m_glpyh.isNull())
    {
        m_workImage = m_glpyh;
        prepareWorkImage();
    }
    else if (m_images)
    {
        QImage entry;
        m_workImage = m_images->getBitmap(m_imageIndex, entry) ? entry : QImage();
        if (!m_workImage.isNull())
            prepareWorkImage();
    }
    const bool withPicture = showsPicture();
    const bool withCaption = !m_text.isEmpty() && m_showCaption;
    const QColor textColor = isEnabled() ? captionColor : m_grayedFontColor;
    const FaceLayout l = faceLayout(size(), captionSize(), m_workImage.deviceIndependentSize().toSize(), m_glphyAlign,
                                    a, withPicture, withCaption);

    const auto drawPicture = [&] {
        if (!m_glpyh.isNull())
            p.drawImage(l.picture, m_workImage);
        else if (m_images && isEnabled())
            m_images->draw(p, l.picture.x(), l.picture.y(), m_imageIndex);
        else if (m_images)
            drawImageDisabled(*m_images, p, l.picture.x(), l.picture.y(), m_imageIndex, TColorToQColor(clBtnHighlight),
                              TColorToQColor(clBtnShadow));
    };
    if (withPicture && withCaption)
    {
        drawOpaqueText(p, l.caption, m_text, font(), textColor, face);
        drawPicture();
    }
    else if (withPicture)
    {
        drawPicture();
    }
    else if (m_showCaption)
    {
        drawOpaqueText(p, l.caption, m_text, font(), textColor, face);
    }
}

void TZvWinButton::drawHoverCaption(QPainter& p)
{
    const bool withCaption = !m_text.isEmpty() && m_showCaption;
    const FaceLayout l = faceLayout(size(), captionSize(), m_workImage.deviceIndependentSize().toSize(), m_glphyAlign,
                                    0, showsPicture(), withCaption);
    drawOpaqueText(p, l.caption, m_text, font(), m_overCol, color());
}

void TZvWinButton::paintTo(QPainter& p, bool hoverCaption)
{
    const int W = width(), H = height();
    const QColor face = color();
    const QColor black(0, 0, 0);
    if (!m_down)
    {
        fillRect(p, 1, 1, W - 1, H - 1, face);
        frameRect(p, 0, 0, W, H, black);
        frameRect(p, 0, 0, W - 1, H - 1, black);
        drawFace(p, 0, m_fontColor);
        // The highlight goes on last, so content reaching into the edge is covered by it.
        fillRect(p, 0, 0, 2, H - 1, m_raiseCol);
        fillRect(p, 0, 0, W - 1, 2, m_raiseCol);
    }
    else
    {
        fillRect(p, 1, 1, W - 1, H - 1, face);
        drawFace(p, 2, m_overCol);
        frameRect(p, 0, 0, W, H, black);
    }
    if (hasFocus() && m_tabStop)
    {
        frameRect(p, 0, 0, W, H, black);
        drawFocusRect(p, QRect(3, 3, W - 6, H - 6));
        if (!m_down && m_showCaption)
            drawHoverCaption(p);
    }
    if (hoverCaption && m_showCaption)
        drawHoverCaption(p);
}

void TZvWinButton::paintEvent(QPaintEvent*)
{
    guarded([&] {
        QPainter p(this);
        paintTo(p, m_hoverCaptionOnce);
    });
}
