#include "MainU.h"

#include "Artwork.h"
#include "AudienceScreen.h"
#include "Ayar1U.h"
#include "DBGrid.h"
#include "DataSource.h"
#include "DrawControls.h"
#include "DrawJournal.h"
#include "DrawStage.h"
#include "DrawTables.h"
#include "EveningLog.h"
#include "EveningRecord.h"
#include "EveningResume.h"
#include "EveningStatus.h"
#include "Globals.h"
#include "Guard.h"
#include "HeaderBand.h"
#include "Image.h"
#include "KapatAction.h"
#include "MainSettings.h"
#include "MediaPlayer.h"
#include "Messages.h"
#include "NumberDraw.h"
#include "PersonDraw.h"
#include "PixelFont.h"
#include "ProgramFolder.h"
#include "ProgramFolderLock.h"
#include "RxMemoryData.h"
#include "SaveFile.h"
#include "TableFiles.h"
#include "TurkishUpper.h"
#include "ZvEdit.h"
#include "ZvTop.h"
#include "ZvWinButton.h"
#include "ui_MainU.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

// Resources live in the app library; a static library needs its initialiser called by name.
static void initResources()
{
    Q_INIT_RESOURCE(cekilis);
}

namespace {
const QString settingsFile = QStringLiteral("Ayar.Ini");
} // namespace

TMainF::TMainF(QWidget* parent)
    : QMainWindow(parent), m_tables(new TDrawTables(this)), Kisi_T(m_tables->Kisi_T), Hediye_T(m_tables->Hediye_T),
      Kzn_T(m_tables->Kzn_T), Rx_T(m_tables->Rx_T), ui(std::make_unique<Ui::TMainF>())
{
    initResources();
    useProgramFonts();

    // The form font is set before the controls exist, so none of them is laid out twice.
    QFont formFont(QStringLiteral("MS Sans Serif"));
    formFont.setPointSize(8);
    formFont.setBold(true);
    setFont(formFont);

    ui->setupUi(this);
    setUpLook();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(10000);
    MediaPlayer1 = new TMediaPlayer(this);
    MediaPlayer1->setObjectName(QStringLiteral("MediaPlayer1"));
    Kapat = addKapatAction(this);
    addKeys();

    journal = std::make_unique<TDrawJournal>(dataFolder());
    eveningLog = std::make_unique<TEveningLog>(*journal);
    m_stage = new TDrawStage(this);
    TPersonDrawControls personControls =
        personDrawControls(*ui, this, Kisi_T, Hediye_T, Kzn_T, Timer1, MediaPlayer1, journal.get());
    personControls.Log = eveningLog.get();
    personControls.Stage = m_stage;
    personDraw = new TPersonDraw(personControls, this);
    TNumberDrawControls numberControls = numberDrawControls(*ui, this, Rx_T, journal.get());
    numberControls.Log = eveningLog.get();
    numberControls.Stage = m_stage;
    numberDraw = new TNumberDraw(numberControls, this);
    m_audience = new TAudienceScreen(
        *m_stage, ui->ZvWinButton10,
        {ui->ImageTOP1->pixmap(), ui->ImageTOP2->pixmap(), ui->ImageTOP3->pixmap(), ui->ImageTOP4->pixmap()}, this,
        m_tables, ui->SpinEdit1);
    eveningStatus = new TEveningStatus(*m_tables, ui->SpinEdit1, ui->StatusBar1, this);

    addStageHint();
    addNumberStatus();
    watchFrontRequests();
    connectGuarded(personDraw, &TPersonDraw::winnersSaved, this, [this](int count, const QString& file) {
        m_winnersSaved = count;
        tellSaved(QStringLiteral("%1 kazanan").arg(count), file);
    });
    connectGuarded(numberDraw, &TNumberDraw::numbersStarted, this, [this] { m_numbersSaved = false; });
    connectGuarded(numberDraw, &TNumberDraw::numbersSaved, this, [this](int count, const QString& file) {
        m_numbersSaved = true;
        tellSaved(QStringLiteral("%1 sayı").arg(count), file);
    });

    wireHandlers();
    FormCreate();
}

TMainF::~TMainF()
{
    // A window destroyed without a granted close still keeps what the operator set.
    if (m_settingsRead && !m_settingsSaved)
        guarded([this] { saveSettings(); });
    if (MainF == this)
    {
        MainF = nullptr;
        setAppExceptionHandler({});
    }
}

