#include "K_ExcelAktarU.h"

#include "Artwork.h"
#include "Codec1254.h"
#include "DataErrors.h"
#include "DrawTables.h"
#include "EAbort.h"
#include "FileDialogs.h"
#include "Guard.h"
#include "HeaderBand.h"
#include "IniFile.h"
#include "K_OnizlemeU.h"
#include "KapatAction.h"
#include "KisiRules.h"
#include "Messages.h"
#include "ProgramFolder.h"
#include "RxMemoryData.h"
#include "SpreadsheetReader.h"
#include "TurkishUpper.h"
#include "ui_K_ExcelAktarU.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QPointer>
#include <QScopeGuard>
#include <QScreen>
#include <QSet>
#include <optional>
#include <utility>

namespace {
// While an import runs, its window keeps painting and shows the wait cursor but takes no input:
// clicks and keys meant for it are dropped, not kept for later, and it cannot be closed. The
// other windows are behind the modal window anyway; the message boxes of the import are windows
// of their own and work as usual.
class ImportHold : public QObject
{
public:
    explicit ImportHold(QWidget* window) : m_window(window)
    {
        for (QWidget* child : window->findChildren<QWidget*>())
            if (child->testAttribute(Qt::WA_SetCursor))
            {
                m_ownCursors.append({child, child->cursor()});
                child->setCursor(Qt::WaitCursor);
            }
        window->setCursor(Qt::WaitCursor);
        qApp->installEventFilter(this);
    }
    ~ImportHold() override
    {
        qApp->removeEventFilter(this);
        m_window->unsetCursor();
        for (const auto& [child, cursor] : std::as_const(m_ownCursors))
            if (child)
                child->setCursor(cursor);
    }
    ImportHold(const ImportHold&) = delete;
    ImportHold& operator=(const ImportHold&) = delete;

    // Lets the window repaint (and timers run); nothing that the user does reaches it.
    static void pump() { QCoreApplication::processEvents(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != m_window)
            return false;
        switch (event->type())
        {
        case QEvent::ShortcutOverride:
            // Taken by the focus widget, so that no shortcut (Esc) fires either.
            event->accept();
            return true;
        case QEvent::Close:
            event->ignore();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::DragEnter:
        case QEvent::Drop:
            return true;
        default:
            return false;
        }
    }

private:
    QWidget* m_window;
    QList<std::pair<QPointer<QWidget>, QCursor>> m_ownCursors;
};

// Turns the cells' texts into code page 1254 and counts what had to be stored with other letters
// than it came with, for one notice after the import.
class Conversions
{
public:
    // The notice names the kind of file the rows came from, as its content shows it.
    explicit Conversions(SpreadsheetFormat format)
        : source(format == SpreadsheetFormat::Ods   ? QStringLiteral("ODS dosyasındaki ")
                 : format == SpreadsheetFormat::Csv ? QStringLiteral("CSV dosyasındaki ")
                                                    : QStringLiteral("Excel dosyasındaki "))
    {}

    // What a row's texts needed is told only when the row is stored: a row the rules refuse
    // (a repeated name, an empty one) adds nobody, so it is left out of the notice.
    void rowStarted() { beforeRow = told; }
    void rowRefused() { told = beforeRow; }

    QByteArray name(const QString& text)
    {
        Cp1254::Replacements replaced;
        QByteArray bytes = convert(text, told.names, replaced);
        return replaced.any() ? distinct(text, std::move(bytes)) : bytes;
    }
    QByteArray extra(const QString& text)
    {
        Cp1254::Replacements replaced;
        return convert(text, told.extras, replaced);
    }

    void tell() const
    {
        QStringList lines;
        if (told.names.near > 0 || told.extras.near > 0)
            lines << source +
                         where(told.names.near, told.extras.near, QStringLiteral("adda"),
                               QStringLiteral("ek bilgide")) +
                         QStringLiteral(" programın saklayamadığı harfler vardı; bunlar en yakın harflerle "
                                        "değiştirildi") +
                         example(told.nearExample) + QLatin1Char('.');
        if (told.names.latin > 0 || told.extras.latin > 0)
            lines << source +
                         where(told.names.latin, told.extras.latin, QStringLiteral("ad"), QStringLiteral("ek bilgi")) +
                         QStringLiteral(" başka bir alfabeyle yazılmıştı; bunlar Latin harfleriyle aktarıldı") +
                         example(told.latinExample) + QLatin1Char('.');
        if (told.numbered > 0)
            lines << QStringLiteral("Latin harfleriyle aynı yazılan farklı %1 ada, ayırt edilebilmeleri için sıra "
                                    "numarası eklendi")
                             .arg(told.numbered) +
                         example(told.numberedExample) + QLatin1Char('.');
        if (told.unknown > 0)
            lines << QStringLiteral("Karşılığı olmayan harfler \"?\" olarak aktarıldı (%1 kayıt).").arg(told.unknown);
        if (!lines.isEmpty())
            ShowBilgi(lines.join(QStringLiteral("\r\n")));
    }

private:
    struct Count
    {
        int near = 0;  // letters replaced by their nearest letters
        int latin = 0; // written in another script, stored in Latin letters
    };
    using Example = std::pair<QString, QString>;

