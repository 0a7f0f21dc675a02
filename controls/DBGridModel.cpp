#include "DBGridModel.h"

#include "Codec1254.h"
#include "Guard.h"

QList<TDBGridColumn> gridColumns(std::span<const TColumnLayout> layouts)
{
    QList<TDBGridColumn> columns;
    for (const TColumnLayout& c : layouts)
        columns.append({c.FieldName.toString(), c.Title.toString(), c.Width, c.EllipsisButton});
    return columns;
}

TDBGridModel::TDBGridModel(QObject* parent) : QAbstractTableModel(parent)
{}

void TDBGridModel::setDataSource(TDataSource* source)
{
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_source = source;
    if (source)
    {
        m_connections << connect(source, &TDataSource::commitRequested, this, &TDBGridModel::commitRequested);
        m_connections << connectGuarded(source, &TDataSource::dataSetChanged, this, &TDBGridModel::reset);
        m_connections << connectGuarded(source, &TDataSource::rowAboutToBeInserted, this,
                                        &TDBGridModel::rowAboutToBeInserted);
        m_connections << connectGuarded(source, &TDataSource::rowInserted, this, &TDBGridModel::rowInserted);
        m_connections << connectGuarded(source, &TDataSource::rowAboutToBeRemoved, this,
                                        &TDBGridModel::rowAboutToBeRemoved);
        m_connections << connectGuarded(source, &TDataSource::rowRemoved, this, &TDBGridModel::rowRemoved);
        m_connections << connectGuarded(source, &TDataSource::recordChanged, this, &TDBGridModel::recordChanged);
        m_connections << connectGuarded(source, &TDataSource::cursorMoved, this, &TDBGridModel::tableCursorMoved);
        m_connections << connectGuarded(source, &TDataSource::stateChanged, this, &TDBGridModel::stateChanged);
        m_connections << connectGuarded(source, &QObject::destroyed, this, [this] { reset(); });
    }
    reset();
}

void TDBGridModel::setColumns(const QList<TDBGridColumn>& columns)
{
    beginResetModel();
    m_columns = columns;
    m_fieldIndex.clear();
    TRxMemoryData* table = dataSet();
    for (const TDBGridColumn& column : m_columns)
        m_fieldIndex << (table ? table->fieldIndex(column.FieldName) : -1);
    endResetModel();
}

int TDBGridModel::fieldIndexOfColumn(int column) const
{
    return column >= 0 && column < m_fieldIndex.size() ? m_fieldIndex.at(column) : -1;
}

TField* TDBGridModel::fieldOfColumn(int column) const
{
    TRxMemoryData* table = dataSet();
    return table ? table->field(fieldIndexOfColumn(column)) : nullptr;
}

void TDBGridModel::setReadOnly(bool readOnly)
{
    if (m_readOnly == readOnly)
        return;
    m_readOnly = readOnly;
    if (m_rows > 0 && !m_columns.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(m_rows - 1, int(m_columns.size()) - 1), {});
}

int TDBGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TDBGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TDBGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_columns.size())
        return {};
    const TRxMemoryData* table = dataSet();
    const int field = fieldIndexOfColumn(index.column());
    if (!table || field < 0)
        return {};
    if (role == Qt::TextAlignmentRole)
    {
        // Numbers line up on the right, as a data grid shows them.
        const TField* f = table->field(field);
        const bool number = f && f->dataType() == TFieldType::ftInteger;
        return int((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return table->textAt(index.row(), field);
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal)
    {
        if (section < 0 || section >= m_columns.size())
            return {};
        if (role == Qt::DisplayRole)
            return m_columns.at(section).Title;
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }
    if (section < 0 || section >= m_rows)
        return {};
    // The indicator column draws itself; the row numbers Qt would show are not wanted.
    if (role == Qt::DisplayRole)
        return QString();
    return {};
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!m_readOnly && fieldIndexOfColumn(index.column()) >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}

bool TDBGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || m_readOnly || !index.isValid() || index.row() >= m_rows)
        return false;
    TRxMemoryData* table = dataSet();
    TField* field = fieldOfColumn(index.column());
    if (!table || !field || !table->isOpen())
        return false;
    return guarded([&] {
        const QString text = value.toString();
        if (table->state() != dsBrowse && table->pendingRow() == index.row())
        {
            // Writing the same text into a record still untouched must not mark it modified,
            // or an unchanged new row could no longer be dropped.
            if (!table->modified() && table->textAt(index.row(), field->index()) == text)
                return;
        }
        else
        {
            if (table->textAt(index.row(), field->index()) == text)
                return;
            table->moveTo(index.row());
            table->edit();
        }
        if (field->dataType() == TFieldType::ftInteger)
        {
            if (text.trimmed().isEmpty())
            {
                table->clearField(field->index());
                return;
            }
            bool ok = false;
            const int number = text.trimmed().toInt(&ok);
            if (!ok)
                Abort();
            table->setFieldInteger(field->index(), number);
        }
        else
        {
            // Typed letters the code page lacks are kept as their nearest letters, not as "?".
            table->setFieldBytes(field->index(), Cp1254::fromUnicodeNearest(text));
        }
    });
}

