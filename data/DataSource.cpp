#include "DataSource.h"

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
    {
        m_connections << connect(dataSet, &TRxMemoryData::commitRequested, this, &TDataSource::commitRequested)
                      << connect(dataSet, &TRxMemoryData::dataSetChanged, this, &TDataSource::dataSetChanged)
                      << connect(dataSet, &TRxMemoryData::rowAboutToBeInserted, this,
                                 &TDataSource::rowAboutToBeInserted)
                      << connect(dataSet, &TRxMemoryData::rowInserted, this, &TDataSource::rowInserted)
                      << connect(dataSet, &TRxMemoryData::rowAboutToBeRemoved, this, &TDataSource::rowAboutToBeRemoved)
                      << connect(dataSet, &TRxMemoryData::rowRemoved, this, &TDataSource::rowRemoved)
                      << connect(dataSet, &TRxMemoryData::recordChanged, this, &TDataSource::recordChanged)
                      << connect(dataSet, &TRxMemoryData::cursorMoved, this, &TDataSource::cursorMoved)
                      << connect(dataSet, &TRxMemoryData::stateChanged, this, &TDataSource::stateChanged)
                      << connect(dataSet, &QObject::destroyed, this, [this] { emit dataSetChanged(); });
    }
    emit dataSetChanged();
}

TDataSetState TDataSource::state() const
{
    return m_dataSet ? m_dataSet->state() : dsInactive;
}
