#pragma once

#include <QObject>
#include <QString>

class QLabel;
class QStatusBar;
class QTimer;
class TDrawTables;
class TSpinEdit;

// What the operator reads at a glance during an evening.
struct TEveningCounts
{
    int participants = 0;
    int eligible = 0; // participants whose name has not won yet: those the next pick can choose
    int winners = 0;
    int prizes = 0;
    int nextPrize = 0; // 1-based number of the prize the next draw gives; 0 without prizes
    QString nextPrizeName;
};

// The counts as a draw started now would see them. A participant is eligible as the pick decides:
// no winner bears the same name, byte for byte. They are counted through the participant table's
// name index, one look-up per distinct winner name, so a million participants cost no more than ten.
TEveningCounts countEvening(const TDrawTables& tables, int prizeNumber);
QString eveningText(const TEveningCounts& counts);

// The line of StatusBar1. It follows every change of the participants, prizes and winners and of
// the prize box; the changes of one turn of the event loop (an import's rows, a reveal's record)
// give one count.
class TEveningStatus : public QObject
{
    Q_OBJECT

public:
    TEveningStatus(const TDrawTables& tables, TSpinEdit* prizeNumber, QStatusBar* bar, QObject* parent = nullptr);
    ~TEveningStatus() override;

    const TEveningCounts& counts() const { return m_counts; }
    // Counts now rather than at the next turn of the event loop.
    void refresh();

private:
    void schedule();

    const TDrawTables& m_tables;
    TSpinEdit* m_prizeNumber;
    QLabel* m_line;
    QTimer* m_pending;
    TEveningCounts m_counts;
};
