#include "Ayar1U.h"

#include "Artwork.h"
#include "DBNavigator.h"
#include "DataErrors.h"
#include "DataSource.h"
#include "DrawTables.h"
#include "FileDialogs.h"
#include "Guard.h"
#include "HeaderBand.h"
#include "K_ExcelAktarU.h"
#include "KapatAction.h"
#include "Messages.h"
#include "ProgramFolder.h"
#include "RxMemoryData.h"
#include "SaveFile.h"
#include "TableFiles.h"
#include "ZVRXDBGrid.h"
#include "ui_Ayar1U.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <span>

namespace {
// "Data/Kisi-2026-12-09_20-15-03.Ini": the table file's name with the time of the clearing; a
// second clearing in the same second gets "_2".
QString clearedCopyPath(const QString& bareName)
{
    const QFileInfo file(bareName);
    const QString stem = dataFolder() + file.completeBaseName() + QLatin1Char('-') +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    const QString ext = QLatin1Char('.') + file.suffix();
    QString path = stem + ext;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QStringLiteral("_%1").arg(n) + ext;
    return path;
}

const QString kisiFile = QStringLiteral("Kisi.Ini");
const QString hediyeFile = QStringLiteral("Hediye.Ini");

void setUpNavigator(TDBNavigator* navigator, TDataSource* source)
{
    navigator->setDataSource(source);
    navigator->setVisibleButtons(TDBNavigator::AllButtons & ~TDBNavigator::buttonBit(TDBNavigator::nbEdit) &
                                 ~TDBNavigator::buttonBit(TDBNavigator::nbRefresh));
    navigator->setHints({QStringLiteral("İlk kayıt (Ctrl+PgUp)"), QStringLiteral("Önceki kayıt (PgUp)"),
                         QStringLiteral("Sonraki kayıt (PgDn)"), QStringLiteral("Son kayıt (Ctrl+PgDn)"),
                         QStringLiteral("Yeni kayıt ekle (Ctrl+F2)"), QStringLiteral("Kaydı sil (Ctrl+F3)"),
                         QStringLiteral("Kayıtta düzeltme yap"), QStringLiteral("Kaydet (Alt+F2)"),
                         QStringLiteral("Değişiklikleri iptal et (F3)"), QStringLiteral("Kaydı yenile")});
    // A participant's deletion asks through the table's own rule; the navigator asks nothing.
    navigator->setConfirmDelete(false);
}
} // namespace

TAyar1F::TAyar1F(TDrawTables& tables, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TAyar1F>()), m_tables(tables)
{
    ui->setupUi(this);
    m_tables.setDefinitionsOpen(true);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setUpHeaderBand(ui->Image2, ui->Image1, ui->Label1);
    TZvWinButton::applyFormSettingsTo(this);
    const QPixmap clear = artwork(QStringLiteral("glyph_reset"), devicePixelRatioF());
    ui->ZvWinButton5->setGlpyh(clear);
    ui->ZvWinButton1->setGlpyh(clear);
    ui->ZvWinButton2->setGlpyh(artwork(QStringLiteral("glyph_folder"), devicePixelRatioF()));
    setUpGrids();

    Kapat = addKapatAction(this);
    connectGuarded(Kapat, &QAction::triggered, this, &TAyar1F::KapatExecute);
    connectGuarded(ui->ZvWinButton5, &TZvWinButton::clicked, this, &TAyar1F::ZvWinButton5Click);
    connectGuarded(ui->ZvWinButton1, &TZvWinButton::clicked, this, &TAyar1F::ZvWinButton1Click);
    connectGuarded(ui->ZvWinButton2, &TZvWinButton::clicked, this, &TAyar1F::ZvWinButton2Click);
    connectGuarded(ui->ZVRXDBGrid2, &TDBGrid::OnEditButtonClick, this, &TAyar1F::ZVRXDBGrid2EditButtonClick);

    QPalette red = ui->LabelRESIMYOK->palette();
    red.setColor(QPalette::WindowText, QColor(192, 0, 0));
    ui->LabelRESIMYOK->setPalette(red);
    // Checked once after a burst of changes (a typed path changes the row at every key).
    m_pictureCheck = new QTimer(this);
    m_pictureCheck->setSingleShot(true);
    m_pictureCheck->setInterval(0);
    connectGuarded(m_pictureCheck, &QTimer::timeout, this, &TAyar1F::showMissingPictures);
    const auto check = [this] { m_pictureCheck->start(); };
    TDataSource* prizes = m_tables.Hediye_S;
    connect(prizes, &TDataSource::dataSetChanged, m_pictureCheck, check);
    connect(prizes, &TDataSource::rowInserted, m_pictureCheck, check);
    connect(prizes, &TDataSource::rowRemoved, m_pictureCheck, check);
    connect(prizes, &TDataSource::recordChanged, m_pictureCheck, check);
    showMissingPictures();
}

