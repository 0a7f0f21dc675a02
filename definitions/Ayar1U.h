#pragma once

#include <QDialog>
#include <memory>

class QAction;
class QTimer;
class TDrawTables;
class TRxMemoryData;

namespace Ui {
class TAyar1F;
}

// The definitions window: the participants and the prizes of the run's tables in two grids
// with their navigators, clearing either list, the spreadsheet import and the picture of a
// prize. It holds no data of its own and writes both table files whenever it closes. While it
// exists, the table set counts the definitions as open, so the participant rules act.
class TAyar1F : public QDialog
{
    Q_OBJECT

public:
    explicit TAyar1F(TDrawTables& tables, QWidget* parent = nullptr);
    ~TAyar1F() override;

    Ui::TAyar1F* form() const { return ui.get(); }
    QAction* Kapat;

    static QString pictureFilter();
    // Told after "Tümünü Temizle": where the copy of the removed records is kept.
    static QString clearedCopyText(const QString& copy);

    // Buttons, actions and timers reach these inside the guard of their connection
    // (connectGuarded); a caller that runs one directly guards it itself.
public Q_SLOTS:
    void FormShow();
    void ZvWinButton5Click();
    void ZvWinButton1Click();
    void ZVRXDBGrid2EditButtonClick();
    void ZvWinButton2Click();
    void KapatExecute();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // Writes both table files; false when the window has to stay open.
    bool FormClose();
    void clearAll(TRxMemoryData* table, const QString& question, const QString& bareName);
    void setUpGrids();
    // Lists under the prize grid the prizes whose picture file is not there.
    void showMissingPictures();

    std::unique_ptr<Ui::TAyar1F> ui;
    TDrawTables& m_tables;
    QTimer* m_pictureCheck;
    bool m_closing = false;
    bool m_writeFailed = false;
};
