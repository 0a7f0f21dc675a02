#include "K_ExcelAktarU.h"

#include "Artwork.h"
#include "Codec1254.h"
#include "DrawTables.h"
#include "FileDialogs.h"
#include "Guard.h"
#include "HeaderBand.h"
#include "KapatAction.h"
#include "Messages.h"
#include "RxMemoryData.h"
#include "SpreadsheetReader.h"
#include "ui_K_ExcelAktarU.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QScopeGuard>
#include <QScreen>
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

// Counts the texts that had to be stored with other letters than they came with.
struct Conversions
{
    int names = 0;
    int extras = 0;
    int unknown = 0; // texts holding a character without any near letter ('?')
    QString exampleFrom;
    QString exampleTo;

    QByteArray convert(const QString& text, int& count)
    {
        bool changed = false;
        QByteArray bytes = Cp1254::fromUnicodeNearest(text, &changed);
        if (!changed)
            return bytes;
        ++count;
        if (bytes.count('?') > text.count(QLatin1Char('?')))
            ++unknown;
        else if (exampleFrom.isEmpty())
            exampleFrom = text, exampleTo = Cp1254::toUnicode(bytes);
        return bytes;
    }

    void tell() const
    {
        if (names == 0 && extras == 0)
            return;
        QStringList where;
        if (names > 0)
            where << QStringLiteral("%1 adda").arg(names);
        if (extras > 0)
            where << QStringLiteral("%1 ek bilgide").arg(extras);
        QString text = QStringLiteral("Excel dosyasındaki ") + where.join(QStringLiteral(" ve ")) +
                       QStringLiteral(" programın saklayamadığı harfler vardı; bunlar en yakın harflerle değiştirildi");
        if (!exampleFrom.isEmpty())
            text += QStringLiteral(" (örneğin \"%1\" yerine \"%2\")").arg(exampleFrom, exampleTo);
        text += QLatin1Char('.');
        if (unknown > 0)
            text += QStringLiteral("\r\nKarşılığı olmayan harfler \"?\" olarak aktarıldı (%1 kayıt).").arg(unknown);
        ShowBilgi(text);
    }
};

constexpr qint64 progressEveryMs = 100;
} // namespace

TK_ExcelAktarF::TK_ExcelAktarF(TDrawTables& tables, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TK_ExcelAktarF>()), m_kisi(tables.Kisi_T)
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
    return QStringLiteral("Excel Dosyaları|*.XLS|Excel 2007 Dosyaları|*.XLSX|OpenDocument Hesap Tabloları|*.ODS|"
                          "CSV Dosyaları|*.CSV");
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
    const auto finish = [&] {
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
    const int nameField = m_kisi->fieldIndex(QStringLiteral("ADI"));
    const int extraField = m_kisi->fieldIndex(QStringLiteral("IL_ILCE"));
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    const QString ofRows = QStringLiteral(" / ") + turkish.toString(rows) + QStringLiteral(" satır");
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    Conversions conversions;
    try
    {
        // Views stop following the table while rows are appended and catch up once at the end,
        // also when a row is refused half-way.
        TControlsSuspension suspended(*m_kisi);
        // Rows are read from row 1 wherever the used range starts; an empty name stops the
        // loop through the rule's silent abort, leaving that row unstored in the table.
        for (int row = 1; row <= rows; ++row)
        {
            if ((row & 255) == 0 && sinceProgress.hasExpired(progressEveryMs))
            {
                ui->LabelDURUM->setText(QStringLiteral("Aktarılıyor: ") + turkish.toString(row) + ofRows);
                ImportHold::pump();
                sinceProgress.restart();
            }
            m_kisi->append();
            m_kisi->setFieldBytes(nameField, conversions.convert(workbook.cellText(row, 1), conversions.names));
            if (withExtra)
                m_kisi->setFieldBytes(extraField, conversions.convert(workbook.cellText(row, 2), conversions.extras));
            m_kisi->post();
        }
    }
    catch (...)
    {
        finish();
        conversions.tell();
        throw;
    }
    workbook.close();
    finish();
    ShowBilgi(QStringLiteral("Excel den aktarım işlemi tamamlandı."));
    conversions.tell();
}