    static QString where(int inNames, int inExtras, const QString& name, const QString& extra)
    {
        QStringList parts;
        if (inNames > 0)
            parts << QStringLiteral("%1 ").arg(inNames) + name;
        if (inExtras > 0)
            parts << QStringLiteral("%1 ").arg(inExtras) + extra;
        return parts.join(QStringLiteral(" ve "));
    }
    static QString example(const Example& e)
    {
        return e.first.isEmpty() ? QString() : QStringLiteral(" (örneğin \"%1\" yerine \"%2\")").arg(e.first, e.second);
    }

    QByteArray convert(const QString& text, Count& count, Cp1254::Replacements& replaced)
    {
        QByteArray bytes = Cp1254::fromUnicodeNearest(text, replaced);
        if (!replaced.any())
            return bytes;
        if (replaced.unknown)
            ++told.unknown;
        if (!replaced.transliterated && !replaced.nearLetters)
            return bytes;
        // Another script counts as such even where some of its letters also had near forms.
        Example& shown = replaced.transliterated ? told.latinExample : told.nearExample;
        (replaced.transliterated ? count.latin : count.near)++;
        if (!replaced.unknown && shown.first.isEmpty())
            shown = {text, Cp1254::toUnicode(bytes)};
        return bytes;
    }

    // Different names that came out the same in the code page's letters ("张伟" and "章伟" both
    // "Zhang Wei", two emoji both "?") stay different people: a later one gets a number. The same
    // name met again (in any letter case) comes out the same, so the duplicate rule still sees it.
    QByteArray distinct(const QString& text, QByteArray bytes)
    {
        const QString person = text.toCaseFolded();
        if (const auto known = givenTo.constFind(person); known != givenTo.cend())
            return *known;
        bytes.truncate(fieldCharacters);
        QByteArray candidate = bytes;
        for (int n = 2; takenKeys.contains(FUp2(candidate)); ++n)
        {
            const QByteArray suffix = " (" + QByteArray::number(n) + ')';
            candidate = bytes.left(fieldCharacters - suffix.size()) + suffix;
        }
        if (candidate != bytes)
        {
            ++told.numbered;
            if (told.numberedExample.first.isEmpty())
                told.numberedExample = {text, Cp1254::toUnicode(candidate)};
        }
        takenKeys.insert(FUp2(candidate));
        givenTo.insert(person, candidate);
        return candidate;
    }

    static constexpr int fieldCharacters = 40;
    struct Told
    {
        Count names;
        Count extras;
        int unknown = 0; // texts holding a character without any Latin form ('?')
        int numbered = 0;
        Example nearExample;
        Example latinExample;
        Example numberedExample;
    };
    Told told;
    Told beforeRow;
    QString source;
    QSet<QByteArray> takenKeys;         // upper-cased names that were changed, as stored
    QHash<QString, QByteArray> givenTo; // what each changed name was stored as
};

constexpr qint64 progressEveryMs = 100;
} // namespace

TK_ExcelAktarF::TK_ExcelAktarF(TDrawTables& tables, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TK_ExcelAktarF>()), m_kisi(tables.Kisi_T), m_name(tables.Kisi_TADI),
      m_extra(tables.Kisi_TIL_ILCE)
{
    ui->setupUi(this);
    // A fixed single frame with the system menu and a minimise box, no maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(452, 192);
    setUpHeaderBand(ui->Image2, ui->Image1, ui->Label1);
    TZvWinButton::applyFormSettingsTo(this);
    ui->ZvWinButton1->setGlpyh(artwork(QStringLiteral("glyph_save"), devicePixelRatioF()));
    ui->FilenameEdit1->ZvWinButton()->setGlyphKind(TZvEditButton::gkDefault);

    Kapat = addKapatAction(this);
    connectGuarded(Kapat, &QAction::triggered, this, &TK_ExcelAktarF::KapatExecute);
    connectGuarded(ui->ZvWinButton1, &TZvWinButton::clicked, this, &TK_ExcelAktarF::ZvWinButton1Click);
    connectGuarded(ui->FilenameEdit1, &TZvBtnEdit::OnBtnClick, this, &TK_ExcelAktarF::FilenameEdit1ButtonClick);
}