void TMainF::setUpLook()
{
    QPalette panel6 = ui->Panel6->palette();
    panel6.setColor(QPalette::Window, Qt::white);
    ui->Panel6->setPalette(panel6);
    ui->Panel6->installEventFilter(this);

    // Labels show prize names and counts as typed: "<b>TV</b>" is a name, not markup.
    const auto labels = findChildren<QLabel*>();
    for (QLabel* label : labels)
        label->setTextFormat(Qt::PlainText);
    ui->LabelHEDIYE->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 32, true));
    // A long prize name is cut at the edges rather than widening the whole window.
    ui->LabelHEDIYE->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    QPalette red = ui->LabelHEDIYE->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    ui->LabelHEDIYE->setPalette(red);
    ui->SpinEdit1->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 24, true));
    ui->Label7->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 24, true));
    ui->ZvWinButton6->setFont(pixelFont(QStringLiteral("Arial"), 16, true));
    TZvWinButton::applyFormSettingsTo(this);
    setUpArtwork();

    ui->ZVRXDBGrid2->setDataSource(m_tables->Kzn_S);
    ui->ZVRXDBGrid2->setReadOnly(true);
    ui->ZVRXDBGrid2->setColumns(gridColumns(TDrawTables::KznColumns));
    ui->ZVRXDBGrid1->setDataSource(m_tables->Rx_S);
    ui->ZVRXDBGrid1->setColumns(gridColumns(TDrawTables::RxColumns));
    QFont titles;
    titles.setPointSize(8);
    titles.setBold(true);
    ui->ZVRXDBGrid2->setTitleFont(titles);
    ui->ZVRXDBGrid1->setTitleFont(titles);
    ui->ZVRXDBGrid1->setTitleColor(QColor(0, 0, 128)); // navy

    for (TZvBtnEdit* edit : {ui->EditSES, ui->EditSES2})
        edit->ZvWinButton()->setToolTip(QStringLiteral("Ses Dosyası Bul"));

    // The die shows only while a number draw runs; its place is kept so nothing jumps then.
    QSizePolicy dice = ui->RxDice1->sizePolicy();
    dice.setRetainSizeWhenHidden(true);
    ui->RxDice1->setSizePolicy(dice);

    ui->PageControl1->tabBar()->setCursor(Qt::PointingHandCursor);
    const auto buttons = findChildren<TZvWinButton*>();
    for (TZvWinButton* b : buttons)
        b->setCursor(Qt::PointingHandCursor);

    // The two check boxes sit on their groups' title lines but are not inside the groups, so
    // that a disabled group never disables the box that enables it again.
    for (QWidget* w : {static_cast<QWidget*>(ui->CheckEFEKT), static_cast<QWidget*>(ui->CheckSES)})
    {
        w->setAutoFillBackground(true);
        w->raise();
    }
    ui->GroupEFEKT->installEventFilter(this);
    ui->GroupSES->installEventFilter(this);
    setTabOrder(ui->SpinCKSR, ui->CheckEFEKT);
    setTabOrder(ui->CheckEFEKT, ui->SpinHARF);
    setTabOrder(ui->SpinHARF, ui->CheckSES);
    setTabOrder(ui->CheckSES, ui->EditSES);
}

// Every picture of the window at the resolution of the screen it opens on.
void TMainF::setUpArtwork()
{
    const qreal ratio = devicePixelRatioF();
    QIcon icon(artwork(QStringLiteral("icon"), 1.0));
    icon.addPixmap(artwork(QStringLiteral("icon"), 2.0));
    setWindowIcon(icon);

    const struct
    {
        TImage* image;
        const char* name;
    } pictures[] = {
        {ui->Image3, "icon"},           {ui->Image69, "banner"},      {ui->ImageTOP1, "ball_gold"},
        {ui->ImageTOP2, "ball_yellow"}, {ui->ImageTOP3, "ball_blue"}, {ui->ImageTOP4, "ball_red"},
    };
    for (const auto& p : pictures)
        p.image->setPicture(artwork(QLatin1String(p.name), ratio));
    setUpHeaderBand(ui->Image2, ui->Image1, ui->Label4, "logo");

    const struct
    {
        TZvWinButton* button;
        const char* glyph;
    } glyphs[] = {
        {ui->ZvWinButton6, "glyph_start"},
        {ui->ZvWinButton7, "glyph_showall"},
        {ui->ZvWinButton9, "glyph_save"},
        {ui->ZvWinButton1, "glyph_dice"},
        {ui->ZvWinButton3, "glyph_count"},
        {ui->ZvWinButton4, "glyph_save"},
        {ui->ZvWinButton2, "glyph_reset"},
        {ui->ZvWinButton8, "glyph_defaults"},
        {ui->ZvWinButton5, "glyph_definitions"},
        {ui->EditSES->ZvWinButton(), "glyph_folder"},
        {ui->EditSES2->ZvWinButton(), "glyph_folder"},
    };
    for (const auto& g : glyphs)
        g.button->setGlpyh(artwork(QLatin1String(g.glyph), ratio));
}

