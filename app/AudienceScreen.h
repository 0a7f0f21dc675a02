#pragma once

#include "ZvTop.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

class QMenu;
class QScreen;
class TAudienceStage;
class TAudienceWindow;
class TNumberDraw;
class TPersonDraw;
class TZvWinButton;

// Opens and closes the audience window and remembers its screen. The button toggles it, and
// its context menu (right click, or the menu key while it has the focus) chooses the screen:
// each screen by name, or a window for a rehearsal. Without a choice the window opens full
// screen on the first screen that is not the operator's, or as a window when there is none.
// The choice is kept in "Ayar.Ini" under its own key, SeyirciF_Screen (the screen's name;
// empty for a window), written when it is made. A chosen screen that goes away closes the
// window, so it never covers the operator's screen by surprise.
class TAudienceScreen : public QObject
{
    Q_OBJECT

public:
    TAudienceScreen(TPersonDraw* personDraw, TNumberDraw* numberDraw, TZvWinButton* button,
                    const BallPictures& stagePictures, QWidget* operatorWindow);
    ~TAudienceScreen() override;

    static QString settingsKey() { return QStringLiteral("SeyirciF_Screen"); }

    // The key's value as "Ayar.Ini" holds it, if it holds one, and the file it goes back to.
    void readChoice(const QString& settingsFile);

    bool isOpen() const;
    TAudienceWindow* window() const;
    const TAudienceStage& stage() const { return *m_stage; }
    // The screen the window opens on now: the chosen one if it is there, else the default; none
    // for a window.
    QScreen* targetScreen() const;

    void toggle();
    void close();
    // Opens the window on the screen of that name, or as a window for an empty name, and
    // remembers the choice.
    void choose(const QString& screenName);
    // The menu of the choices, as the button's context menu shows it.
    QMenu* choiceMenu();

private:
    void open();
    void screenRemoved(QScreen* screen);

    std::unique_ptr<TAudienceStage> m_stage;
    QPointer<TZvWinButton> button;
    BallPictures stagePictures;
    BallPictures largePictures;
    QPointer<QWidget> operatorWindow;
    std::unique_ptr<TAudienceWindow> m_window;
    QPointer<QMenu> menu;
    std::optional<QString> chosen; // a screen's name; empty for a window
    QString settingsFile;
};