TAyar1F::~TAyar1F()
{
    m_tables.setDefinitionsOpen(false);
}

void TAyar1F::setUpGrids()
{
    const struct
    {
        TDBGrid* grid;
        TDataSource* source;
        std::span<const TColumnLayout> columns;
    } grids[] = {{ui->ZVRXDBGrid1, m_tables.Kisi_S, TDrawTables::KisiColumns},
                 {ui->ZVRXDBGrid2, m_tables.Hediye_S, TDrawTables::HediyeColumns}};
    for (const auto& g : grids)
    {
        g.grid->setDataSource(g.source);
        g.grid->setColumns(gridColumns(g.columns));
    }
    // Bold 8-point titles; the family follows the window's font.
    QFont titles;
    titles.setPointSize(8);
    titles.setBold(true);
    ui->ZVRXDBGrid1->setTitleFont(titles);
    ui->ZVRXDBGrid2->setTitleFont(titles);
    setUpNavigator(ui->BiDiDBNavigator1, m_tables.Kisi_S);
    setUpNavigator(ui->BiDiDBNavigator2, m_tables.Hediye_S);
}

QString TAyar1F::pictureFilter()
{
    return QStringLiteral("Resim Dosyaları|*.BMP;*.JPG;*.JPEG;*.GIF");
}

