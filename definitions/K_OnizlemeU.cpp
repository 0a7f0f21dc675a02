#include "K_OnizlemeU.h"

#include "Guard.h"
#include "KapatAction.h"
#include "SpreadsheetReader.h"
#include "TurkishUpper.h"
#include "ui_K_OnizlemeU.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTableWidget>
#include <algorithm>
#include <initializer_list>

namespace {
// Words of a heading cell, upper-cased by the Turkish rules: "Adı / Soyadı:" gives ADI, SOYADI.
QStringList headingWords(const QString& cell)
{
    static const QRegularExpression separators(QStringLiteral("[^\\p{L}\\p{N}]+"));
    return FUp2(cell).split(separators, Qt::SkipEmptyParts);
}

const QSet<QString>& words(std::initializer_list<const char*> list, QSet<QString>& storage)
{
    if (storage.isEmpty())
        for (const char* word : list)
            storage.insert(QString::fromUtf8(word));
    return storage;
}

const QSet<QString>& nameWords()
{
    static QSet<QString> set;
    return words({"AD", "ADI", "İSİM", "İSMİ", "KATILIMCI", "KİŞİ", "ADSOYAD"}, set);
}
const QSet<QString>& surnameWords()
{
    static QSet<QString> set;
    return words({"SOYAD", "SOYADI", "SOYİSİM", "SOYİSMİ"}, set);
}
const QSet<QString>& extraWords()
{
    static QSet<QString> set;
    return words({"İL", "İLÇE", "ŞEHİR", "ADRES", "EK", "BİLGİ", "BİRİM", "DEPARTMAN", "ŞUBE", "GÖREV", "KURUM",
                  "ŞİRKET", "FİRMA", "SEMT", "MAHALLE", "BÖLÜM", "ÜNVAN", "UNVAN"},
                 set);
}
// Words that say a row is headings without naming a column the import uses.
const QSet<QString>& otherHeadingWords()
{
    static QSet<QString> set;
    return words({"SIRA",  "NO",    "NUMARA", "NUMARASI", "TELEFON", "TEL", "GSM",  "CEP",
                  "E",     "POSTA", "EPOSTA", "MAİL",     "TC",      "T",   "C",    "KİMLİK",
                  "TARİH", "DOĞUM", "YAŞ",    "CİNSİYET", "SİCİL",   "ÜYE", "KAYIT"},
                 set);
}

bool anyOf(const QStringList& cellWords, const QSet<QString>& set)
{
    for (const QString& word : cellWords)
        if (set.contains(word))
            return true;
    return false;
}

// A cell made of heading words only, at least one of them a known one.
bool isHeadingCell(const QString& cell)
{
    const QStringList cellWords = headingWords(cell);
    if (cellWords.isEmpty() || cellWords.size() > 4)
        return false;
    for (const QString& word : cellWords)
        if (!nameWords().contains(word) && !surnameWords().contains(word) && !extraWords().contains(word) &&
            !otherHeadingWords().contains(word) && word != QStringLiteral("VE"))
            return false;
    return true;
}

// A number or a date as the reader shows them: "42", "3,5", "-1.500", "15.03.2024 10:00:00".
bool isNumberOrDate(const QString& cell)
{
    static const QRegularExpression number(QStringLiteral("^[-+]?[0-9][0-9.,]*(E[-+]?[0-9]+)?$"));
    static const QRegularExpression date(QStringLiteral("^[0-9]{2}\\.[0-9]{2}\\.[0-9]{4}( [0-9:]+)?$|^[0-9:]+$"));
    const QString text = cell.trimmed();
    return number.match(text).hasMatch() || date.match(text).hasMatch();
}

QString cellOf(const QStringList& row, int column)
{
    return column >= 1 && column <= row.size() ? row[column - 1] : QString();
}
} // namespace

QString columnLetters(int column)
{
    QString letters;
    for (; column > 0; column = (column - 1) / 26)
        letters.prepend(QChar(u'A' + (column - 1) % 26));
    return letters;
}

int columnFromLetters(const QString& letters)
{
    int column = 0;
    for (const QChar c : letters)
    {
        if (c < u'A' || c > u'Z' || column > 16384)
            return 0;
        column = column * 26 + (c.unicode() - u'A' + 1);
    }
    return column <= 16384 ? column : 0;
}

