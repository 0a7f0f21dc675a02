#include "DBGrid.h"

#include "Guard.h"
#include "Messages.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QToolButton>

namespace {
QRect ellipsisRect(const QRect& cell)
{
    const int w = qMin(cell.height(), 18);
    return QRect(cell.right() - w + 1, cell.top(), w, cell.height());
}

void paintEllipsisButton(QPainter* painter, const QRect& r, const QPalette& palette)
{
    painter->save();
    painter->fillRect(r, palette.button());
    painter->setPen(palette.light().color());
    painter->drawLine(r.topLeft(), r.topRight());
    painter->drawLine(r.topLeft(), r.bottomLeft());
    painter->setPen(palette.dark().color());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->setPen(palette.buttonText().color());
    painter->drawText(r, Qt::AlignCenter, QStringLiteral("..."));
    painter->restore();
}
} // namespace

// In-place editor and cell painting: a line edit limited to the field's width (digits only for
// an integer field), with the ellipsis button inside it for a button column.
class TDBGridDelegate : public QStyledItemDelegate
{
public:
    explicit TDBGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        if (TField* field = m_grid->m_model->fieldOfColumn(index.column()))
        {
            if (field->dataType() == TFieldType::ftString)
                edit->setMaxLength(field->size());
            else
            {
                edit->setAlignment(Qt::AlignRight);
                edit->setValidator(
                    new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[+-]?[0-9]{0,10}")), edit));
            }
        }
        if (index.column() < m_grid->Columns().size() && m_grid->Columns().at(index.column()).ButtonStyle)
        {
            auto* button = new QToolButton(edit);
            button->setObjectName(QStringLiteral("EllipsisButton"));
            button->setText(QStringLiteral("..."));
            button->setFocusPolicy(Qt::NoFocus);
            button->setCursor(Qt::ArrowCursor);
            TDBGrid* grid = m_grid;
            connectGuarded(button, &QToolButton::clicked, grid, [grid] { grid->editButtonClicked(); });
        }
        TDBGrid* grid = m_grid;
        connectGuarded(edit, &QLineEdit::textEdited, grid, [grid] { grid->editingStarted(); });
        m_grid->editorCreated(edit);
        return edit;
    }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        // Esc is left to the window first: where an action such as Kapat is bound to it, the
        // window closes (and stores what was typed); otherwise the key still cancels the edit.
        if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel))
            return false;
        // Ctrl+Delete deletes the record, as it does while no cell is open; the line edit would
        // take it as "delete the next word".
        if (event->type() == QEvent::KeyPress)
        {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier))
            {
                m_grid->keyPressEvent(key);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        // The record changes state under an open editor (browse to edit on the first key);
        // what the user has typed must survive that refresh.
        if (auto* edit = qobject_cast<QLineEdit*>(editor); edit && edit->isModified())
            return;
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override
    {
        QStyledItemDelegate::updateEditorGeometry(editor, option, index);
        if (auto* button = editor->findChild<QToolButton*>(QStringLiteral("EllipsisButton")))
        {
            const QRect r = ellipsisRect(QRect(QPoint(0, 0), editor->size()));
            button->setGeometry(r);
            static_cast<QLineEdit*>(editor)->setTextMargins(0, 0, r.width(), 0);
        }
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const auto& columns = m_grid->Columns();
        if (index.column() < columns.size() && columns.at(index.column()).ButtonStyle && !m_grid->ReadOnly() &&
            index == m_grid->currentIndex())
            paintEllipsisButton(painter, ellipsisRect(option.rect), option.palette);
    }

private:
    TDBGrid* m_grid;
};

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), m_model(new TDBGridModel(this))
{
    m_indicator = new TDBGridIndicator(m_model, this);
    setVerticalHeader(m_indicator);
    setModel(m_model);
    setItemDelegate(new TDBGridDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setWordWrap(false);
    setAlternatingRowColors(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionsClickable(false);
    const int rowHeight = fontMetrics().height() + 4;
    m_indicator->setSectionResizeMode(QHeaderView::Fixed);
    m_indicator->setMinimumSectionSize(rowHeight);
    m_indicator->setDefaultSectionSize(rowHeight);

    // A click on the indicator goes to that record, keeping the column.
    connectGuarded(m_indicator, &TDBGridIndicator::rowClicked, this, [this](int row) {
        setFocus(Qt::MouseFocusReason);
        setCurrentIndex(m_model->index(row, qBound(0, SelectedIndex(), qMax(0, m_model->columnCount() - 1))));
    });
    connectGuarded(m_model, &TDBGridModel::cursorMoved, this, &TDBGrid::followCursor);
    // The table asks before its pending record is stored, dropped or left.
    connectGuarded(m_model, &TDBGridModel::commitRequested, this, [this] { updateRecord(); });
    connectGuarded(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        const bool wasInside = old && (old == this || isAncestorOf(old));
        const bool isInside = now && (now == this || isAncestorOf(now));
        // Only a move to another control of the same window counts: a message box asked from
        // inside the grid (a rule's notice, the delete question) must not drop the new row.
        if (wasInside && now && !isInside && now->window() == window())
            focusLeft();
    });
}

TDBGrid::~TDBGrid() = default;

void TDBGrid::setDataSource(TDataSource* source)
{
    m_model->setDataSource(source);
}

void TDBGrid::setColumns(const QList<TDBGridColumn>& columns)
{
    m_model->setColumns(columns);
    for (int i = 0; i < columns.size(); ++i)
        setColumnWidth(i, columns.at(i).Width);
    followCursor(m_model->indicatorRow());
}

void TDBGrid::addColumn(const QString& fieldName, const QString& title, int width, bool ellipsisButton)
{
    QList<TDBGridColumn> columns = Columns();
    columns << TDBGridColumn{fieldName, title, width, ellipsisButton};
    setColumns(columns);
}

void TDBGrid::setReadOnly(bool readOnly)
{
    if (readOnly)
        dropEditor();
    m_model->setReadOnly(readOnly);
}

QFont TDBGrid::TitleFont() const
{
    return horizontalHeader()->font();
}

void TDBGrid::setTitleFont(const QFont& font)
{
    horizontalHeader()->setFont(font);
}

QColor TDBGrid::TitleColor() const
{
    return horizontalHeader()->palette().color(QPalette::ButtonText);
}

void TDBGrid::setTitleColor(const QColor& color)
{
    // Styles draw the titles in the button text colour; some take the window text instead.
    QPalette palette = horizontalHeader()->palette();
    palette.setColor(QPalette::ButtonText, color);
    palette.setColor(QPalette::WindowText, color);
    horizontalHeader()->setPalette(palette);
}

TField* TDBGrid::SelectedField() const
{
    return m_model->fieldOfColumn(SelectedIndex());
}

int TDBGrid::SelectedIndex() const
{
    return currentIndex().isValid() ? currentIndex().column() : m_lastColumn;
}

void TDBGrid::setSelectedIndex(int column)
{
    if (column < 0 || column >= m_model->columnCount())
        return;
    m_lastColumn = column;
    if (currentIndex().isValid())
        setCurrentIndex(m_model->index(currentIndex().row(), column));
}

bool TDBGrid::updateRecord()
{
    // An editor the view has let go of already (the view was reset, its row removed) has
    // nothing left to write.
    if (m_editor && m_editor->isHidden())
        m_editor = nullptr;
    if (!m_editor || m_committing)
        return false;
    // Writing may open a rule's message box, in whose event loop the editor may go.
    const QPointer<QWidget> editor = m_editor;
    m_editor = nullptr;
    commitData(editor);
    if (editor)
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void TDBGrid::dropEditor()
{
    const QPointer<QWidget> editor = m_editor;
    m_editor = nullptr;
    if (editor)
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TDBGrid::commitData(QWidget* editor)
{
    // Writing the value may move the table, which then asks its views to commit: this editor
    // is doing so already, and must not be written or closed a second time from inside.
    const QScopedValueRollback busy(m_committing, true);
    QTableView::commitData(editor);
}

void TDBGrid::editorCreated(QWidget* editor)
{
    m_editor = editor;
}

void TDBGrid::editingStarted()
{
    TRxMemoryData* table = dataSet();
    if (table && table->isOpen() && table->state() == dsBrowse && !ReadOnly())
        table->edit();
}

void TDBGrid::editButtonClicked()
{
    // The handler reads and sets fields of the current record: what was typed must be there
    // first, and the editor must not write its old text over the handler's value afterwards.
    updateRecord();
    Q_EMIT OnEditButtonClick();
}

void TDBGrid::followCursor(int row)
{
    if (row < 0 || row >= m_model->rowCount())
    {
        dropEditor();
        ++m_syncing;
        selectionModel()->clearCurrentIndex();
        --m_syncing;
        return;
    }
    const int column = qBound(0, SelectedIndex(), qMax(0, m_model->columnCount() - 1));
    const QModelIndex target = m_model->index(row, column);
    if (!target.isValid())
        return;
    // An editor still open on another row cannot be written there any more.
    if (currentIndex().row() != row)
        dropEditor();
    ++m_syncing;
    setCurrentIndex(target);
    scrollTo(target);
    --m_syncing;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous); // commits an open editor into its own row
    if (current.isValid())
        m_lastColumn = current.column();
    viewport()->update();
    if (m_syncing || m_model->rowsChanging() || !current.isValid())
        return;
    TRxMemoryData* table = dataSet();
    if (!table || !table->isOpen() || table->currentIndex() == current.row())
        return;
    const bool moved = guarded([&] { table->moveTo(current.row()); });
    if (!moved && table->currentIndex() >= 0)
    {
        // Refused by a rule: the row stays in editing and the cell stays where it was.
        const int column = previous.isValid() ? previous.column() : current.column();
        ++m_syncing;
        setCurrentIndex(m_model->index(table->currentIndex(), column));
        --m_syncing;
    }
}

void TDBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (editor == m_editor)
        m_editor = nullptr;
    switch (hint)
    {
    case QAbstractItemDelegate::EditNextItem:
    case QAbstractItemDelegate::EditPreviousItem:
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        guarded([&] { moveColumn(hint == QAbstractItemDelegate::EditNextItem); });
        break;
    case QAbstractItemDelegate::RevertModelCache:
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        guarded([this] {
            if (TRxMemoryData* table = dataSet(); table && table->isOpen())
                table->cancel();
        });
        break;
    default:
        QTableView::closeEditor(editor, hint);
    }
}

bool TDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (ReadOnly() && trigger != QAbstractItemView::AllEditTriggers)
        return false;
    return QTableView::edit(index, trigger, event);
}

