#pragma once

#include "NumberPool.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QLabel;
class QListWidget;
class QWidget;
class TDrawJournal;
class TDrawStage;
class TEveningLog;
class TRxDice;
class TRxMemoryData;
class TSpinEdit;
class TZvWinButton;

// The controls of the page "Çekiliş -2" the number draw works with, as the main window's form
// holds them (see DrawControls.h), and the table of excluded ranges.
struct TNumberDrawControls
{
    QWidget* Window = nullptr; // disabled as a whole while the draw runs
    TSpinEdit* SpinBSL = nullptr;
    TSpinEdit* SpinBTS = nullptr;
    TSpinEdit* SpinADET = nullptr;
    TZvWinButton* ZvWinButton1 = nullptr; // draw
    TZvWinButton* ZvWinButton2 = nullptr; // empty the excluded ranges
    TZvWinButton* ZvWinButton3 = nullptr; // count; the count is shown only when this button asks
    TZvWinButton* ZvWinButton4 = nullptr; // save
    TRxDice* RxDice1 = nullptr;
    QLabel* Label2 = nullptr;
    QListWidget* ListBox1 = nullptr;
    TRxMemoryData* Rx_T = nullptr;   // fields BASLANGIC, BITIS
    TDrawJournal* Journal = nullptr; // receives each finished draw's list; may be none
    TEveningLog* Log = nullptr;      // each draw's bounds and ranges, for the evening's record; may be none
    TDrawStage* Stage = nullptr;     // what every view of the stage paints; may be none
};

// The number draw: counts the eligible numbers, draws distinct numbers from [start, end] that
// lie in no excluded range, keeps them (the list box only shows them) and saves them. It
// connects its buttons itself, each connection guarded; the public handlers are the same
// entries for other callers and run guarded too.
class TNumberDraw : public QObject
{
    Q_OBJECT

public:
    explicit TNumberDraw(const TNumberDrawControls& controls, QObject* parent = nullptr);

    // The count of eligible numbers as the operator sees it (see NumberPool::shownCount).
    qint64 KalanSayi() const { return m_kalanSayi; }
    // True from the start of a draw's busy phase to its end (window disabled meanwhile).
    bool isDrawing() const { return m_drawing; }
    // The numbers of the last draw in the order drawn; a draw that starts clears them.
    const QList<qint64>& drawn() const { return m_drawn; }

    // The wait after each excluded range the draw examines without a match.
    static constexpr int PauseMs = 20;
    // Numbers taken reach the list within about this long of being drawn (see pump).
    static constexpr int ListRefreshMs = 30;
    // Rejected picks in a row after which the next pick is made among the numbers still to be
    // had. Ordinary draws almost never reach it: with half the range eligible, one pick in 2^32.
    static constexpr int MaxRejectedPicks = 32;

    static QString exhaustedMessage(int requested, int drawn);

    // Puts an earlier run's draw back on the page: its bounds and count in the boxes and the
    // numbers the hall saw in the list, in order. A draw that was cut short is completed by the
    // next "Zar At" into the same list, never drawing a number of the list again.
    void resume(const QList<qint64>& numbers, qint64 first, qint64 last, int requested, bool finished);

    void ZvWinButton3Click(QObject* sender);
    void ZvWinButton1Click();
    void ZvWinButton4Click();
    void ZvWinButton2Click();

Q_SIGNALS:
    // The list was emptied; the draw ended.
    void numbersStarted();
    void numbersEnded();
    // "Kaydet" wrote the last draw's `count` numbers to `file`.
    void numbersSaved(int count, const QString& file);

private:
    QList<ExcludedRange> count(bool show);
    void draw();
    void save();
    QByteArray listBytes() const;
    void pump();
    void flushTaken(bool toJournal = true); // false: numbers the journal holds already

    TNumberDrawControls c;
    // The pumps of the draw can run anything; a control destroyed meanwhile must not be touched.
    QPointer<QWidget> m_window;
    QPointer<QListWidget> m_list;
    QPointer<QLabel> m_label;
    QPointer<TRxDice> m_dice;
    qint64 m_kalanSayi = 0;
    bool m_drawing = false;
    QList<qint64> m_drawn;
    qsizetype m_listed = 0;   // how many of m_drawn the list shows
    bool m_continues = false; // the next draw completes the resumed one
    quint32 m_flushTick = 0;  // Clock tick count of the last hand-over
};