bool looksLikeHeadings(const QList<QStringList>& rows)
{
    if (rows.isEmpty())
        return false;
    const QStringList& first = rows.first();
    for (const QString& cell : first)
        if (isHeadingCell(cell))
            return true;
    // A text over a column of numbers or dates ("Sıra" over 1, 2, 3; "Kayıt" over dates).
    for (int column = 1; column <= first.size(); ++column)
    {
        const QString top = cellOf(first, column).trimmed();
        if (top.isEmpty() || isNumberOrDate(top))
            continue;
        int numbers = 0;
        bool onlyNumbers = true;
        for (qsizetype r = 1; r < rows.size() && onlyNumbers; ++r)
        {
            const QString below = cellOf(rows[r], column).trimmed();
            if (below.isEmpty())
                continue;
            onlyNumbers = isNumberOrDate(below);
            numbers += onlyNumbers ? 1 : 0;
        }
        if (onlyNumbers && numbers >= 2)
            return true;
    }
    return false;
}

TImportChoice columnsNamedByHeadings(const QStringList& headings, TImportChoice choice)
{
    int full = 0, given = 0, surname = 0, extra = 0;
    for (int column = 1; column <= headings.size(); ++column)
    {
        const QStringList cellWords = headingWords(headings[column - 1]);
        const bool name = anyOf(cellWords, nameWords());
        const bool last = anyOf(cellWords, surnameWords());
        if (name && last && !full)
            full = column; // "Ad Soyad", "Adı Soyadı"
        else if (name && !given && !anyOf(cellWords, extraWords()))
            given = column;
        else if (last && !surname)
            surname = column;
        else if (!name && !last && !extra && anyOf(cellWords, extraWords()))
            extra = column;
    }
    if (full)
        choice.nameColumn = full, choice.secondNameColumn = 0;
    else if (given && surname)
        choice.nameColumn = given, choice.secondNameColumn = surname;
    else if (given)
        choice.nameColumn = given, choice.secondNameColumn = 0;
    if (extra)
        choice.extraColumn = extra;
    return choice;
}

bool previewNeeded(const TPreviewSheet& sheet)
{
    return sheet.sheetNames.size() > 1 || sheet.usedColumns > 2 || looksLikeHeadings(sheet.rows);
}

TK_OnizlemeF::TK_OnizlemeF(TPreviewSheet first, TImportChoice choice, bool withExtra, Loader load, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TK_OnizlemeF>()), m_sheet(std::move(first)), m_load(std::move(load)),
      m_shownSheet(choice.sheet)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    ui->GridONIZLEME->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->GridONIZLEME->setSelectionMode(QAbstractItemView::NoSelection);
    ui->ComboEKBILGI->setEnabled(withExtra);
    ui->ButtonAKTAR->setDefault(true);

    m_filling = true;
    if (m_sheet.sheetNames.isEmpty())
        ui->ComboSAYFA->addItem(QStringLiteral("Sayfa 1"));
    for (const QString& name : std::as_const(m_sheet.sheetNames))
        ui->ComboSAYFA->addItem(name.isEmpty() ? QStringLiteral("Sayfa %1").arg(ui->ComboSAYFA->count() + 1) : name);
    ui->ComboSAYFA->setEnabled(ui->ComboSAYFA->count() > 1);
    ui->ComboSAYFA->setCurrentIndex(std::clamp(choice.sheet, 0, int(ui->ComboSAYFA->count()) - 1));
    m_filling = false;
    showSheet(choice);

    Kapat = addKapatAction(this);
    connectGuarded(Kapat, &QAction::triggered, this, &TK_OnizlemeF::KapatExecute);
    connectGuarded(ui->ButtonAKTAR, &QPushButton::clicked, this, &TK_OnizlemeF::ButtonAKTARClick);
    connectGuarded(ui->ButtonIPTAL, &QPushButton::clicked, this, &TK_OnizlemeF::KapatExecute);
    connectGuarded(ui->ComboSAYFA, &QComboBox::currentIndexChanged, this, &TK_OnizlemeF::ComboSAYFAChange);
    connectGuarded(ui->CheckBASLIK, &QCheckBox::toggled, this, &TK_OnizlemeF::CheckBASLIKClick);
}

TK_OnizlemeF::~TK_OnizlemeF() = default;

TImportChoice TK_OnizlemeF::choice() const
{
    TImportChoice c;
    c.sheet = m_shownSheet;
    c.nameColumn = ui->ComboAD->currentData().toInt();
    c.secondNameColumn = ui->ComboAD2->currentData().toInt();
    c.extraColumn = ui->ComboEKBILGI->currentData().toInt();
    c.heading = ui->CheckBASLIK->isChecked();
    return c;
}

