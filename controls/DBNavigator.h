#pragma once

#include "DataSource.h"

#include <QPointer>
#include <QWidget>

class QToolButton;

// A record navigator: a row of buttons that move the cursor of a data source's table, start,
// store and cancel records and delete the current one. Buttons are enabled as the cursor and
// the table's state allow. They never take the focus, so an in-place grid edit stays open
// and is written into the record before the button acts.
class TDBNavigator : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QStringList Hints READ Hints WRITE setHints)
    Q_PROPERTY(bool ConfirmDelete READ ConfirmDelete WRITE setConfirmDelete)
    Q_PROPERTY(int VisibleButtons READ VisibleButtons WRITE setVisibleButtons)

public:
    enum TNavigateBtn
    {
        nbFirst,
        nbPrior,
        nbNext,
        nbLast,
        nbInsert,
        nbDelete,
        nbEdit,
        nbPost,
        nbCancel,
        nbRefresh,
        ButtonCount
    };
    static int buttonBit(TNavigateBtn button) { return 1 << int(button); }
    static constexpr int AllButtons = (1 << ButtonCount) - 1;

    explicit TDBNavigator(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return m_source; }
    void setDataSource(TDataSource* source);

    // One hint per button in button order; missing entries keep the default hint.
    QStringList Hints() const { return m_hints; }
    void setHints(const QStringList& hints);
    bool ConfirmDelete() const { return m_confirmDelete; }
    void setConfirmDelete(bool on) { m_confirmDelete = on; }
    int VisibleButtons() const { return m_visible; }
    void setVisibleButtons(int buttons);

    QToolButton* button(TNavigateBtn button) const { return m_buttons[button]; }
    // What a click on the button does.
    void BtnClick(TNavigateBtn button);

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateButtons();
    void layoutButtons();

    QPointer<TDataSource> m_source;
    QList<QMetaObject::Connection> m_connections;
    QToolButton* m_buttons[ButtonCount];
    QStringList m_hints;
    bool m_confirmDelete = true;
    int m_visible = AllButtons;
};