void TMainF::wireHandlers()
{
    // Every handler runs inside the guard of its connection.
    auto click = [this](TZvWinButton* button, void (TMainF::*handler)()) {
        connectGuarded(button, &TZvWinButton::clicked, this, handler);
    };
    // The draws connect the buttons and controls of their own pages.
    click(ui->ZvWinButton5, &TMainF::ZvWinButton5Click);
    click(ui->ZvWinButton8, &TMainF::ZvWinButton8Click);
    click(ui->ZvWinButtonTUTANAK1, &TMainF::TutanakClick);
    click(ui->ZvWinButtonTUTANAK2, &TMainF::TutanakClick);
    connectGuarded(ui->EditETKINLIK, &QLineEdit::textChanged, this,
                   [this](const QString& name) { eveningLog->setEventName(name); });
    connectGuarded(Kapat, &QAction::triggered, this, &TMainF::KapatExecute);
    connectGuarded(TamEkran, &QAction::triggered, this, &TMainF::TamEkranExecute);
    connectGuarded(SeyirciEkrani, &QAction::triggered, m_audience, &TAudienceScreen::toggle);
    connectGuarded(PresentKey, &QAction::triggered, this, &TMainF::PresentKeyExecute);
    connectGuarded(StartKey, &QAction::triggered, this, &TMainF::StartKeyExecute);
    // Page Down belongs to the focused control on the other pages.
    connectGuarded(ui->PageControl1, &QTabWidget::currentChanged, this,
                   [this] { StartKey->setEnabled(ui->PageControl1->currentWidget() == ui->TabSheet1); });
}

// The keys of the window that act whatever control has the focus: a window shortcut comes
// before the focused control's own use of the key.
void TMainF::addKeys()
{
    const auto key = [this](const char* name, const QString& text, Qt::Key shortcut) {
        auto* action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(QKeySequence(shortcut));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        return action;
    };
    TamEkran = key("TamEkran", QStringLiteral("Tam Ekran"), Qt::Key_F11);
    PresentKey = key("PresentKey", QStringLiteral("Tam Ekran"), Qt::Key_F5);
    StartKey = key("StartKey", QStringLiteral("Çekilişe Başla"), Qt::Key_PageDown);
    SeyirciEkrani = key("SeyirciEkrani", QStringLiteral("Seyirci Ekranı"), Qt::Key_F12);
    // A held key repeats; a remote's press is one start, as one click is.
    StartKey->setAutoRepeat(false);
}

void TMainF::FormCreate()
{
    guarded([this] {
        MainF = this;
        setAppExceptionHandler([this](const std::exception* error) { AppEventsException(error); });
        // Opened centred at its design size, then at once maximised; restoring brings back the centre.
        resize(700, 595);
        if (QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        setWindowState(windowState() | Qt::WindowMaximized);
    });
}

void TMainF::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // A save killed half-way leaves its temporary file; only those of the program's files go.
    // An in-place write that a kill cut short is undone first.
    guarded([] {
        const QStringList files{settingsFile, QStringLiteral("Kisi.Ini"), QStringLiteral("Hediye.Ini"),
                                QStringLiteral("Memory.Ini")};
        const QStringList told = RestoreInterruptedInPlaceWrites(programFolder(), files);
        RemoveSaveFileLeftovers(programFolder(), files);
        if (!told.isEmpty())
            ShowBilgi(told.join(QLatin1Char('\n')));
    });
    guarded([this] { readSettings(); });
    guarded([this] { FormShow(); });
    guarded([this] {
        new TSettingsAutoSave(*this, programFolder() + settingsFile);
        offerToResumeEvening(dataFolder(), *journal, tables(), ui->SpinEdit1, numberDraw, eveningLog.get());
    });
    placeTitleChecks();
    FormResize();
}

