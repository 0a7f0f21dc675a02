#include "AudienceScreen.h"

#include "Artwork.h"
#include "AudienceStage.h"
#include "AudienceWindow.h"
#include "Guard.h"
#include "IniFile.h"
#include "Messages.h"
#include "SaveFile.h"
#include "ZvWinButton.h"

#include <QActionGroup>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

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

TAudienceScreen::TAudienceScreen(TPersonDraw* personDraw, TNumberDraw* numberDraw, TZvWinButton* button,
                                 const BallPictures& stagePictures, QWidget* operatorWindow)
    : QObject(operatorWindow), m_stage(std::make_unique<TAudienceStage>(personDraw, numberDraw)), button(button),
      stagePictures(stagePictures), operatorWindow(operatorWindow)
{
    // The spheres at twice their size, so that large balls are scaled from the sharpest picture.
    const char* names[] = {"ball_gold", "ball_yellow", "ball_blue", "ball_red"};
    for (size_t k = 0; k < 4; ++k)
        largePictures[k] = artwork(QLatin1String(names[k]), 2.0);
    if (button)
    {
        connectGuarded(button, &TZvWinButton::clicked, this, &TAudienceScreen::toggle);
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connectGuarded(button, &QWidget::customContextMenuRequested, this,
                       [this](const QPoint& at) { choiceMenu()->popup(this->button->mapToGlobal(at)); });
    }
    connectGuarded(qGuiApp, &QGuiApplication::screenRemoved, this, &TAudienceScreen::screenRemoved);
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
        close();
    else
        open();
}

void TAudienceScreen::open()
{
    if (!m_window)
        m_window = std::make_unique<TAudienceWindow>(*m_stage, stagePictures, largePictures, operatorWindow);
    m_window->showOn(targetScreen());
}

void TAudienceScreen::close()
{
    // Closed means gone: no timer, no painting, nothing held while the audience sees nothing.
    m_window.reset();
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
        close();
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
    QAction* shut = menu->addAction(QStringLiteral("Seyirci Ekranını Kapat"));
    shut->setEnabled(isOpen());
    connectGuarded(shut, &QAction::triggered, this, &TAudienceScreen::close);
    return menu;
}
