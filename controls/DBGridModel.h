#pragma once

#include "DataSource.h"
#include "DrawTables.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <span>

// One declared column of a data grid: the field it shows (by name), its title, its width in
// pixels and whether its current cell carries an ellipsis button.
struct TDBGridColumn
{
    QString FieldName;
    QString Title;
    int Width = 64;
    bool ButtonStyle = false; // ellipsis button in the current cell
};

// The grid columns of the layouts the windows share.
QList<TDBGridColumn> gridColumns(std::span<const TColumnLayout> layouts);

// Table model over a data source. It shows the declared columns of the table's rows (stored
// records, plus the pending new one at its position) and reads every cell by position, so the
// table's cursor never moves for painting. It keeps its own row count and the indicator's row
// and state as of the last notification: while the table's controls are suspended nothing
// arrives and the view keeps showing what it showed.
class TDBGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TDBGridModel(QObject* parent = nullptr);

    void setDataSource(TDataSource* source);
    TDataSource* dataSource() const { return m_source; }
    TRxMemoryData* dataSet() const { return m_source ? m_source->dataSet() : nullptr; }

    void setColumns(const QList<TDBGridColumn>& columns);
    const QList<TDBGridColumn>& columns() const { return m_columns; }
    int fieldIndexOfColumn(int column) const; // -1 when the field does not exist
    TField* fieldOfColumn(int column) const;

    void setReadOnly(bool readOnly);
    bool readOnly() const { return m_readOnly; }

    // The indicator: current row and table state as last notified.
    int indicatorRow() const { return m_indicatorRow; }
    // Between a row change announced and done. The view moves its current cell off a row
    // about to go; that move must not reach the table, which is in the middle of the change
    // and tells where its cursor ends up once it is done.
    bool rowsChanging() const { return m_rowsChanging; }
    TDataSetState indicatorState() const { return m_indicatorState; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Moves the table to the row (settling another pending row through its rules), puts it in
    // editing and stores the value into the field. False when a rule refused or the value did
    // not fit the field; the guard has then dealt with the error.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

Q_SIGNALS:
    // The table's cursor moved to row (or -1); views follow it.
    void cursorMoved(int row);
    // The table asks its views' open editors to write what they hold into the record.
    void commitRequested();

private:
    void reset();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void recordChanged(int row);
    void tableCursorMoved(int row);
    void stateChanged(int state);
    void indicatorMoved(int row);
    // The rows shown are the table's rows: every change was announced before and after.
    bool inStep() const;

    QPointer<TDataSource> m_source;
    QList<QMetaObject::Connection> m_connections;
    QList<TDBGridColumn> m_columns;
    QList<int> m_fieldIndex;
    bool m_readOnly = false;
    int m_rows = 0;
    bool m_rowsChanging = false;
    int m_indicatorRow = -1;
    TDataSetState m_indicatorState = dsInactive;
};