void TDBGrid::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index == currentIndex() && !ReadOnly() && index.column() < Columns().size() &&
        Columns().at(index.column()).ButtonStyle &&
        ellipsisRect(visualRect(index)).contains(event->position().toPoint()))
    {
        event->accept();
        guarded([this] { editButtonClicked(); });
        return;
    }
    QTableView::mousePressEvent(event);
}

void TDBGrid::keyPressEvent(QKeyEvent* event)
{
    bool passOn = false;
    guarded([&] {
        int key = event->key();
        keyDown(key, event->modifiers());
        if (key == 0)
        {
            event->accept();
            return;
        }
        TRxMemoryData* table = dataSet();
        // Typing into an empty grid starts its first record.
        if (!ReadOnly() && table && table->isOpen() && m_model->rowCount() == 0 && !event->text().isEmpty() &&
            event->text().at(0).isPrint())
            table->append();
        passOn = true;
    });
    if (passOn)
        QTableView::keyPressEvent(event);
}

void TDBGrid::keyDown(int& key, Qt::KeyboardModifiers modifiers)
{
    if (OnKeyDown)
        OnKeyDown(key, modifiers);
    if (key != 0 && navigationKey(key, modifiers))
        key = 0;
}

bool TDBGrid::navigationKey(int key, Qt::KeyboardModifiers modifiers)
{
    TRxMemoryData* table = dataSet();
    if (!table || !table->isOpen())
        return false;
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    if (ctrl)
    {
        // With Ctrl the vertical keys go to the top or bottom row on screen and the horizontal
        // ones to the first or last column.
        switch (key)
        {
        case Qt::Key_Up:
        case Qt::Key_PageUp:
        case Qt::Key_Down:
        case Qt::Key_PageDown: {
            const bool up = key == Qt::Key_Up || key == Qt::Key_PageUp;
            int row = rowAt(up ? 0 : viewport()->height() - 1);
            if (row < 0)
                row = up ? 0 : m_model->rowCount() - 1;
            moveRow([row](TRxMemoryData& t) {
                if (row >= 0 && row < t.rowCount())
                    t.moveTo(row);
            });
            return true;
        }
        case Qt::Key_Left:
        case Qt::Key_Right:
            if (currentIndex().isValid() && m_model->columnCount() > 0)
                setCurrentIndex(
                    m_model->index(currentIndex().row(), key == Qt::Key_Left ? 0 : m_model->columnCount() - 1));
            return true;
        default:
            break;
        }
    }
    switch (key)
    {
    case Qt::Key_Up:
        // Up from an untouched new record only drops it.
        moveRow([](TRxMemoryData& t) {
            if (t.state() == dsInsert && !t.modified())
                t.cancel();
            else
                t.prior();
        });
        return true;
    case Qt::Key_Down:
        updateRecord();
        if (!ReadOnly() && table->currentIndex() >= table->rowCount() - 1)
        {
            // On the last row Down starts a new record, unless that row is an untouched new one.
            if (!(table->state() == dsInsert && !table->modified()))
                appendOrInsert(true);
            return true;
        }
        moveRow([](TRxMemoryData& t) { t.next(); });
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int step = qMax(1, visibleRowCount() - 1) * (key == Qt::Key_PageUp ? -1 : 1);
        moveRow([step](TRxMemoryData& t) {
            if (t.rowCount() > 0)
                t.moveTo(qBound(0, t.currentIndex() + step, t.rowCount() - 1));
        });
        return true;
    }
    case Qt::Key_Home:
    case Qt::Key_End:
        if (!ctrl)
            return false;
        moveRow([key](TRxMemoryData& t) {
            if (key == Qt::Key_Home)
                t.first();
            else
                t.last();
        });
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        updateRecord();
        moveColumn(key == Qt::Key_Tab && !shift);
        return true;
    case Qt::Key_Insert:
        if (ctrl || shift)
            return false;
        appendOrInsert(false);
        return true;
    case Qt::Key_Delete:
        if (!ctrl)
            return false;
        deleteWithConfirmation();
        return true;
    case Qt::Key_Escape:
        if (table->state() == dsEdit || table->state() == dsInsert)
        {
            dropEditor();
            table->cancel();
            return true;
        }
        return false;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!m_editor && !ReadOnly() && currentIndex().isValid())
        {
            edit(currentIndex(), QAbstractItemView::EditKeyPressed, nullptr);
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TDBGrid::moveRow(const std::function<void(TRxMemoryData&)>& move)
{
    TRxMemoryData* table = dataSet();
    if (!table)
        return;
    updateRecord();
    move(*table);
}

void TDBGrid::appendOrInsert(bool append)
{
    TRxMemoryData* table = dataSet();
    if (ReadOnly() || !table || !table->isOpen())
        return;
    // Both settle the record first, asking for what is typed in the open cell.
    if (append)
        table->append();
    else
        table->insert();
}

void TDBGrid::deleteWithConfirmation()
{
    TRxMemoryData* table = dataSet();
    if (ReadOnly() || !table || !table->isOpen() || table->recordCount() == 0)
        return;
    // On No the open cell keeps what was typed.
    if (AskSoru(QStringLiteral("Delete record?")) != mrYes)
        return;
    dropEditor();
    table->deleteRecord();
}

void TDBGrid::moveColumn(bool forward)
{
    const int columns = m_model->columnCount();
    if (columns == 0)
        return;
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    int column = current.column() + (forward ? 1 : -1);
    if (column >= 0 && column < columns)
    {
        setCurrentIndex(m_model->index(current.row(), column));
        return;
    }
    // Past the last cell of a row Tab goes on to the next record (a new one after the last).
    TRxMemoryData* table = dataSet();
    if (!table)
        return;
    const int target = forward ? 0 : columns - 1;
    if (forward)
    {
        if (table->currentIndex() >= table->rowCount() - 1)
        {
            if (!ReadOnly() && !(table->state() == dsInsert && !table->modified()))
                table->append();
        }
        else
            table->next();
    }
    else if (table->currentIndex() > 0)
        table->prior();
    if (currentIndex().isValid())
        setCurrentIndex(m_model->index(currentIndex().row(), target));
}

int TDBGrid::visibleRowCount() const
{
    const int rowHeight = qMax(1, verticalHeader()->defaultSectionSize());
    return qMax(1, viewport()->height() / rowHeight);
}

void TDBGrid::focusLeft()
{
    updateRecord();
    TRxMemoryData* table = dataSet();
    if (table && table->isOpen() && table->state() == dsInsert && !table->modified())
        table->cancel();
}

// ---------------------------------------------------------------------------------------------

TDBGridIndicator::TDBGridIndicator(TDBGridModel* model, QWidget* parent)
    : QHeaderView(Qt::Vertical, parent), m_gridModel(model)
{
    setSectionsClickable(false);
    setHighlightSections(false);
}

void TDBGridIndicator::mousePressEvent(QMouseEvent* event)
{
    const int row = logicalIndexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && row >= 0)
        Q_EMIT rowClicked(row);
    event->accept();
}

