#pragma once

#include "WinnerPick.h"
#include "ZvTop.h"

#include <QObject>
#include <QPointer>

class QAbstractButton;
class QLabel;
class QTimer;
class TDrawJournal;
class TImage;
class TMediaPlayer;
class TRxMemoryData;
class TSpinEdit;

// The controls and tables the person-prize draw and its sound cues work on. The main window
// fills it from its form; tests build the controls themselves.
struct TPersonDrawControls
{
    QWidget* Owner = nullptr; // owns the ball animation (the main window)
    TRxMemoryData* Kisi_T = nullptr;
    TRxMemoryData* Hediye_T = nullptr;
    TRxMemoryData* Kzn_T = nullptr;

    // Page "Çekiliş -1"
    TSpinEdit* SpinEdit1 = nullptr;
    QLabel* LabelHEDIYE = nullptr;
    TImage* ImageRES = nullptr;
    QWidget* PanelTOP = nullptr;
    QTimer* Timer1 = nullptr;
    BallPictures ImageTOP; // ImageTOP1..ImageTOP4

    // Page "Ayarlar"
    TSpinEdit* SpinCKSR = nullptr;
    QAbstractButton* CheckEFEKT = nullptr;
    QWidget* GroupEFEKT = nullptr;
    TSpinEdit* SpinHARF = nullptr;
    QWidget* RadioRESIM = nullptr; // "ItemIndex" property, or radio buttons as children in item order
    QAbstractButton* CheckEKBILGI = nullptr;
    QAbstractButton* CheckSES = nullptr;
    QWidget* GroupSES = nullptr;
    QWidget* EditSES = nullptr; // button edits: their "text" property holds the path
    QAbstractButton* CheckSESTEKRAR = nullptr;
    QWidget* EditSES2 = nullptr;
    QAbstractButton* CheckSESTEKRAR2 = nullptr;
    TSpinEdit* SpinSESTEKRAR = nullptr;
    TMediaPlayer* MediaPlayer1 = nullptr;

    TDrawJournal* Journal = nullptr; // each winner's line goes to it as it is recorded; may be none
};

// The person-prize draw and the sound cues around it. Every public handler is an entry from Qt
// and runs guarded. The draw pumps events inside its handlers, so everything that must survive
// a nested handler lives in members, and settings are read at the moment they are used.
class TPersonDraw : public QObject
{
    Q_OBJECT

public:
    explicit TPersonDraw(const TPersonDrawControls& controls, QObject* parent = nullptr);
    ~TPersonDraw() override;

    // Connects Timer1, the check boxes and the media player's completions to the handlers below.
    // A window that forwards its own slots to the handlers does not call it.
    void wire();

    void ZvWinButton6Click();
    void Timer1Timer();
    void ZvWinButton7Click();
    void ZvWinButton9Click();
    void CheckEFEKTClick();
    void CheckSESClick();
    void EditSESBtnClick(QObject* sender);
    void MediaPlayer1Notify();

    bool ShowAll() const { return showAll; }
    TZvTopAnimate* ActiveAnimation() const { return activeAnimation; }
    int EndSoundPlays() const { return endSoundPlays; }

    // Shown when every participant left has a name that already won (repeated names).
    static QString noCandidatesText();

private:
    int pictureMode() const;
    void showPrizePicture(const QString& path);
    void removeAnimation();
    void closePlayer();
    void startDrawSound();
    void stopDrawSound();
    void startEndSound();
    void endWithoutCandidates();
    void tellJournalFailure();
    QString editText(QWidget* edit) const;

    TPersonDrawControls c;
    TWinnerPick winnerPick;
    QPointer<TZvTopAnimate> activeAnimation;
    bool showAll = false;
    qint32 endSoundPlays = 0;
};
