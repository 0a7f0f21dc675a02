#pragma once

#include <QDialog>
#include <memory>

class QAction;
class TDrawTables;
class TField;
class TRxMemoryData;

namespace Ui {
class TK_ExcelAktarF;
}

// The import window: appends participants to the participant table from the first worksheet
// of a workbook, names from column A and, on request, the extra information from column B.
// Every row is stored through the table's rules, one at a time.
class TK_ExcelAktarF : public QDialog
{
    Q_OBJECT

public:
    explicit TK_ExcelAktarF(TDrawTables& tables, QWidget* parent = nullptr);
    ~TK_ExcelAktarF() override;

    Ui::TK_ExcelAktarF* form() const { return ui.get(); }
    QAction* Kapat;

    // The path the file box names: the text itself when it is an existing file, otherwise the
    // first item of the text read as a command line (a path in double quotes loses them).
    static QString fileNameOf(const QString& text);
    // Filter of the browse dialog, in the classic "description|patterns" form.
    static QString browseFilter();

    // Buttons, actions and timers reach these inside the guard of their connection
    // (connectGuarded); a caller that runs one directly guards it itself.
public Q_SLOTS:
    void ZvWinButton1Click();
    void KapatExecute();
    void FilenameEdit1ButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void importRows();

    std::unique_ptr<Ui::TK_ExcelAktarF> ui;
    TRxMemoryData* m_kisi;
    const TField* m_name;  // column A goes here
    const TField* m_extra; // and column B here
    bool m_importing = false;
};
