#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>
#include <functional>
#include <memory>

class QAction;

namespace Ui {
class TK_OnizlemeF;
}

// The first rows of one sheet of a workbook, as the preview shows them.
struct TPreviewSheet
{
    QStringList sheetNames; // empty for a file without sheets of its own (text)
    int usedColumns = 0;
    int firstRow = 1;        // sheet row of rows[0]: the first used one
    QList<QStringList> rows; // cells from column A, up to usedColumns each
};

// What the import takes from a workbook. Columns count from 1 = A; 0 is none.
struct TImportChoice
{
    int sheet = 0;
    int nameColumn = 1;
    int secondNameColumn = 0; // a surname column joined to the name with a blank
    int extraColumn = 2;
    bool heading = false; // the sheet's first used row holds headings, not a person
};

// Whether a row holds headings: heading words ("Adı", "Soyadı", "İl", "Telefon", ...) compared
// after Turkish upper-casing, or a text over a column whose cells below are numbers or dates.
bool looksLikeHeadings(const QList<QStringList>& rows);
// The columns the headings name: a name (or a first name and a surname) and extra information.
// Unnamed ones stay as `choice` has them.
TImportChoice columnsNamedByHeadings(const QStringList& headings, TImportChoice choice);
// A workbook needs the preview when there is something to choose: more than one sheet, more than
// two used columns, or headings in its first row. A plain two-column list is imported at once.
bool previewNeeded(const TPreviewSheet& sheet);
// Column letters as the spreadsheet names them: 1 = A, 27 = AA.
QString columnLetters(int column);
int columnFromLetters(const QString& letters); // 0 when it names no column

// The preview window: the first rows of the chosen sheet and the choices of the import (sheet,
// name columns, extra information column, heading row). "Aktar" accepts, "İptal" and Esc store
// nothing. Choosing another sheet loads its rows through `load`, which may throw.
class TK_OnizlemeF : public QDialog
{
    Q_OBJECT

public:
    using Loader = std::function<TPreviewSheet(int sheet)>;

    TK_OnizlemeF(TPreviewSheet first, TImportChoice choice, bool withExtra, Loader load, QWidget* parent = nullptr);
    ~TK_OnizlemeF() override;

    Ui::TK_OnizlemeF* form() const { return ui.get(); }
    QAction* Kapat;

    TImportChoice choice() const;

    static constexpr int previewRows = 20;

public Q_SLOTS:
    void ButtonAKTARClick();
    void KapatExecute();
    void ComboSAYFAChange();
    void CheckBASLIKClick();

private:
    void showSheet(const TImportChoice& choice);
    void fillColumnChoices(const TImportChoice& choice);
    void markHeadingRow();

    std::unique_ptr<Ui::TK_OnizlemeF> ui;
    TPreviewSheet m_sheet;
    Loader m_load;
    int m_shownSheet = 0;
    bool m_filling = false;
};
