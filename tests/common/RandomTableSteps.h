#pragma once

#include "EAbort.h"
#include "Guard.h"
#include "RxMemoryData.h"

#include <QRandomGenerator>
#include <QStringList>

// Random operations on a table of names, as views meet them: appends, inserts, edits, posts,
// cancels, deletes, moves, emptying, and suspending and resuming the views. The rules set by
// refuseAndRemove() refuse a row named "refused" and delete one named "removed" right after it
// is stored, so rows also vanish inside a post.
class RandomTableSteps
{
public:
    RandomTableSteps(TRxMemoryData& table, quint32 seed) : m_table(table), m_rng(seed) {}

    void refuseAndRemove()
    {
        m_table.BeforePost = [](TRxMemoryData& t) {
            if (t.fieldAsString(0) == QLatin1String("refused"))
                Abort();
        };
        m_table.AfterPost = [](TRxMemoryData& t) {
            if (t.fieldAsString(0) == QLatin1String("removed"))
                t.deleteRecord();
        };
    }

    // One operation, guarded as an entry from Qt would be; a refusal ends it there.
    void step()
    {
        TRxMemoryData& t = m_table;
        guarded([&] {
            switch (m_rng.bounded(12))
            {
            case 0:
                t.append();
                break;
            case 1:
                t.insert();
                break;
            case 2:
                t.edit();
                break;
            case 3:
            case 4:
                if (t.state() != dsBrowse)
                    t.setFieldString(0, m_pool[m_rng.bounded(m_pool.size())]);
                break;
            case 5:
                t.post();
                break;
            case 6:
                t.cancel();
                break;
            case 7:
                if (t.rowCount() > 0)
                    t.deleteRecord();
                break;
            case 8:
                if (t.rowCount() > 0)
                    t.moveTo(m_rng.bounded(t.rowCount()));
                break;
            case 9:
                m_rng.bounded(2) ? t.next() : t.prior();
                break;
            case 10:
                if (m_rng.bounded(10) == 0)
                    t.emptyTable();
                break;
            case 11:
                if (m_suspended > 0 && m_rng.bounded(2))
                {
                    --m_suspended;
                    t.enableControls();
                }
                else if (m_suspended < 2)
                {
                    ++m_suspended;
                    t.disableControls();
                }
                break;
            }
        });
    }

    // Views hear of changes only while this is false.
    bool suspended() const { return m_suspended > 0; }

private:
    TRxMemoryData& m_table;
    QRandomGenerator m_rng;
    const QStringList m_pool{QStringLiteral("a"), QStringLiteral("refused"), QStringLiteral("removed")};
    int m_suspended = 0;
};
