#include "DBNavigator.h"

#include "Guard.h"
#include "Messages.h"

#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace {
const char* const buttonNames[TDBNavigator::ButtonCount] = {"nbFirst",  "nbPrior", "nbNext", "nbLast",   "nbInsert",
                                                            "nbDelete", "nbEdit",  "nbPost", "nbCancel", "nbRefresh"};

QStringList defaultHints()
{
    return {QStringLiteral("First record"), QStringLiteral("Prior record"),  QStringLiteral("Next record"),
            QStringLiteral("Last record"),  QStringLiteral("Insert record"), QStringLiteral("Delete record"),
            QStringLiteral("Edit record"),  QStringLiteral("Post edit"),     QStringLiteral("Cancel edit"),
            QStringLiteral("Refresh data")};
}

// Glyphs drawn on a 16 x 16 grid.
QIcon glyph(int button)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2, 2);
    const QColor ink(0, 0, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    auto left = [&](qreal x) { p.drawPolygon(QPolygonF{{x + 5, 3}, {x, 8}, {x + 5, 13}}); };
    auto right = [&](qreal x) { p.drawPolygon(QPolygonF{{x, 3}, {x + 5, 8}, {x, 13}}); };
    switch (button)
    {
    case TDBNavigator::nbFirst:
        p.drawRect(QRectF(4, 3, 2, 10));
        left(6.5);
        break;
    case TDBNavigator::nbPrior:
        left(5.5);
        break;
    case TDBNavigator::nbNext:
        right(5.5);
        break;
    case TDBNavigator::nbLast:
        right(4.5);
        p.drawRect(QRectF(10, 3, 2, 10));
        break;
    case TDBNavigator::nbInsert:
        p.drawRect(QRectF(3, 7, 10, 2));
        p.drawRect(QRectF(7, 3, 2, 10));
        break;
    case TDBNavigator::nbDelete:
        p.drawRect(QRectF(3, 7, 10, 2));
        break;
    case TDBNavigator::nbEdit:
        p.drawPolygon(QPolygonF{{3, 11}, {8, 5}, {13, 11}});
        break;
    case TDBNavigator::nbPost:
        p.setPen(QPen(ink, 2));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF{{3, 8}, {6.5, 12}, {13, 4}});
        break;
    case TDBNavigator::nbCancel:
        p.setPen(QPen(QColor(150, 0, 0), 2));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case TDBNavigator::nbRefresh: {
        p.setPen(QPen(ink, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3.5, 3.5, 9, 9), 60 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawPolygon(QPolygonF{{9, 1.5}, {13, 3.5}, {9.5, 6.5}});
        break;
    }
    default:
        break;
    }
    p.end();
    return QIcon(pm);
}
} // namespace

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent), m_hints(defaultHints())
{
    for (int i = 0; i < ButtonCount; ++i)
    {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(buttonNames[i]));
        b->setIcon(glyph(i));
        b->setIconSize(QSize(16, 16));
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRaise(false);
        b->setToolTip(m_hints.at(i));
        const auto which = TNavigateBtn(i);
        connectGuarded(b, &QToolButton::clicked, this, [this, which] { BtnClick(which); });
        m_buttons[i] = b;
    }
    updateButtons();
    layoutButtons();
}

void TDBNavigator::setDataSource(TDataSource* source)
{
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_source = source;
    if (source)
    {
        auto refresh = [this] { updateButtons(); };
        m_connections << connectGuarded(source, &TDataSource::dataSetChanged, this, refresh);
        m_connections << connectGuarded(source, &TDataSource::rowInserted, this, refresh);
        m_connections << connectGuarded(source, &TDataSource::rowRemoved, this, refresh);
        m_connections << connectGuarded(source, &TDataSource::recordChanged, this, refresh);
        m_connections << connectGuarded(source, &TDataSource::cursorMoved, this, refresh);
        m_connections << connectGuarded(source, &TDataSource::stateChanged, this, refresh);
        m_connections << connectGuarded(source, &QObject::destroyed, this, refresh);
    }
    updateButtons();
}

void TDBNavigator::setHints(const QStringList& hints)
{
    m_hints = defaultHints();
    for (int i = 0; i < qMin<qsizetype>(hints.size(), ButtonCount); ++i)
        m_hints[i] = hints.at(i);
    for (int i = 0; i < ButtonCount; ++i)
        m_buttons[i]->setToolTip(m_hints.at(i));
}

void TDBNavigator::setVisibleButtons(int buttons)
{
    m_visible = buttons & AllButtons;
    for (int i = 0; i < ButtonCount; ++i)
        m_buttons[i]->setVisible(m_visible & (1 << i));
    layoutButtons();
    updateGeometry();
}

void TDBNavigator::BtnClick(TNavigateBtn button)
{
    TRxMemoryData* table = m_source ? m_source->dataSet() : nullptr;
    if (!table || !table->isOpen())
        return;
    switch (button)
    {
    case nbFirst:
        table->first();
        break;
    case nbPrior:
        table->prior();
        break;
    case nbNext:
        table->next();
        break;
    case nbLast:
        table->last();
        break;
    case nbInsert:
        table->insert();
        break;
    case nbDelete:
        if (table->recordCount() == 0)
            break;
        if (!m_confirmDelete || AskSoru(QStringLiteral("Delete record?")) == mrYes)
            table->deleteRecord();
        break;
    case nbEdit:
        table->edit();
        break;
    case nbPost:
        table->post();
        break;
    case nbCancel:
        table->cancel();
        break;
    case nbRefresh:
    case ButtonCount:
        break;
    }
    updateButtons();
}

void TDBNavigator::updateButtons()
{
    const TRxMemoryData* table = m_source ? m_source->dataSet() : nullptr;
    const bool active = table && table->isOpen();
    const int row = active ? table->currentIndex() : -1;
    const int rows = active ? table->rowCount() : 0;
    const bool editing = active && (table->state() == dsEdit || table->state() == dsInsert);
    const bool up = active && row > 0;
    const bool down = active && row >= 0 && row < rows - 1;
    m_buttons[nbFirst]->setEnabled(up);
    m_buttons[nbPrior]->setEnabled(up);
    m_buttons[nbNext]->setEnabled(down);
    m_buttons[nbLast]->setEnabled(down);
    m_buttons[nbInsert]->setEnabled(active);
    m_buttons[nbDelete]->setEnabled(active && table->recordCount() > 0);
    m_buttons[nbEdit]->setEnabled(active && !editing);
    m_buttons[nbPost]->setEnabled(editing);
    m_buttons[nbCancel]->setEnabled(editing);
    m_buttons[nbRefresh]->setEnabled(active);
}

void TDBNavigator::layoutButtons()
{
    QList<QToolButton*> shown;
    for (int i = 0; i < ButtonCount; ++i)
        if (m_visible & (1 << i))
            shown << m_buttons[i];
    if (shown.isEmpty())
        return;
    // The buttons share the width evenly; the remainder goes to the first ones.
    const int n = int(shown.size());
    const int each = width() / n;
    int extra = width() - each * n;
    int x = 0;
    for (QToolButton* b : std::as_const(shown))
    {
        const int w = each + (extra > 0 ? 1 : 0);
        if (extra > 0)
            --extra;
        b->setGeometry(x, 0, w, height());
        x += w;
    }
}

void TDBNavigator::resizeEvent(QResizeEvent*)
{
    layoutButtons();
}

QSize TDBNavigator::sizeHint() const
{
    int n = 0;
    for (int i = 0; i < ButtonCount; ++i)
        n += (m_visible >> i) & 1;
    return QSize(qMax(1, n) * 25, 25);
}
