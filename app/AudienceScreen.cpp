#include "AudienceScreen.h"

#include "ApplicationSetUp.h"
#include "Artwork.h"
#include "AudienceWindow.h"
#include "DrawStage.h"
#include "DrawTables.h"
#include "Guard.h"
#include "IniFile.h"
#include "Messages.h"
#include "PictureLoader.h"
#include "RxMemoryData.h"
#include "SaveFile.h"
#include "SpinEdit.h"
#include "ZvWinButton.h"

#include <QActionGroup>
#include <QApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

namespace {
const QString settingsSection = QStringLiteral("TMainF");

QScreen* screenNamed(const QString& name)
{
    const auto screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
    {
        if (screen->name() == name)
            return screen;
    }
    return nullptr;
}
} // namespace

TAudienceScreen::TAudienceScreen(TDrawStage& stage, TZvWinButton* button, const BallPictures& stagePictures,
                                 QWidget* operatorWindow, const TDrawTables* tables, TSpinEdit* prizeBox)
    : QObject(operatorWindow), m_stage(stage), button(button), stagePictures(stagePictures),
      operatorWindow(operatorWindow), tables(tables), prizeBox(prizeBox)
{
    // The spheres at twice their size, so that large balls are scaled from the sharpest picture.
    const char* names[] = {"ball_gold", "ball_yellow", "ball_blue", "ball_red"};
    for (size_t k = 0; k < 4; ++k)
        largePictures[k] = artwork(QLatin1String(names[k]), 2.0);
    if (button)
    {
        caption = button->text();
        face = button->color();
        narrowest = button->minimumWidth();
        button->installEventFilter(this);
        connectGuarded(button, &TZvWinButton::clicked, this, &TAudienceScreen::buttonClicked);
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connectGuarded(button, &QWidget::customContextMenuRequested, this,
                       [this](const QPoint& at) { choiceMenu()->popup(this->button->mapToGlobal(at)); });
    }
    connectGuarded(qGuiApp, &QGuiApplication::screenRemoved, this, &TAudienceScreen::screenRemoved);
    if (tables)
    {
        // The title page follows the prize the prize box chooses, as the box and the definitions
        // window change it.
        const auto follow = [this] {
            if (isOpen() && m_stage.show() == TDrawStage::Show::Title)
                showTitlePage();
        };
        TRxMemoryData* prizes = tables->Hediye_T;
        connectGuarded(prizes, &TRxMemoryData::dataSetChanged, this, follow);
        connectGuarded(prizes, &TRxMemoryData::rowInserted, this, follow);
        connectGuarded(prizes, &TRxMemoryData::rowRemoved, this, follow);
        connectGuarded(prizes, &TRxMemoryData::recordChanged, this, follow);
        if (prizeBox)
            connectGuarded(prizeBox, &TSpinEdit::valueChanged, this, follow);
    }
}

TAudienceScreen::~TAudienceScreen() = default;

void TAudienceScreen::readChoice(const QString& fileName)
{
    settingsFile = fileName;
    const TIniFile ini(fileName);
    if (ini.valueExists(settingsSection, settingsKey()))
        chosen = ini.readString(settingsSection, settingsKey(), QString());
    else
        chosen.reset();
    rememberedOpen = ini.readString(settingsSection, openKey(), QString()) == QLatin1String("1");
    // After the start's loading (the first prize for the title page) and its questions.
    if (rememberedOpen)
        QTimer::singleShot(0, this, [this] { guarded([this] { open(); }); });
}

bool TAudienceScreen::isOpen() const
{
    return m_window && m_window->isVisible();
}

TAudienceWindow* TAudienceScreen::window() const
{
    return m_window.get();
}

QScreen* TAudienceScreen::targetScreen() const
{
    if (chosen)
    {
        if (chosen->isEmpty())
            return nullptr;
        if (QScreen* screen = screenNamed(*chosen))
            return screen;
    }
    const QScreen* own = operatorWindow ? operatorWindow->screen() : QGuiApplication::primaryScreen();
    const auto screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
    {
        if (screen != own)
            return screen;
    }
    return nullptr;
}

void TAudienceScreen::toggle()
{
    if (isOpen())
        shut();
    else
        open();
}

bool TAudienceScreen::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: the filter also sees the events of the button's destruction, when it is no
    // longer a TZvWinButton to reach through its pointer.
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) &&
        qobject_cast<TZvWinButton*>(watched) && watched == button.data())
    {
        pressedAt = static_cast<QMouseEvent*>(event)->timestamp();
        pressSeen = true;
    }
    return QObject::eventFilter(watched, event);
}

