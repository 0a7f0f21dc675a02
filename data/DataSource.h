#pragma once

#include "RxMemoryData.h"

#include <QObject>
#include <QPointer>

// Connects one table to its data-aware views (grids, navigators). It repeats the table's
// notifications from the moment a view connects to it; while the table's controls are
// suspended the table sends none, and the last resume arrives here as one dataSetChanged().
class TDataSource : public QObject
{
    Q_OBJECT
public:
    explicit TDataSource(QObject* parent = nullptr);
    explicit TDataSource(TRxMemoryData* dataSet, QObject* parent = nullptr);
    ~TDataSource() override;

    TRxMemoryData* dataSet() const { return m_dataSet.data(); }
    void setDataSet(TRxMemoryData* dataSet); // sends dataSetChanged() to the views

    // Convenience for views: the table's state, or dsInactive without a table.
    TDataSetState state() const;

signals:
    void commitRequested();
    void dataSetChanged();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void recordChanged(int row);
    void cursorMoved(int row);
    void stateChanged(int state);

protected:
    void connectNotify(const QMetaMethod& signal) override;

private:
    void relay();

    QPointer<TRxMemoryData> m_dataSet;
    bool m_relaying = false;
    QList<QMetaObject::Connection> m_connections;
};
