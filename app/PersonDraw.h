#pragma once

#include "WinnerPick.h"
#include "ZvTop.h"

#include <QObject>
#include <QPointer>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QRect;
class QTimer;
class TDrawJournal;
class TDrawStage;
class TEveningLog;
class TImage;
class TMediaPlayer;
class TRadioGroup;
class TRxMemoryData;
class TSpinEdit;
class TZvBtnEdit;
class TZvWinButton;

// The controls and tables the person-prize draw and its sound cues work on, as the main
// window's form holds them (see DrawControls.h).
struct TPersonDrawControls
{
    QWidget* Owner = nullptr; // owns the ball animation (the main window)
    TRxMemoryData* Kisi_T = nullptr;
    TRxMemoryData* Hediye_T = nullptr;
    TRxMemoryData* Kzn_T = nullptr;

    // Page "Çekiliş -1"
    TZvWinButton* ZvWinButton6 = nullptr; // start
    TZvWinButton* ZvWinButton7 = nullptr; // show all
    TZvWinButton* ZvWinButton9 = nullptr; // save the winners
    TSpinEdit* SpinEdit1 = nullptr;
    QLabel* LabelHEDIYE = nullptr;
    TImage* ImageRES = nullptr;
    QFrame* PanelTOP = nullptr;
    QTimer* Timer1 = nullptr;
    BallPictures ImageTOP; // ImageTOP1..ImageTOP4

    // Page "Ayarlar"
    TSpinEdit* SpinCKSR = nullptr;
    QCheckBox* CheckEFEKT = nullptr;
    QGroupBox* GroupEFEKT = nullptr;
    TSpinEdit* SpinHARF = nullptr;
    TRadioGroup* RadioRESIM = nullptr;
    QCheckBox* CheckEKBILGI = nullptr;
    QCheckBox* CheckSES = nullptr;
    QGroupBox* GroupSES = nullptr;
    TZvBtnEdit* EditSES = nullptr;
    QCheckBox* CheckSESTEKRAR = nullptr;
    TZvBtnEdit* EditSES2 = nullptr;
    QCheckBox* CheckSESTEKRAR2 = nullptr;
    TSpinEdit* SpinSESTEKRAR = nullptr;
    TMediaPlayer* MediaPlayer1 = nullptr;

    TDrawJournal* Journal = nullptr; // each winner's line goes to it as it is recorded; may be none
    TEveningLog* Log = nullptr;      // the times, list and events the evening's record needs; may be none
    TDrawStage* Stage = nullptr;     // what every view of the stage paints, written as it is shown; may be none
};

// The person-prize draw and the sound cues around it. It connects its controls itself, each
// connection guarded; the public handlers are the same entries for a caller outside a signal
// (the window's Page Down key, tests) and run guarded too. The draw pumps events inside its
// handlers, so everything that must survive a nested handler lives in members, and settings
// are read at the moment they are used. The two groups on "Ayarlar" follow their check boxes.
class TPersonDraw : public QObject
{
    Q_OBJECT

public:
    explicit TPersonDraw(const TPersonDrawControls& controls, QObject* parent = nullptr);
    ~TPersonDraw() override;

    void ZvWinButton6Click();
    void Timer1Timer();
    void ZvWinButton7Click();
    void ZvWinButton9Click();
    void EditSESBtnClick(TZvBtnEdit* sender);
    void MediaPlayer1Notify();

    bool ShowAll() const { return showAll; }
    TZvTopAnimate* ActiveAnimation() const { return activeAnimation; }
    int EndSoundPlays() const { return endSoundPlays; }

    // Shown when the pick finds nobody who can win: the winners changed while the draw waited.
    static QString noCandidatesText();
    // Where participants and prizes are entered: on the empty stage and with the refusals.
    static QString definitionsHint();

    // The program ends in the middle of a draw: a wait ends at once, a reveal at its next letter.
    // A winner cut off is neither recorded nor counted as shown, so the journal keeps it as the
    // crash of a reveal leaves it.
    void cutShort();

Q_SIGNALS:
    // "Kaydet" wrote the first `count` winners to `file`.
    void winnersSaved(int count, const QString& file);

private:
    void start();
    void reveal();
    void showLetter(const QRect& cell, char letter);
    void showAllNow();
    void saveWinners();
    void followChecks();
    void pickSound(TZvBtnEdit* edit);
    void soundCompleted();
    void showPrizePicture(const QString& path);
    void removeAnimation();
    void closePlayer();
    void startDrawSound();
    void stopDrawSound();
    void startEndSound();
    void endWithoutCandidates();
    void tellJournalFailure();

    TPersonDrawControls c;
    TWinnerPick winnerPick;
    QPointer<TZvTopAnimate> activeAnimation;
    bool showAll = false;
    bool m_cutShort = false;
    qint32 endSoundPlays = 0;
};