void TDBGridModel::reset()
{
    beginResetModel();
    TRxMemoryData* table = dataSet();
    m_rowsChanging = false;
    m_fieldIndex.clear();
    for (const TDBGridColumn& column : std::as_const(m_columns))
        m_fieldIndex << (table ? table->fieldIndex(column.FieldName) : -1);
    m_rows = table && table->isOpen() ? table->rowCount() : 0;
    m_indicatorRow = table && table->isOpen() ? table->currentIndex() : -1;
    m_indicatorState = table ? table->state() : dsInactive;
    endResetModel();
    Q_EMIT cursorMoved(m_indicatorRow);
}

void TDBGridModel::rowAboutToBeInserted(int row)
{
    Q_ASSERT(row >= 0 && row <= m_rows);
    m_rowsChanging = true;
    beginInsertRows({}, row, row);
}

void TDBGridModel::rowInserted(int)
{
    ++m_rows;
    endInsertRows();
    m_rowsChanging = false;
    Q_ASSERT(inStep());
}

void TDBGridModel::rowAboutToBeRemoved(int row)
{
    Q_ASSERT(row >= 0 && row < m_rows);
    m_rowsChanging = true;
    beginRemoveRows({}, row, row);
}

void TDBGridModel::rowRemoved(int)
{
    --m_rows;
    endRemoveRows();
    m_rowsChanging = false;
    Q_ASSERT(inStep());
}

void TDBGridModel::recordChanged(int row)
{
    Q_ASSERT(inStep());
    if (row >= 0 && row < m_rows && !m_columns.isEmpty())
        Q_EMIT dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1), {Qt::DisplayRole, Qt::EditRole});
    if (TRxMemoryData* table = dataSet())
        m_indicatorState = table->state();
    Q_EMIT headerDataChanged(Qt::Vertical, row, row);
}

void TDBGridModel::tableCursorMoved(int row)
{
    Q_ASSERT(inStep());
    indicatorMoved(row);
    Q_EMIT cursorMoved(m_indicatorRow);
}

void TDBGridModel::stateChanged(int state)
{
    m_indicatorState = TDataSetState(state);
    if (m_indicatorRow >= 0 && m_indicatorRow < m_rows)
        Q_EMIT headerDataChanged(Qt::Vertical, m_indicatorRow, m_indicatorRow);
}

void TDBGridModel::indicatorMoved(int row)
{
    const int old = m_indicatorRow;
    m_indicatorRow = row < m_rows ? row : -1;
    if (TRxMemoryData* table = dataSet())
        m_indicatorState = table->state();
    if (old >= 0 && old < m_rows)
        Q_EMIT headerDataChanged(Qt::Vertical, old, old);
    if (m_indicatorRow >= 0)
        Q_EMIT headerDataChanged(Qt::Vertical, m_indicatorRow, m_indicatorRow);
}

bool TDBGridModel::inStep() const
{
    const TRxMemoryData* table = dataSet();
    return m_rows == (table && table->isOpen() ? table->rowCount() : 0);
}
