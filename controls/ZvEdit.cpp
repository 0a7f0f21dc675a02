#include "ZvEdit.h"

#include "Guard.h"
#include "ZvButtonColors.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <optional>

namespace {

std::optional<QImage>& sharedDefaultGlyph()
{
    static std::optional<QImage> glyph;
    return glyph;
}

// A 16 x 16 open folder on a magenta key (the lower-left pixel), drawn rather than stored.
QImage makeDefaultGlyph()
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    QPainter p(&image);
    const QColor outline(0x80, 0x60, 0x00), back(0xE8, 0xC0, 0x50), front(0xFF, 0xE0, 0x80);
    p.fillRect(QRect(1, 3, 5, 2), back);
    p.fillRect(QRect(1, 4, 12, 9), back);
    p.fillRect(QRect(3, 7, 12, 6), front);
    p.setPen(outline);
    p.drawRect(QRect(1, 4, 11, 9));
    p.drawLine(3, 7, 14, 7);
    p.drawLine(14, 7, 12, 13);
    p.end();
    return image;
}

} // namespace

TZvEditButton::TZvEditButton(QWidget* parent) : TZvWinButton(parent)
{
    setObjectName(QStringLiteral("EditButton"));
    setText(QString());
}

TZvEditButton::~TZvEditButton()
{
    sharedDefaultGlyph().reset();
}

QImage TZvEditButton::defaultGlyph()
{
    auto& glyph = sharedDefaultGlyph();
    if (!glyph)
        glyph = makeDefaultGlyph();
    return *glyph;
}

bool TZvEditButton::defaultGlyphLoaded()
{
    return sharedDefaultGlyph().has_value();
}

void TZvEditButton::setGlyphKind(TGlyphKind kind)
{
    m_glyphKind = kind;
    if (kind == gkDefault)
        setGlpyhImage(defaultGlyph());
}

TZvBtnEdit::TZvBtnEdit(QWidget* parent) : QLineEdit(parent)
{
    m_button = new TZvEditButton(this);
    m_button->setColor(TColorToQColor(clBtnFace));
    m_button->show();
    connectGuarded(m_button, &TZvWinButton::clicked, this, &TZvBtnEdit::BtnClick);
    m_button->resize(m_buttonWidht, m_button->height());
    UpdateEditRect();
}

TZvBtnEdit::~TZvBtnEdit()
{
    // Handlers must not hear from a box that is going away.
    disconnect(this, &TZvBtnEdit::OnBtnClick, nullptr, nullptr);
}

QString TZvBtnEdit::about() const
{
    return QStringLiteral("s1.03");
}

QString TZvBtnEdit::GetTanim() const
{
    return QStringLiteral("ZEVORINT TZvBtnEdit\r\nZEVORINT Yazılım\r\n06.08.2004");
}

void TZvBtnEdit::setButtonWidht(int width)
{
    m_button->setVisible(width > 1);
    if (width == m_buttonWidht)
        return;
    m_buttonWidht = width;
    m_button->resize(qMax(0, width), m_button->height());
    UpdateEditRect();
}

void TZvBtnEdit::UpdateEditRect()
{
    // The button stands against the right edge inside the frame, full height. The text keeps
    // clear of the button's width plus 2 pixels, also while a too narrow button is hidden.
    const int frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : 0;
    const int w = m_button->width();
    m_button->setGeometry(width() - frame - w, frame, w, qMax(0, height() - 2 * frame));
    setTextMargins(0, 0, w + 2, 0);
}

void TZvBtnEdit::BtnClick()
{
    Q_EMIT OnBtnClick(this);
}

void TZvBtnEdit::resizeEvent(QResizeEvent* e)
{
    QLineEdit::resizeEvent(e);
    guarded([&] { UpdateEditRect(); });
}

void TZvBtnEdit::changeEvent(QEvent* e)
{
    QLineEdit::changeEvent(e);
    if (e->type() == QEvent::StyleChange)
        guarded([&] { UpdateEditRect(); });
}

void TZvBtnEdit::keyPressEvent(QKeyEvent* e)
{
    guarded([&] {
        // Enter is swallowed: it neither reaches the box nor clicks the embedded button.
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        {
            e->accept();
            return;
        }
        QLineEdit::keyPressEvent(e);
    });
}

void TZvBtnEdit::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    guarded([&] {
        // Focus from a mouse press arrives before the press itself; whether it was the left
        // button is only known when the press is delivered.
        m_focusFromPress = e->reason() == Qt::MouseFocusReason;
        // Coming back from a menu or another window keeps the selection the user left.
        const bool returning = e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason;
        if (m_focusFromPress || returning)
            return;
        if (m_autoSelect)
            selectAll();
        else if (e->reason() == Qt::TabFocusReason || e->reason() == Qt::BacktabFocusReason ||
                 e->reason() == Qt::ShortcutFocusReason)
            deselect(); // undo the line edit's own select-all on these entries
    });
}

void TZvBtnEdit::mousePressEvent(QMouseEvent* e)
{
    const bool selectAfter = m_focusFromPress && m_autoSelect && e->button() != Qt::LeftButton;
    m_focusFromPress = false;
    QLineEdit::mousePressEvent(e);
    if (selectAfter)
        guarded([&] { selectAll(); });
}