void TAyar1F::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TAyar1F::FormShow()
{
    guarded([this] {
        // The title bar carries the caption of the window it was opened from.
        if (parentWidget())
            setWindowTitle(parentWidget()->window()->windowTitle());
        if (QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    });
}

void TAyar1F::showMissingPictures()
{
    constexpr int named = 5;
    const TRxMemoryData* table = m_tables.Hediye_T;
    const int nameField = m_tables.Hediye_THEDIYE->index();
    const int pathField = m_tables.Hediye_TRESIMYOLU->index();
    QStringList missing;
    int more = 0;
    for (int row = 0; table->isOpen() && row < table->rowCount(); ++row)
    {
        // A prize without a picture shows none; only a path that names no file is a mistake.
        const QString path = table->textAt(row, pathField);
        if (path.isEmpty() || QFileInfo(path).isFile())
            continue;
        if (missing.size() == named)
        {
            ++more;
            continue;
        }
        const QString name = table->textAt(row, nameField);
        missing << (name.isEmpty() ? QString() : name + QLatin1Char(' ')) + QStringLiteral("(%1. satır)").arg(row + 1);
    }
    if (more > 0)
        missing.last() += QStringLiteral(" ve %1 hediye daha").arg(more);
    ui->LabelRESIMYOK->setText(missing.isEmpty() ? QString()
                                                 : QStringLiteral("Resim dosyası bulunamayan hediyeler: ") +
                                                       missing.join(QStringLiteral(", ")));
    ui->LabelRESIMYOK->setVisible(!missing.isEmpty());
}

void TAyar1F::clearAll(TRxMemoryData* table, const QString& question, const QString& bareName)
{
    // "Evet" empties a whole list: a stray Enter must not.
    if (AskSoruHayir(question) != mrYes)
        return;
    const QString file = programFolder() + bareName;
    QString keptAt;
    if (table->rowCount() > 0 || table->loadFailed())
    {
        // The records go to a table file in Data/ first, so that a clearing by mistake can be put
        // back by hand. Writing it settles the pending record, as the emptying would. A list whose
        // file could not be read is kept as that file, byte for byte.
        const QString copy = clearedCopyPath(bareName);
        bool kept = false;
        try
        {
            QDir().mkpath(dataFolder());
            kept = RxMemoryDataSaveToFile(*table, copy) || !QFileInfo(file).isFile() || QFile::copy(file, copy);
        }
        catch (const EFileError&)
        {}
        if (!kept && AskSoru(QStringLiteral("Silinecek kayıtların kopyası yazılamadı:\r\n%1\r\nKayıtlar yine de "
                                            "silinsin mi?")
                                 .arg(QDir::toNativeSeparators(copy))) != mrYes)
            return;
        if (kept)
            keptAt = copy;
    }
    // The emptying settles the pending record first, with what is typed into an open cell.
    table->emptyTable();
    QFile::remove(file);
    if (!keptAt.isEmpty())
        ShowBilgi(clearedCopyText(keptAt));
}

QString TAyar1F::clearedCopyText(const QString& copy)
{
    return QStringLiteral("Silinen kayıtların kopyası \"Data\" klasöründe \"%1\" dosyasında saklandı:\r\n%2")
        .arg(QFileInfo(copy).fileName(), QDir::toNativeSeparators(copy));
}

void TAyar1F::ZvWinButton5Click()
{
    clearAll(m_tables.Kisi_T, QStringLiteral("Dikkat : Tüm kişi kayıtları silinecektir."), kisiFile);
}

void TAyar1F::ZvWinButton1Click()
{
    clearAll(m_tables.Hediye_T, QStringLiteral("Dikkat : Tüm hediye kayıtları silinecektir."), hediyeFile);
}

void TAyar1F::ZVRXDBGrid2EditButtonClick()
{
    TField* field = ui->ZVRXDBGrid2->SelectedField();
    if (!field || field->fieldName().compare(QLatin1String("RESIMYOLU"), Qt::CaseInsensitive) != 0)
        return;
    const QString chosen = getOpenFileName(this, QStringLiteral("Resmi seçiniz"), QString(), pictureFilter());
    if (chosen.isEmpty() || !checkStorablePath(chosen))
        return;
    TRxMemoryData* table = m_tables.Hediye_T;
    if (table->state() != dsEdit && table->state() != dsInsert)
        table->edit(); // on an empty table this starts a new row
    // The field keeps the first 100 characters of a longer path.
    table->setFieldString(QStringLiteral("RESIMYOLU"), chosen);
}

void TAyar1F::ZvWinButton2Click()
{
    TK_ExcelAktarF importWindow(m_tables, this);
    importWindow.exec();
}

void TAyar1F::KapatExecute()
{
    close();
}

bool TAyar1F::FormClose()
{
    QStringList failed;
    for (const auto& [table, bareName] :
         {std::pair{m_tables.Kisi_T, kisiFile}, std::pair{m_tables.Hediye_T, hediyeFile}})
    {
        if (!table->isOpen())
            continue;
        const QString path = programFolder() + bareName;
        try
        {
            // The pending row, open cell included, is settled through the table's rules before
            // its file is touched; a refused row aborts the close here, leaving this file and
            // the next as they were.
            RxMemoryDataSaveToFile(*table, path);
        }
        catch (const EAbort&)
        {
            return false;
        }
        catch (const EFileError&)
        {
            // One file that cannot be written does not keep the other from being written.
            failed << SaveFailedText(path);
        }
        catch (const std::exception& error)
        {
            reportAppException(&error);
        }
        catch (...)
        {
            reportAppException(nullptr);
        }
    }
    if (failed.isEmpty() || m_writeFailed)
    {
        // A second failing attempt closes rather than trapping the user in the window.
        m_writeFailed = false;
        return true;
    }
    m_writeFailed = true;
    ShowBilgi(failed.join(QLatin1Char('\n')) +
              QStringLiteral("\n\nPencere yeniden kapatılırsa yazılamayan değişiklikler kaydedilmeden kapanacaktır."));
    return false;
}

void TAyar1F::closeEvent(QCloseEvent* event)
{
    if (!FormClose())
    {
        event->ignore();
        return;
    }
    m_closing = true;
    QDialog::closeEvent(event);
    m_closing = false;
}

void TAyar1F::reject()
{
    // Every way out (Esc in a child, the close box, Kapat) goes through the close event, so
    // the tables are written.
    if (m_closing)
        QDialog::reject();
    else
        close();
}