void TK_OnizlemeF::ButtonAKTARClick()
{
    accept();
}

void TK_OnizlemeF::KapatExecute()
{
    reject();
}

void TK_OnizlemeF::ComboSAYFAChange()
{
    if (m_filling)
        return;
    const int wanted = ui->ComboSAYFA->currentIndex();
    if (wanted == m_shownSheet || wanted < 0)
        return;
    TPreviewSheet loaded;
    try
    {
        loaded = m_load(wanted);
    }
    catch (...)
    {
        // The sheet shown stays the one chosen; the reason reaches the guard.
        m_filling = true;
        ui->ComboSAYFA->setCurrentIndex(m_shownSheet);
        m_filling = false;
        throw;
    }
    loaded.sheetNames = m_sheet.sheetNames;
    m_sheet = std::move(loaded);
    m_shownSheet = wanted;
    // Another sheet has its own headings: its defaults come from them, the columns otherwise stay.
    TImportChoice next = choice();
    next.sheet = wanted;
    next.heading = looksLikeHeadings(m_sheet.rows);
    if (next.heading && !m_sheet.rows.isEmpty())
        next = columnsNamedByHeadings(m_sheet.rows.first(), next);
    showSheet(next);
}

void TK_OnizlemeF::CheckBASLIKClick()
{
    if (!m_filling)
        markHeadingRow();
}

void TK_OnizlemeF::showSheet(const TImportChoice& choice)
{
    m_filling = true;
    QTableWidget* grid = ui->GridONIZLEME;
    grid->clear();
    const int columns = std::max(m_sheet.usedColumns, 2);
    grid->setColumnCount(columns);
    grid->setRowCount(int(m_sheet.rows.size()));
    QStringList letters;
    for (int c = 1; c <= columns; ++c)
        letters << columnLetters(c);
    grid->setHorizontalHeaderLabels(letters);
    for (int r = 0; r < m_sheet.rows.size(); ++r)
        for (int c = 0; c < m_sheet.rows[r].size() && c < columns; ++c)
            grid->setItem(r, c, new QTableWidgetItem(m_sheet.rows[r][c]));
    fillColumnChoices(choice);
    ui->CheckBASLIK->setChecked(choice.heading);
    m_filling = false;
    markHeadingRow();
}

void TK_OnizlemeF::fillColumnChoices(const TImportChoice& choice)
{
    const int columns =
        std::max({m_sheet.usedColumns, 2, choice.nameColumn, choice.secondNameColumn, choice.extraColumn});
    const QStringList headings = m_sheet.rows.isEmpty() ? QStringList() : m_sheet.rows.first();
    auto fill = [&](QComboBox* combo, int selected, bool none) {
        combo->clear();
        if (none)
            combo->addItem(QStringLiteral("(yok)"), 0);
        for (int c = 1; c <= columns; ++c)
        {
            const QString heading = cellOf(headings, c).simplified().left(30);
            combo->addItem(heading.isEmpty() ? columnLetters(c) : columnLetters(c) + QStringLiteral(" - ") + heading,
                           c);
        }
        combo->setCurrentIndex(std::max(0, combo->findData(selected)));
    };
    fill(ui->ComboAD, choice.nameColumn, false);
    fill(ui->ComboAD2, choice.secondNameColumn, true);
    fill(ui->ComboEKBILGI, choice.extraColumn, false);
}

// The heading row stays in the grid, greyed and struck through, with "Başlık" for its number.
void TK_OnizlemeF::markHeadingRow()
{
    QTableWidget* grid = ui->GridONIZLEME;
    const bool heading = ui->CheckBASLIK->isChecked();
    QStringList numbers;
    for (int r = 0; r < grid->rowCount(); ++r)
        numbers << (r == 0 && heading ? QStringLiteral("Başlık") : QString::number(m_sheet.firstRow + r));
    grid->setVerticalHeaderLabels(numbers);
    for (int c = 0; c < grid->columnCount(); ++c)
        if (QTableWidgetItem* item = grid->item(0, c))
        {
            QFont font = item->font();
            font.setStrikeOut(heading);
            font.setItalic(heading);
            item->setFont(font);
            item->setForeground(heading ? palette().color(QPalette::Disabled, QPalette::Text)
                                        : palette().color(QPalette::Text));
        }
}
