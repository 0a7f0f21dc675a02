#include "DataSource.h"

#include <QMetaMethod>

TDataSource::TDataSource(QObject* parent) : QObject(parent)
{}

TDataSource::TDataSource(TRxMemoryData* dataSet, QObject* parent) : QObject(parent)
{
    setDataSet(dataSet);
}

TDataSource::~TDataSource() = default;

void TDataSource::setDataSet(TRxMemoryData* dataSet)
{
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_dataSet = dataSet;
    if (dataSet)
        m_connections << connect(dataSet, &QObject::destroyed, this, [this] { emit dataSetChanged(); });
    if (m_relaying)
        relay();
    emit dataSetChanged();
}

void TDataSource::connectNotify(const QMetaMethod& signal)
{
    // A table may store a million records one by one with no view open: its notifications are
    // passed on only from the first view that listens here.
    if (!m_relaying && signal.enclosingMetaObject() == &staticMetaObject)
    {
        m_relaying = true;
        relay();
    }
}

void TDataSource::relay()
{
    TRxMemoryData* table = m_dataSet.data();
    if (!table)
        return;
    m_connections << connect(table, &TRxMemoryData::commitRequested, this, &TDataSource::commitRequested)
                  << connect(table, &TRxMemoryData::dataSetChanged, this, &TDataSource::dataSetChanged)
                  << connect(table, &TRxMemoryData::rowAboutToBeInserted, this, &TDataSource::rowAboutToBeInserted)
                  << connect(table, &TRxMemoryData::rowInserted, this, &TDataSource::rowInserted)
                  << connect(table, &TRxMemoryData::rowAboutToBeRemoved, this, &TDataSource::rowAboutToBeRemoved)
                  << connect(table, &TRxMemoryData::rowRemoved, this, &TDataSource::rowRemoved)
                  << connect(table, &TRxMemoryData::recordChanged, this, &TDataSource::recordChanged)
                  << connect(table, &TRxMemoryData::cursorMoved, this, &TDataSource::cursorMoved)
                  << connect(table, &TRxMemoryData::stateChanged, this, &TDataSource::stateChanged);
}

TDataSetState TDataSource::state() const
{
    return m_dataSet ? m_dataSet->state() : dsInactive;
}