TDBGridIndicator::Mark TDBGridIndicator::markOfRow(int row) const
{
    if (row < 0 || row != m_gridModel->indicatorRow())
        return None;
    switch (m_gridModel->indicatorState())
    {
    case dsEdit:
        return Editing;
    case dsInsert:
        return Inserting;
    case dsBrowse:
        return Current;
    default:
        return None;
    }
}

QSize TDBGridIndicator::sizeHint() const
{
    return QSize(12, defaultSectionSize());
}

void TDBGridIndicator::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    guarded([&] {
        const QPalette& pal = palette();
        painter->save();
        painter->fillRect(rect, pal.button());
        painter->setPen(pal.light().color());
        painter->drawLine(rect.topLeft(), rect.topRight());
        painter->drawLine(rect.topLeft(), rect.bottomLeft());
        painter->setPen(pal.dark().color());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        painter->drawLine(rect.topRight(), rect.bottomRight());
        const QPoint c = rect.center();
        painter->setPen(Qt::black);
        painter->setBrush(Qt::black);
        switch (markOfRow(logicalIndex))
        {
        case Current: {
            const QPoint arrow[3] = {{c.x() - 2, c.y() - 4}, {c.x() + 2, c.y()}, {c.x() - 2, c.y() + 4}};
            painter->drawPolygon(arrow, 3);
            break;
        }
        case Editing:
            painter->drawLine(c.x(), c.y() - 4, c.x(), c.y() + 4);
            painter->drawLine(c.x() - 2, c.y() - 4, c.x() + 2, c.y() - 4);
            painter->drawLine(c.x() - 2, c.y() + 4, c.x() + 2, c.y() + 4);
            break;
        case Inserting:
            painter->drawLine(c.x() - 3, c.y(), c.x() + 3, c.y());
            painter->drawLine(c.x(), c.y() - 3, c.x(), c.y() + 3);
            painter->drawLine(c.x() - 2, c.y() - 2, c.x() + 2, c.y() + 2);
            painter->drawLine(c.x() - 2, c.y() + 2, c.x() + 2, c.y() - 2);
            break;
        case None:
            break;
        }
        painter->restore();
    });
}
