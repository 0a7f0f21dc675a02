#include "K_ExcelAktarU.h"

#include "Artwork.h"
#include "Codec1254.h"
#include "DrawTables.h"
#include "EAbort.h"
#include "FileDialogs.h"
#include "Guard.h"
#include "HeaderBand.h"
#include "KapatAction.h"
#include "KisiRules.h"
#include "Messages.h"
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
    SpreadsheetReader workbook;
    workbook.setWhileWaiting(&ImportHold::pump);
    try
    {
        workbook.open(fileName);
    }
    catch (const ESpreadsheetError& error)
    {
        // Nothing is imported; the window stays open so that another file can be named.
        qWarning("workbook refused: %s", error.what());
        finish();
        if (dynamic_cast<const ESpreadsheetDecoderMissing*>(&error))
            ShowBilgi(QStringLiteral("Excel dosyası okunamadı: dosyayı okuyacak işlem başlatılamadı. Hiçbir kayıt "
                                     "aktarılmadı; programı kapatıp yeniden açın."));
        else
            ShowBilgi(QStringLiteral("Excel dosyası okunamadı. Dosya bozuk, şifreli ya da desteklenmeyen bir "
                                     "biçimde olabilir."));
        return;
    }

    const int rows = workbook.usedRowCount();
    const bool withExtra = ui->CheckEKBILGI->isChecked();
    const int nameField = m_name->index();
    const int extraField = m_extra->index();
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    const QString ofRows = QStringLiteral(" / ") + turkish.toString(rows) + QStringLiteral(" satır");
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    Conversions conversions(workbook.format());
    TDuplicateBatch duplicates(*m_kisi);
    const int before = m_kisi->recordCount();
    const auto summary = [&](int read) {
        return QStringLiteral("%1 satır okundu: %2 kişi eklendi, %3 tekrar eden ad atlandı.")
            .arg(turkish.toString(read), turkish.toString(m_kisi->recordCount() - before),
                 turkish.toString(duplicates.removed()));
    };
    int row = 1;
    bool rowStarted = false;
    try
    {
        // Views stop following the table while rows are appended and catch up once at the end,
        // also when a row is refused half-way.
        TControlsSuspension suspended(*m_kisi);
        // Room for every row at once: the records and their name index then never grow on the way.
        m_kisi->reserve(before + rows);
        // Rows are read from row 1 wherever the used range starts; an empty name stops the
        // loop through the rule's silent abort, leaving that row unstored in the table.
        for (; row <= rows; ++row)
        {
            if ((row & 255) == 0 && sinceProgress.hasExpired(progressEveryMs))
            {
                ui->LabelDURUM->setText(QStringLiteral("Aktarılıyor: ") + turkish.toString(row) + ofRows);
                ImportHold::pump();
                sinceProgress.restart();
            }
            rowStarted = false;
            m_kisi->append(); // settles a row left open in the grid first
            rowStarted = true;
            conversions.rowStarted();
            const int stored = m_kisi->recordCount();
            m_kisi->setFieldBytes(nameField, conversions.name(workbook.cellText(row, 1)));
            if (withExtra)
                m_kisi->setFieldBytes(extraField, conversions.extra(workbook.cellText(row, 2)));
            m_kisi->post();
            if (m_kisi->recordCount() == stored)
                conversions.rowRefused();
        }
    }
    catch (const EAbort&)
    {
        finish();
        const QString stop =
            rowStarted ? QStringLiteral("%1. satırda ad boş olduğu için aktarım durdu; sonraki %2 satır okunmadı. ")
                             .arg(turkish.toString(row), turkish.toString(rows - row))
                       : QStringLiteral("Kişi listesinde adı girilmemiş bir kayıt beklediği için aktarım başlamadı. ");
        ui->LabelDURUM->setText(stop + summary(row - 1));
        conversions.tell();
        throw;
    }
    catch (...)
    {
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