TK_ExcelAktarF::~TK_ExcelAktarF() = default;

void TK_ExcelAktarF::showEvent(QShowEvent* event)
{
    guarded([this] {
        // Centred on the main window (the top-level window the definitions window came from).
        QWidget* anchor = parentWidget() ? parentWidget()->window() : nullptr;
        if (anchor && anchor->parentWidget())
            anchor = anchor->parentWidget()->window();
        const QRect area =
            anchor
                ? anchor->frameGeometry()
                : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry() : QRect());
        if (area.isValid())
            move(area.center() - rect().center());
    });
    QDialog::showEvent(event);
}

QString TK_ExcelAktarF::browseFilter()
{
    // Every format the import reads comes first, so that the dialog lists them all as it opens.
    return QStringLiteral("Tüm Tablo Dosyaları|*.XLS;*.XLSX;*.ODS;*.CSV|Excel Dosyaları|*.XLS|"
                          "Excel 2007 Dosyaları|*.XLSX|OpenDocument Hesap Tabloları|*.ODS|CSV Dosyaları|*.CSV");
}

QString TK_ExcelAktarF::fileNameOf(const QString& text)
{
    if (!text.isEmpty() && QFileInfo(text).isFile())
        return text;
    // The first item of a command line: blanks before it are skipped; inside double quotes a
    // blank belongs to the item and the quotes themselves are dropped.
    QString item;
    bool quoted = false;
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    for (; i < text.size(); ++i)
    {
        const QChar c = text[i];
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c.isSpace() && !quoted)
            break;
        else
            item += c;
    }
    return item;
}

void TK_ExcelAktarF::FilenameEdit1ButtonClick()
{
    const QString current = fileNameOf(ui->FilenameEdit1->text());
    const QString chosen = getOpenFileName(
        this, QString(), current.isEmpty() ? QString() : QFileInfo(current).absolutePath(), browseFilter());
    if (chosen.isEmpty())
        return;
    // A path with blanks goes into the box in double quotes, as a command line would take it,
    // unless the quotes would not give it back (a name holding a double quote itself): then
    // it stands bare and is taken as the existing file it names.
    const QString quoted = QLatin1Char('"') + chosen + QLatin1Char('"');
    const bool quote = chosen.contains(QLatin1Char(' ')) && !chosen.contains(QLatin1Char('"'));
    ui->FilenameEdit1->setText(quote ? quoted : chosen);
}

void TK_ExcelAktarF::KapatExecute()
{
    close();
}

void TK_ExcelAktarF::ZvWinButton1Click()
{
    if (m_importing)
        return;
    m_importing = true;
    const auto done = qScopeGuard([this] { m_importing = false; });
    importRows();
}

