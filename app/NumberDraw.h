#pragma once

#include "NumberPool.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QLabel;
class QListWidget;
class QWidget;
class TDrawJournal;
class TRxDice;
class TRxMemoryData;
class TSpinEdit;

// The controls of the page "Çekiliş -2" the number draw works with, and the table of excluded
// ranges. The main window fills it from its form; tests build the controls on their own.
struct TNumberDrawControls
{
    QWidget* Window = nullptr; // disabled as a whole while the draw runs
    TSpinEdit* SpinBSL = nullptr;
    TSpinEdit* SpinBTS = nullptr;
    TSpinEdit* SpinADET = nullptr;
    QObject* ZvWinButton3 = nullptr; // the count is shown only when this button asks for it
    TRxDice* RxDice1 = nullptr;
    QLabel* Label2 = nullptr;
    QListWidget* ListBox1 = nullptr;
    TRxMemoryData* Rx_T = nullptr; // fields BASLANGIC, BITIS
    TDrawJournal* Journal = nullptr; // receives each finished draw's list; may be none
};

// The number draw: counts the eligible numbers, draws distinct numbers from [start, end] that
// lie in no excluded range, and saves them. The button handlers run inside guarded(), so they
// can be called straight from a slot.
class TNumberDraw : public QObject
{
    Q_OBJECT

public:
    explicit TNumberDraw(const TNumberDrawControls& controls, QObject* parent = nullptr);

    // The count of eligible numbers as the operator sees it (see NumberPool::shownCount).
    qint64 KalanSayi() const { return m_kalanSayi; }
    // True from the start of a draw's busy phase to its end (window disabled meanwhile).
    bool isDrawing() const { return m_drawing; }

    // The wait after each excluded range the draw examines without a match.
    static constexpr int PauseMs = 20;
    // Numbers taken reach the list within about this long of being drawn (see pump).
    static constexpr int ListRefreshMs = 30;
    // Rejected picks in a row after which the next pick is made among the numbers still to be
    // had. Ordinary draws almost never reach it: with half the range eligible, one pick in 2^32.
    static constexpr int MaxRejectedPicks = 32;

    static QString exhaustedMessage(int requested, int drawn);

public Q_SLOTS:
    void ZvWinButton3Click(QObject* sender);
    void ZvWinButton1Click();
    void ZvWinButton4Click();
    void ZvWinButton2Click();

private:
    QList<ExcludedRange> count(bool show);
    void draw();
    void save();
    QByteArray listBytes() const;
    void pump();
    void flushTaken();

    TNumberDrawControls c;
    // The pumps of the draw can run anything; a control destroyed meanwhile must not be touched.
    QPointer<QWidget> m_window;
    QPointer<QListWidget> m_list;
    QPointer<QLabel> m_label;
    QPointer<TRxDice> m_dice;
    qint64 m_kalanSayi = 0;
    bool m_drawing = false;
    QStringList m_pending;   // taken, not yet in the list
    quint32 m_flushTick = 0; // Clock tick count of the last hand-over
};