void TMainF::FormShow()
{
    loadTableIfPresent(Rx_T, QStringLiteral("Memory.Ini"), MaxRangeRecords);
    loadTableIfPresent(Kisi_T, QStringLiteral("Kisi.Ini"), MaxParticipantRecords);
    loadTableIfPresent(Hediye_T, QStringLiteral("Hediye.Ini"), MaxPrizeRecords);
    boundPrizeNumber();
    if (!Kzn_T->isOpen())
        Kzn_T->open();
    Kzn_T->emptyTable();
    ui->PageControl1->setCurrentWidget(ui->TabSheet1);
    ui->LabelHEDIYE->setText(QString());
}

// Each table is loaded on its own: a damaged or refused "Memory.Ini" must not keep the
// participants and prizes from loading. A file there that cannot be read (also one that is
// not a regular file) is named to the operator, and the table keeps it from being saved over.
void TMainF::loadTableIfPresent(TRxMemoryData* table, const QString& bareName, int maxRecords)
{
    guarded([&] {
        if (!table->isOpen())
            table->open();
        table->emptyTable();
        const QString path = programFolder() + bareName;
        if (!QFileInfo::exists(path))
            return;
        try
        {
            if (const int refused = ::RxMemoryDataLoadFromFile(*table, path, maxRecords); refused > 1)
                ShowBilgi(RecordsSkippedText(path, refused));
        }
        catch (const EFileError&)
        {
            ShowBilgi(LoadFailedText(path));
        }
    });
}

void TMainF::boundPrizeNumber()
{
    const int prizes = Hediye_T->recordCount();
    ui->SpinEdit1->setMaximum(prizes);
    ui->SpinEdit1->setEnabled(prizes > 1);
}

void TMainF::readSettings()
{
    m_settingsRead = true;
    readMainSettings(*this, programFolder() + settingsFile);
    m_audience->readChoice(programFolder() + settingsFile);
}

void TMainF::saveSettings()
{
    m_settingsSaved = true;
    saveMainSettings(*this, programFolder() + settingsFile);
}

void TMainF::closeEvent(QCloseEvent* event)
{
    // The system ending its session is never kept waiting by a question.
#ifndef QT_NO_SESSIONMANAGER
    const bool systemEnding = qGuiApp->isSavingSession();
#else
    const bool systemEnding = false;
#endif
    bool agreed = systemEnding;
    if (!agreed)
        guarded([&] { agreed = closeAgreed(); });
    if (!agreed)
    {
        event->ignore();
        return;
    }
    if (m_settingsRead)
        guarded([this] { saveSettings(); });
    // A pending range refused by its rule keeps the window open, so no range is lost.
    if (guarded([this] { FormClose(); }))
    {
        event->accept();
        personDraw->cutShort();
        m_audience->close();
    }
    else
        event->ignore();
}

// A stray Esc, the close box or Alt+F4 must not end the show: with anything at stake the operator
// is asked, with "Hayır" the answer of Enter and Esc. The number draw disables the window; its
// close box must not hide a draw that keeps running.
bool TMainF::closeAgreed()
{
    if (!isEnabled() || numberDraw->isDrawing())
    {
        ui->StatusBar1->showMessage(closeRefusedText(), 10000);
        return false;
    }
    const QStringList stakes = closeStakes();
    return stakes.isEmpty() || AskSoruHayir(closeQuestionText(stakes)) == mrYes;
}

QStringList TMainF::closeStakes() const
{
    QStringList stakes;
    if (DrawRunning)
        stakes << QStringLiteral("Çekiliş sürüyor; kazananın adı yarıda kalır.");
    if (const int unsaved = Kzn_T->recordCount() - m_winnersSaved; unsaved > 0)
        stakes << QStringLiteral("%1 kazanan henüz kaydedilmedi.").arg(unsaved);
    if (!m_numbersSaved && !numberDraw->drawn().isEmpty())
        stakes << QStringLiteral("Çekilen %1 sayı henüz kaydedilmedi.").arg(numberDraw->drawn().size());
    if (m_audience->isOpen())
        stakes << QStringLiteral("Seyirci ekranı açık.");
    return stakes;
}

QString TMainF::closeQuestionText(const QStringList& stakes)
{
    return QStringLiteral("Çekilişten çıkılsın mı?\r\n") + stakes.join(QStringLiteral("\r\n"));
}

QString TMainF::closeRefusedText()
{
    return QStringLiteral("Sayı çekilişi sürüyor; program çekiliş bitince kapatılabilir.");
}

