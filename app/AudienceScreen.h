#pragma once

#include "ZvTop.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

class QMenu;
class QScreen;
class TAudienceWindow;
class TDrawStage;
class TDrawTables;
class TSpinEdit;
class TZvWinButton;

// Opens and closes the audience window and remembers its screen. The button toggles it, and
// its context menu (right click, or the menu key while it has the focus) chooses the screen:
// each screen by name, or a window for a rehearsal. Without a choice the window opens full
// screen on the first screen that is not the operator's, or as a window when there is none.
// The choice is kept in "Ayar.Ini" under its own key, SeyirciF_Screen (the screen's name;
// empty for a window), written when it is made. A chosen screen that goes away closes the
// window, so it never covers the operator's screen by surprise.
// Whether the window is open is kept under SeyirciF_Open, written as the operator opens or closes
// it and not when the program ends, so the window reopens at the next start after a close, a
// crash or a kill alike. The button shows whether it is open, and a second click within the
// double-click interval (an operator's habit) is ignored rather than closing it again.
class TAudienceScreen : public QObject
{
    Q_OBJECT

public:
    // The window paints `stage`, which the main window owns. The prize of `tables` that prizeBox
    // chooses (the first without a box) is on the title page shown before the first draw.
    TAudienceScreen(TDrawStage& stage, TZvWinButton* button, const BallPictures& stagePictures, QWidget* operatorWindow,
                    const TDrawTables* tables = nullptr, TSpinEdit* prizeBox = nullptr);
    ~TAudienceScreen() override;

    static QString settingsKey() { return QStringLiteral("SeyirciF_Screen"); }
    static QString openKey() { return QStringLiteral("SeyirciF_Open"); }

    // The keys' values as "Ayar.Ini" holds them, and the file they go back to. A window that was
    // open when the program last ended opens again once the start has finished.
    void readChoice(const QString& settingsFile);

    bool isOpen() const;
    TAudienceWindow* window() const;
    const TDrawStage& stage() const { return m_stage; }
    // The screen the window opens on now: the chosen one if it is there, else the default; none
    // for a window.
    QScreen* targetScreen() const;

    // The operator's toggle (F12, the menu): opens or closes, and remembers it.
    void toggle();
    // Closes the window without changing what is remembered, as the end of the program does.
    void close();
    // Opens the window on the screen of that name, or as a window for an empty name, and
    // remembers the choice.
    void choose(const QString& screenName);
    // The menu of the choices, as the button's context menu shows it.
    QMenu* choiceMenu();

private:
    void open();
    void shut();
    void buttonClicked();
    void remember(bool open);
    void showState();
    void showTitlePage();
    void screenRemoved(QScreen* screen);
    bool eventFilter(QObject* watched, QEvent* event) override;

    TDrawStage& m_stage;
    QPointer<TZvWinButton> button;
    BallPictures stagePictures;
    BallPictures largePictures;
    QPointer<QWidget> operatorWindow;
    std::unique_ptr<TAudienceWindow> m_window;
    QPointer<QMenu> menu;
    std::optional<QString> chosen; // a screen's name; empty for a window
    QString settingsFile;
    const TDrawTables* tables = nullptr;
    QPointer<TSpinEdit> prizeBox;
    bool rememberedOpen = false;
    QString caption;       // the button's own caption, while the window is closed
    QColor face;           // and its face
    int narrowest = 0;     // and its minimum width
    quint64 pressedAt = 0; // the time stamp of the button's last mouse press
    bool pressSeen = false;
    std::optional<quint64> clickAccepted; // the press of the last click that toggled
};
