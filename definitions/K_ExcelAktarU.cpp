#include "K_ExcelAktarU.h"

#include "Artwork.h"
#include "FileDialogs.h"
#include "Guard.h"
#include "HeaderBand.h"
#include "KapatAction.h"
#include "Messages.h"
#include "RxMemoryData.h"
#include "SpreadsheetReader.h"
#include "ui_K_ExcelAktarU.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

TK_ExcelAktarF::TK_ExcelAktarF(TRxMemoryData* kisiTable, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TK_ExcelAktarF>()), m_kisi(kisiTable)
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
    connect(Kapat, &QAction::triggered, this, &TK_ExcelAktarF::KapatExecute);
    connect(ui->ZvWinButton1, &TZvWinButton::clicked, this, &TK_ExcelAktarF::ZvWinButton1Click);
    connect(ui->FilenameEdit1, &TZvBtnEdit::OnBtnClick, this, &TK_ExcelAktarF::FilenameEdit1ButtonClick);
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
    guarded([this] {
        const QString current = fileNameOf(ui->FilenameEdit1->text());
        const QString chosen = getOpenFileName(
            this, QString(), current.isEmpty() ? QString() : QFileInfo(current).absolutePath(), browseFilter());
        if (chosen.isEmpty())
            return;
        // A path with blanks goes into the box in double quotes, as a command line would take it.
        ui->FilenameEdit1->setText(chosen.contains(QLatin1Char(' ')) ? QLatin1Char('"') + chosen + QLatin1Char('"')
                                                                     : chosen);
    });
}

void TK_ExcelAktarF::KapatExecute()
{
    guarded([this] { close(); });
}

void TK_ExcelAktarF::ZvWinButton1Click()
{
    guarded([this] { importRows(); });
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

    SpreadsheetReader workbook;
    try
    {
        workbook.open(fileName);
    }
    catch (const ESpreadsheetError& error)
    {
        // Nothing is imported; the window stays open so that another file can be named.
        qWarning("workbook refused: %s", error.what());
        ShowBilgi(QStringLiteral("Excel dosyası okunamadı. Dosya bozuk, şifreli ya da desteklenmeyen bir "
                                 "biçimde olabilir."));
        return;
    }

    const int rows = workbook.usedRowCount();
    const bool withExtra = ui->CheckEKBILGI->isChecked();
    const int nameField = m_kisi->fieldIndex(QStringLiteral("ADI"));
    const int extraField = m_kisi->fieldIndex(QStringLiteral("IL_ILCE"));
    {
        // Views stop following the table while rows are appended and catch up once at the end,
        // also when a row is refused half-way.
        TControlsSuspension suspended(*m_kisi);
        // Rows are read from row 1 wherever the used range starts; an empty name stops the
        // loop through the rule's silent abort, leaving that row unstored in the table.
        for (int row = 1; row <= rows; ++row)
        {
            m_kisi->append();
            m_kisi->setFieldString(nameField, workbook.cellText(row, 1));
            if (withExtra)
                m_kisi->setFieldString(extraField, workbook.cellText(row, 2));
            m_kisi->post();
        }
    }
    workbook.close();
    ShowBilgi(QStringLiteral("Excel den aktarım işlemi tamamlandı."));
}