// One line on the empty stage of a first start saying where to begin; the audience never sees it.
void TMainF::addStageHint()
{
    stageHint = new QLabel(TPersonDraw::definitionsHint(), ui->PanelTOP);
    stageHint->setObjectName(QStringLiteral("LabelBASLA"));
    stageHint->setTextFormat(Qt::PlainText);
    stageHint->setAlignment(Qt::AlignCenter);
    stageHint->setWordWrap(true);
    stageHint->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 18, true));
    auto* layout = new QVBoxLayout(ui->PanelTOP);
    layout->addWidget(stageHint);
    for (TRxMemoryData* table : {Kisi_T, Hediye_T})
    {
        connectGuarded(table, &TRxMemoryData::dataSetChanged, this, &TMainF::followStageHint);
        connectGuarded(table, &TRxMemoryData::rowInserted, this, &TMainF::followStageHint);
        connectGuarded(table, &TRxMemoryData::rowRemoved, this, &TMainF::followStageHint);
        connectGuarded(table, &TRxMemoryData::recordChanged, this, &TMainF::followStageHint);
    }
    followStageHint();
}

void TMainF::followStageHint()
{
    const bool empty = Kisi_T->recordCount() == 0 || Hediye_T->recordCount() == 0;
    // A list emptied after a draw leaves no name of it under the hint.
    if (empty && !DrawRunning)
        TZvTop::clearPanel(ui->PanelTOP);
    stageHint->setVisible(empty);
}

// While "Çekiliş -2" is in front, the status bar shows the number draw's own figures.
void TMainF::addNumberStatus()
{
    numberStatus = new QLabel(ui->StatusBar1);
    numberStatus->setObjectName(QStringLiteral("NumberStatus"));
    numberStatus->setTextFormat(Qt::PlainText);
    numberStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ui->StatusBar1->addWidget(numberStatus, 1);
    const auto refresh = [this] { refreshNumberStatus(); };
    connectGuarded(ui->PageControl1, &QTabWidget::currentChanged, this, [this] {
        // A message of the page left behind ends with it.
        ui->StatusBar1->clearMessage();
        const bool numbersPage = ui->PageControl1->currentWidget() == ui->TabSheet2;
        numberStatus->setVisible(numbersPage);
        if (auto* evening = ui->StatusBar1->findChild<QLabel*>(QStringLiteral("EveningStatus")))
            evening->setVisible(!numbersPage);
    });
    connectGuarded(ui->SpinBSL, &TSpinEdit::valueChanged, this, refresh);
    connectGuarded(ui->SpinBTS, &TSpinEdit::valueChanged, this, refresh);
    connectGuarded(Rx_T, &TRxMemoryData::dataSetChanged, this, refresh);
    connectGuarded(Rx_T, &TRxMemoryData::rowInserted, this, refresh);
    connectGuarded(Rx_T, &TRxMemoryData::rowRemoved, this, refresh);
    connectGuarded(Rx_T, &TRxMemoryData::recordChanged, this, refresh);
    // Not per number: the draw's own caption counts as it goes, and a line changed with every pick
    // would lay the status bar out again each time.
    connectGuarded(numberDraw, &TNumberDraw::numbersStarted, this, refresh);
    connectGuarded(numberDraw, &TNumberDraw::numbersEnded, this, refresh);
    numberStatus->hide();
    refreshNumberStatus();
}

void TMainF::refreshNumberStatus()
{
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    numberStatus->setText(QStringLiteral("Aralık: %1 - %2 | Hariç tutulan aralık: %3 | Çekilen sayı: %4")
                              .arg(turkish.toString(ui->SpinBSL->value()), turkish.toString(ui->SpinBTS->value()),
                                   turkish.toString(Rx_T->recordCount()),
                                   turkish.toString(qlonglong(numberDraw->drawn().size()))));
}

// A second copy started in this folder asks for this window through a file beside the lock.
void TMainF::watchFrontRequests()
{
    auto* watcher = new QFileSystemWatcher(this);
    if (QDir(programFolder()).exists())
        watcher->addPath(programFolder());
    connectGuarded(watcher, &QFileSystemWatcher::directoryChanged, this, &TMainF::comeToFront);
}