namespace {
// Rows the preview shows, and columns it offers.
constexpr int previewColumns = 52;
// Row numbers a status line names for one kind of row.
constexpr int rowsNamed = 5;

const QString choiceSection = QStringLiteral("K_OnizlemeF");

// One line on why a workbook could not be read.
QString spreadsheetRefusalText(const ESpreadsheetError& error)
{
    switch (spreadsheetProblemOf(error))
    {
    case SpreadsheetProblem::MissingText:
        return QStringLiteral("Dosya bozuk: hücrelerin gösterdiği metinler dosyada yok.");
    case SpreadsheetProblem::Encrypted:
        return QStringLiteral("Dosya parola ile korunuyor; parolasız kaydedip yeniden deneyin.");
    case SpreadsheetProblem::NotASheet:
        return QStringLiteral("Dosya bir hesap tablosu değil.");
    case SpreadsheetProblem::TooLarge:
        return QStringLiteral("Dosya programın okuyabileceğinden büyük.");
    case SpreadsheetProblem::ReaderFailed:
        return QStringLiteral("Dosyayı okuyan işlem bu dosyada durdu; dosya bozuk olabilir.");
    case SpreadsheetProblem::MissingSheet:
        return QStringLiteral("Seçilen sayfa dosyada yok.");
    case SpreadsheetProblem::Damaged:
        break;
    }
    return QStringLiteral("Dosya bozuk: içindeki bilgiler eksik ya da hatalı.");
}

TPreviewSheet previewOf(const QString& fileName, int sheet)
{
    SpreadsheetReader reader;
    reader.setWhileWaiting(&ImportHold::pump);
    SpreadsheetSelection selection;
    selection.sheet = sheet;
    selection.rowLimit = TK_OnizlemeF::previewRows;
    selection.columns.clear();
    for (int c = 0; c < previewColumns; ++c)
        selection.columns.push_back(c);
    reader.setSelection(selection);
    reader.open(fileName);
    TPreviewSheet preview;
    preview.sheetNames = reader.sheetNames();
    preview.usedColumns = std::min(reader.usedColumnCount(), previewColumns);
    preview.firstRow = reader.firstUsedRow();
    if (reader.usedColumnCount() == 0)
        return preview;
    for (int row = preview.firstRow; row <= reader.lastUsedRow(); ++row)
    {
        QStringList cells;
        for (int c = 1; c <= preview.usedColumns; ++c)
            cells << reader.cellText(row, c);
        preview.rows << cells;
    }
    return preview;
}

// The last choices of the preview, kept in the settings file beside the main window's own keys.
TImportChoice rememberedChoice(const TPreviewSheet& sheet)
{
    const TIniFile ini(programFolder() + QStringLiteral("Ayar.Ini"));
    TImportChoice choice;
    const int columns = std::max(sheet.usedColumns, 2);
    const auto column = [&](const QString& key, int fallback) {
        const int c = columnFromLetters(ini.readString(choiceSection, key, QString()).trimmed().toUpper());
        return c >= 1 && c <= columns ? c : fallback;
    };
    choice.nameColumn = column(QStringLiteral("AD"), 1);
    choice.secondNameColumn = column(QStringLiteral("AD2"), 0);
    choice.extraColumn = column(QStringLiteral("EKBILGI"), 2);
    const QString sheetName = ini.readString(choiceSection, QStringLiteral("SAYFA"), QString());
    choice.sheet = std::max(0, int(sheet.sheetNames.indexOf(sheetName)));
    return choice;
}

void rememberChoice(const TImportChoice& choice, const QStringList& sheetNames)
{
    TIniFile ini(programFolder() + QStringLiteral("Ayar.Ini"));
    ini.writeString(choiceSection, QStringLiteral("SAYFA"), sheetNames.value(choice.sheet));
    ini.writeString(choiceSection, QStringLiteral("AD"), columnLetters(choice.nameColumn));
    ini.writeString(choiceSection, QStringLiteral("AD2"), columnLetters(choice.secondNameColumn));
    ini.writeString(choiceSection, QStringLiteral("EKBILGI"), columnLetters(choice.extraColumn));
    try
    {
        ini.updateFile();
    }
    catch (const EFileError& error)
    {
        // Only the next preview's defaults are lost; the import itself goes on.
        qWarning("preview choices not kept: %s", error.what());
    }
}

// A name or extra information longer than its field is cut to the field; where the cut falls
// inside a word and a word boundary keeps most of the text, the partial word goes too. Blanks
// the cut leaves at the end are dropped.
QByteArray shortened(QByteArray bytes, int characters)
{
    if (bytes.size() <= characters)
        return bytes;
    const bool insideWord = bytes[characters] != ' ';
    bytes.truncate(characters);
    if (insideWord)
        if (const qsizetype blank = bytes.lastIndexOf(' '); blank >= characters * 3 / 4)
            bytes.truncate(blank);
    while (bytes.endsWith(' '))
        bytes.chop(1);
    return bytes;
}

// Rows of one kind, counted, with the first few row numbers for the status line.
struct RowList
{
    int count = 0;
    QList<int> first;
    void add(int row)
    {
        if (count++ < rowsNamed)
            first << row;
    }
    QString numbers(const QLocale& locale) const
    {
        QStringList shown;
        for (const int row : first)
            shown << locale.toString(row);
        return QStringLiteral(" (") + shown.join(QStringLiteral(", ")) +
               (count > rowsNamed ? QStringLiteral(", ...)") : QStringLiteral(")"));
    }
};

QString joinedName(const QString& name, const QString& second)
{
    const QString a = name.trimmed(), b = second.trimmed();
    return a.isEmpty() || b.isEmpty() ? a + b : a + QLatin1Char(' ') + b;
}
} // namespace

