#pragma once

#include "DBGridModel.h"

#include <QHeaderView>
#include <QPointer>
#include <QTableView>
#include <functional>

class TDBGridIndicator;

// The data-aware grid: a table view over one data source that follows the table's cursor,
// marks the current record and its state in an indicator column, and edits in place through
// the table's own states (typing edits the current record, leaving the row posts it through
// the table's rules, Esc cancels, Down on the last row appends, Insert inserts, Ctrl+Delete
// deletes after a question).
class TDBGrid : public QTableView
{
    Q_OBJECT
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE setReadOnly)
    Q_PROPERTY(QFont TitleFont READ TitleFont WRITE setTitleFont)
    Q_PROPERTY(QColor TitleColor READ TitleColor WRITE setTitleColor)

public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* DataSource() const { return m_model->dataSource(); }
    void setDataSource(TDataSource* source);
    TRxMemoryData* dataSet() const { return m_model->dataSet(); }

    void setColumns(const QList<TDBGridColumn>& columns);
    void addColumn(const QString& fieldName, const QString& title, int width, bool ellipsisButton = false);
    const QList<TDBGridColumn>& Columns() const { return m_model->columns(); }

    bool ReadOnly() const { return m_model->readOnly(); }
    void setReadOnly(bool readOnly);
    // The title row's font and text colour. Attributes the font leaves unset (such as the
    // family) follow the grid's own font.
    QFont TitleFont() const;
    void setTitleFont(const QFont& font);
    QColor TitleColor() const;
    void setTitleColor(const QColor& color);

    // The field of the current column (what an ellipsis-button handler reads), or nullptr.
    TField* SelectedField() const;
    int SelectedIndex() const; // current column
    void setSelectedIndex(int column);

    TDBGridModel* gridModel() const { return m_model; }
    TDBGridIndicator* indicator() const { return m_indicator; }

    // Writes an open in-place editor into the current record without storing the record. The
    // table asks for it before it stores, drops or leaves its pending record.
    bool updateRecord();

    // Raised with the key before the grid acts on it; setting the key to 0 cancels it.
    std::function<void(int& key, Qt::KeyboardModifiers modifiers)> OnKeyDown;

Q_SIGNALS:
    void OnEditButtonClick();

protected:
    // Key-down handling as a chain: a derived grid may change the key and then call this.
    virtual void keyDown(int& key, Qt::KeyboardModifiers modifiers);

    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void commitData(QWidget* editor) override;

private:
    friend class TDBGridDelegate;
    void followCursor(int row);
    void editorCreated(QWidget* editor);
    void dropEditor(); // closes the open editor without writing it
    void editButtonClicked();
    void editingStarted();
    void focusLeft();
    void moveRow(const std::function<void(TRxMemoryData&)>& move);
    void appendOrInsert(bool append);
    void deleteWithConfirmation();
    void moveColumn(bool forward);
    int visibleRowCount() const;
    bool navigationKey(int key, Qt::KeyboardModifiers modifiers);

    TDBGridModel* m_model;
    TDBGridIndicator* m_indicator;
    QPointer<QWidget> m_editor;
    int m_syncing = 0;
    bool m_committing = false;
    int m_lastColumn = 0;
};

// The indicator column: the vertical header, painted with an arrow at the current record in
// browse state, an I-beam while it is edited and an asterisk on a new record.
class TDBGridIndicator : public QHeaderView
{
    Q_OBJECT

public:
    explicit TDBGridIndicator(TDBGridModel* model, QWidget* parent = nullptr);

    enum Mark
    {
        None,
        Current,
        Editing,
        Inserting
    };
    Mark markOfRow(int row) const;

Q_SIGNALS:
    void rowClicked(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sizeHint() const override;

private:
    TDBGridModel* m_gridModel;
};