void TMainF::comeToFront()
{
    const QString request = programFolder() + TProgramFolderLock::frontRequestName();
    if (!QFileInfo::exists(request))
        return;
    QFile::remove(request);
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TMainF::tellSaved(const QString& what, const QString& file)
{
    ui->StatusBar1->showMessage(QStringLiteral("%1 kaydedildi: %2").arg(what, QDir::toNativeSeparators(file)), 15000);
}

void TMainF::FormClose()
{
    // A range cell the close box left open is written into the row as it is stored.
    if (Rx_T->state() == dsEdit || Rx_T->state() == dsInsert)
        Rx_T->post();
    const QString path = programFolder() + QStringLiteral("Memory.Ini");
    try
    {
        RxMemoryDataSaveToFile(Rx_T, path);
    }
    catch (const EFileError&)
    {
        // The window still closes; the operator learns that the ranges were not kept.
        ShowBilgi(SaveFailedText(path));
    }
}

void TMainF::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TMainF::FormResize()
{
    guarded([this] { ui->Image69->move((ui->Panel6->width() - ui->Image69->width()) / 2, ui->Image69->y()); });
}

bool TMainF::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type == QEvent::Resize || type == QEvent::Move || type == QEvent::Show)
    {
        if (watched == ui->Panel6)
            FormResize();
        else if (watched == ui->GroupEFEKT || watched == ui->GroupSES)
            placeTitleChecks();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainF::placeTitleChecks()
{
    guarded([this] {
        const struct
        {
            QCheckBox* check;
            QGroupBox* group;
        } pairs[] = {{ui->CheckEFEKT, ui->GroupEFEKT}, {ui->CheckSES, ui->GroupSES}};
        for (const auto& p : pairs)
        {
            p.check->adjustSize();
            const int titleHeight = p.group->fontMetrics().height();
            p.check->move(p.group->x() + 8, p.group->y() + (titleHeight - p.check->height()) / 2);
            p.check->raise();
        }
    });
}

void TMainF::KapatExecute()
{
    // A remote's slideshow key sends Esc to end the presentation: the show goes on in a window.
    if (isFullScreen())
        TamEkranExecute();
    else
        close();
}

void TMainF::TamEkranExecute()
{
    // Only the full-screen flag flips: a maximised window comes back maximised, a normal one
    // at its old place and size.
    setWindowState(windowState() ^ Qt::WindowFullScreen);
}

void TMainF::PresentKeyExecute()
{
    if (!isFullScreen())
        TamEkranExecute();
}

void TMainF::StartKeyExecute()
{
    // The prize box and the winners grid never see the key: the prize number stays as it is.
    if (ui->PageControl1->currentWidget() == ui->TabSheet1 && ui->ZvWinButton6->isEnabled())
        personDraw->ZvWinButton6Click();
}

void TMainF::ZvWinButton8Click()
{
    ui->SpinCKSR->setValue(10);
    ui->SpinHARF->setValue(1);
    ui->CheckEFEKT->setChecked(true);
    ui->CheckSES->setChecked(false);
}

void TMainF::AppEventsException(const std::exception*)
{
    DrawRunning = false;
}

void TMainF::ZvWinButton6Click()
{
    personDraw->ZvWinButton6Click();
}

void TMainF::Timer1Timer()
{
    personDraw->Timer1Timer();
}

void TMainF::ZvWinButton7Click()
{
    personDraw->ZvWinButton7Click();
}

void TMainF::ZvWinButton9Click()
{
    personDraw->ZvWinButton9Click();
}

void TMainF::ZvWinButton1Click()
{
    numberDraw->ZvWinButton1Click();
}

void TMainF::ZvWinButton2Click()
{
    numberDraw->ZvWinButton2Click();
}

void TMainF::ZvWinButton3Click()
{
    numberDraw->ZvWinButton3Click(sender());
}

void TMainF::ZvWinButton4Click()
{
    numberDraw->ZvWinButton4Click();
}

void TMainF::ZvWinButton5Click()
{
    TAyar1F definitions(*m_tables, this);
    definitions.exec();
    boundPrizeNumber();
}

void TMainF::TutanakClick()
{
    showEveningRecord(this, journal->winnersFile());
}

QString TMainF::DataDizini() const
{
    return dataFolder();
}

void TMainF::RxMemoryDataSaveToFile(TRxMemoryData* table, const QString& fileName)
{
    ::RxMemoryDataSaveToFile(*table, fileName);
}

void TMainF::RxMemoryDataLoadFromFile(TRxMemoryData* table, const QString& fileName)
{
    ::RxMemoryDataLoadFromFile(*table, fileName);
}

QString TMainF::FUp2(const QString& text) const
{
    return ::FUp2(text);
}

QChar TMainF::CharFUp2(QChar ch) const
{
    return ::CharFUp2(ch);
}