void TK_ExcelAktarF::importRows()
{
    const QString fileName = fileNameOf(ui->FilenameEdit1->text());
    if (fileName.isEmpty())
    {
        ui->FilenameEdit1->setFocus();
        ShowBilgi(QStringLiteral("Excel dosyasını belirtmelisiniz."));
        return;
    }
    if (!QFileInfo(fileName).isFile())
    {
        ui->FilenameEdit1->setFocus();
        ShowBilgi(QStringLiteral("Excel dosyası bulunamadı. Lütfen yolun doğruluğunu kontrol ediniz."));
        return;
    }
    if (AskSoru(QStringLiteral("Dikkat : Excel den bilgi aktarımı yapılacaktır.\r\nAktarıma başlanılsın mı?")) != mrYes)
        return;

    std::optional<ImportHold> hold(std::in_place, this);
    // Once: the status line that follows it stays.
    const auto finish = [&] {
        if (!hold)
            return;
        ui->LabelDURUM->clear();
        hold.reset();
    };
    const auto finished = qScopeGuard(finish);
    ui->LabelDURUM->setText(QStringLiteral("Excel dosyası okunuyor..."));
    ImportHold::pump();
    const bool withExtra = ui->CheckEKBILGI->isChecked();
    // Nothing is imported when the workbook cannot be read; the window stays open so that
    // another file can be named.
    const auto refused = [&](const ESpreadsheetError& error) {
        qWarning("workbook refused: %s", error.what());
        finish();
        if (dynamic_cast<const ESpreadsheetDecoderMissing*>(&error))
            ShowBilgi(QStringLiteral("Excel dosyası okunamadı: dosyayı okuyacak işlem başlatılamadı. Hiçbir kayıt "
                                     "aktarılmadı; programı kapatıp yeniden açın."));
        else
            ShowBilgi(QStringLiteral("Excel dosyası okunamadı. ") + spreadsheetRefusalText(error));
    };

    // The first rows tell whether there is anything to choose; a plain list of names in A (and
    // extra information in B) is imported at once, as it always was.
    TImportChoice choice;
    try
    {
        TPreviewSheet preview = previewOf(fileName, 0);
        if (previewNeeded(preview))
        {
            choice = rememberedChoice(preview);
            if (choice.sheet != 0)
                preview = previewOf(fileName, choice.sheet);
            choice.heading = looksLikeHeadings(preview.rows);
            if (choice.heading && !preview.rows.isEmpty())
                choice = columnsNamedByHeadings(preview.rows.first(), choice);
            const QStringList sheetNames = preview.sheetNames;
            TK_OnizlemeF window(
                std::move(preview), choice, withExtra,
                [&](int sheet) {
                    try
                    {
                        return previewOf(fileName, sheet);
                    }
                    catch (const ESpreadsheetError& error)
                    {
                        ShowBilgi(QStringLiteral("Bu sayfa okunamadı. ") + spreadsheetRefusalText(error));
                        throw EAbort();
                    }
                },
                this);
            ui->LabelDURUM->setText(QStringLiteral("Aktarılacak sütunlar seçiliyor..."));
            if (window.exec() != QDialog::Accepted)
            {
                finish();
                ui->LabelDURUM->setText(QStringLiteral("Aktarım iptal edildi; hiçbir kayıt eklenmedi."));
                return;
            }
            choice = window.choice();
            rememberChoice(choice, sheetNames);
            ui->LabelDURUM->setText(QStringLiteral("Excel dosyası okunuyor..."));
            ImportHold::pump();
        }
    }
    catch (const ESpreadsheetError& error)
    {
        return refused(error);
    }

    SpreadsheetReader workbook;
    workbook.setWhileWaiting(&ImportHold::pump);
    SpreadsheetSelection selection;
    selection.sheet = choice.sheet;
    selection.columns = {choice.nameColumn - 1};
    if (choice.secondNameColumn > 0)
        selection.columns.push_back(choice.secondNameColumn - 1);
    if (withExtra && choice.extraColumn > 0)
        selection.columns.push_back(choice.extraColumn - 1);
    workbook.setSelection(selection);
    try
    {
        workbook.open(fileName);
    }
    catch (const ESpreadsheetError& error)
    {
        return refused(error);
    }

    // The used range: rows above it hold nothing, and every row down to its last one is read.
    const int firstRow = workbook.firstUsedRow();
    const int lastRow = workbook.lastUsedRow();
    const int rows = lastRow - firstRow + 1;
    const int nameField = m_name->index();
    const int extraField = m_extra->index();
    const int nameCharacters = m_name->size();
    const int extraCharacters = m_extra->size();
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    const QString ofRows = QStringLiteral(" / ") + turkish.toString(rows) + QStringLiteral(" satır");
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    Conversions conversions(workbook.format());
    TDuplicateBatch duplicates(*m_kisi);
    const int before = m_kisi->recordCount();
    RowList emptyRows, emptyNames, cutNames;
    bool headingSkipped = false;
    const auto summary = [&](int read) {
        QString line = QStringLiteral("%1 satır okundu: %2 kişi eklendi, %3 tekrar eden ad atlandı")
                           .arg(turkish.toString(read), turkish.toString(m_kisi->recordCount() - before),
                                turkish.toString(duplicates.removed()));
        if (headingSkipped)
            line += QStringLiteral(", başlık satırı atlandı");
        if (emptyRows.count > 0)
            line += QStringLiteral(", %1 boş satır atlandı").arg(turkish.toString(emptyRows.count)) +
                    emptyRows.numbers(turkish);
        if (emptyNames.count > 0)
            line += QStringLiteral(", adı boş %1 satır atlandı").arg(turkish.toString(emptyNames.count)) +
                    emptyNames.numbers(turkish);
        if (cutNames.count > 0)
            line += QStringLiteral(", %1 ad %2 karaktere kısaltıldı")
                        .arg(turkish.toString(cutNames.count), turkish.toString(nameCharacters)) +
                    cutNames.numbers(turkish);
        return line + QLatin1Char('.');
    };
    int row = firstRow;
    bool rowStarted = false;
    try
    {
        // Views stop following the table while rows are appended and catch up once at the end,
        // also when the import stops half-way.
        TControlsSuspension suspended(*m_kisi);
        // Room for every row at once: the records and their name index then never grow on the way.
        m_kisi->reserve(before + rows);
        for (; row <= lastRow; ++row)
        {
            if ((row & 255) == 0 && sinceProgress.hasExpired(progressEveryMs))
            {
                ui->LabelDURUM->setText(QStringLiteral("Aktarılıyor: ") + turkish.toString(row - firstRow + 1) +
                                        ofRows);
                ImportHold::pump();
                sinceProgress.restart();
            }
            if (choice.heading && row == firstRow)
            {
                headingSkipped = true;
                continue;
            }
            QString name = workbook.cellText(row, choice.nameColumn);
            if (choice.secondNameColumn > 0)
                name = joinedName(name, workbook.cellText(row, choice.secondNameColumn));
            const QString extra = withExtra ? workbook.cellText(row, choice.extraColumn) : QString();
            // A row without a name is left out and counted, never stored half-way: an empty row in
            // a list must not cost the people below it.
            if (name.trimmed().isEmpty())
            {
                (extra.trimmed().isEmpty() ? emptyRows : emptyNames).add(row);
                continue;
            }
            conversions.rowStarted();
            QByteArray nameBytes = conversions.name(name);
            if (nameBytes.size() > nameCharacters)
            {
                nameBytes = shortened(std::move(nameBytes), nameCharacters);
                cutNames.add(row);
            }
            rowStarted = false;
            m_kisi->append(); // settles a row left open in the grid first
            rowStarted = true;
            const int stored = m_kisi->recordCount();
            m_kisi->setFieldBytes(nameField, nameBytes);
            if (withExtra)
                m_kisi->setFieldBytes(extraField, shortened(conversions.extra(extra), extraCharacters));
            m_kisi->post();
            if (m_kisi->recordCount() == stored)
                conversions.rowRefused();
        }
    }
    catch (const EAbort&)
    {
        // A row the rules refused is dropped: no half-imported row waits in the table.
        if (rowStarted && m_kisi->state() == dsInsert)
            m_kisi->cancel();
        finish();
        const QString stop =
            rowStarted ? QStringLiteral("%1. satırda aktarım durdu; sonraki %2 satır okunmadı. ")
                             .arg(turkish.toString(row), turkish.toString(lastRow - row))
                       : QStringLiteral("Kişi listesinde adı girilmemiş bir kayıt beklediği için aktarım başlamadı. ");
        ui->LabelDURUM->setText(stop + summary(row - firstRow));
        conversions.tell();
        throw;
    }
    catch (...)
    {
        if (rowStarted && m_kisi->state() == dsInsert)
            m_kisi->cancel();
        finish();
        conversions.tell();
        throw;
    }
    workbook.close();
    finish();
    ui->LabelDURUM->setText(summary(rows));
    ShowBilgi(QStringLiteral("Excel den aktarım işlemi tamamlandı."));
    conversions.tell();
}