void TAudienceScreen::buttonClicked()
{
    // The press times of the window system, so a double click is told apart as the system does.
    if (pressSeen)
    {
        pressSeen = false;
        const auto interval = quint64(std::max(0, QApplication::doubleClickInterval()));
        if (clickAccepted && pressedAt >= *clickAccepted && pressedAt - *clickAccepted < interval)
            return;
        clickAccepted = pressedAt;
    }
    toggle();
}

void TAudienceScreen::open()
{
    if (!m_window)
    {
        showTitlePage();
        m_window = std::make_unique<TAudienceWindow>(m_stage, stagePictures, largePictures, operatorWindow);
    }
    m_window->showOn(targetScreen());
    showState();
    remember(true);
}

void TAudienceScreen::shut()
{
    close();
    remember(false);
}

void TAudienceScreen::close()
{
    // Closed means gone: no timer, no painting, nothing held while the audience sees nothing.
    m_window.reset();
    showState();
}

void TAudienceScreen::remember(bool open)
{
    if (open == rememberedOpen || settingsFile.isEmpty())
        return;
    // Not told when it fails: the settings' own writes name a file that cannot be written, once,
    // and all that is lost is the reopening at the next start. The next open or close tries again.
    if (IniWriteString(settingsFile, settingsSection, openKey(), open ? QStringLiteral("1") : QStringLiteral("0")))
        rememberedOpen = open;
}

void TAudienceScreen::showState()
{
    if (!button)
        return;
    // A pressed look while the audience sees the screen: a darker face and the word "Açık".
    const bool open = isOpen();
    button->setText(open ? caption + QStringLiteral(" (Açık)") : caption);
    button->setColor(open ? face.darker(125) : face);
    // The longer caption widens the button into the room beside it rather than being cut.
    const int needed = QFontMetrics(button->font()).horizontalAdvance(button->text()) + 24;
    button->setMinimumWidth(open ? std::max(narrowest, needed) : narrowest);
}

void TAudienceScreen::showTitlePage()
{
    QString prize;
    QPixmap picture;
    const int prizes = tables ? tables->Hediye_T->recordCount() : 0;
    if (prizes > 0)
    {
        // The prize the next draw gives, as its start chooses it from the box.
        const int wanted = prizeBox ? prizeBox->value() : 1;
        const int row = wanted >= 1 && wanted <= prizes ? wanted - 1 : prizes - 1;
        prize = tables->Hediye_T->textAt(row, tables->Hediye_THEDIYE->index());
        const QString path = tables->Hediye_T->textAt(row, tables->Hediye_TRESIMYOLU->index());
        if (!path.isEmpty() && QFileInfo(path).isFile())
            picture = QPixmap::fromImage(loadPicture(path));
    }
    m_stage.showTitle(programTitle(), prize, picture);
}

void TAudienceScreen::choose(const QString& screenName)
{
    chosen = screenName;
    open();
    if (settingsFile.isEmpty())
        return;
    if (!IniWriteString(settingsFile, settingsSection, settingsKey(), screenName))
        ShowBilgi(SaveFailedText(settingsFile));
}

void TAudienceScreen::screenRemoved(QScreen* screen)
{
    if (m_window && m_window->isOnItsScreen() && m_window->screen() == screen)
        shut();
}

QMenu* TAudienceScreen::choiceMenu()
{
    delete menu.data();
    menu = new QMenu(button ? static_cast<QWidget*>(button.data()) : operatorWindow.data());
    menu->setObjectName(QStringLiteral("SeyirciMenu"));
    auto* group = new QActionGroup(menu);
    const QScreen* current = isOpen() ? m_window->screen() : targetScreen();
    const bool inWindow = isOpen() ? !m_window->isOnItsScreen() : current == nullptr;
    const auto screens = QGuiApplication::screens();
    for (qsizetype i = 0; i < screens.size(); ++i)
    {
        QScreen* screen = screens.at(i);
        const QSize size = screen->size();
        const QString caption = QStringLiteral("%1. Ekran: %2 (%3 × %4)")
                                    .arg(i + 1)
                                    .arg(screen->name())
                                    .arg(size.width())
                                    .arg(size.height());
        QAction* action = menu->addAction(caption);
        action->setCheckable(true);
        action->setChecked(!inWindow && screen == current);
        group->addAction(action);
        const QString name = screen->name();
        connectGuarded(action, &QAction::triggered, this, [this, name] { choose(name); });
    }
    QAction* window = menu->addAction(QStringLiteral("Pencerede (prova)"));
    window->setCheckable(true);
    window->setChecked(inWindow);
    group->addAction(window);
    connectGuarded(window, &QAction::triggered, this, [this] { choose(QString()); });
    menu->addSeparator();
    QAction* closing = menu->addAction(QStringLiteral("Seyirci Ekranını Kapat"));
    closing->setEnabled(isOpen());
    connectGuarded(closing, &QAction::triggered, this, &TAudienceScreen::shut);
    return menu;
}
