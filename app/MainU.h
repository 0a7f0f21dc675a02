#pragma once

#include <QMainWindow>
#include <QString>
#include <exception>
#include <memory>

class QAction;
class QTimer;
class TDataSource;
class TDrawJournal;
class TField;
class TKisiRules;
class TMediaPlayer;
class TNumberDraw;
class TPersonDraw;
class TRxMemoryData;

namespace Ui {
class TMainF;
}

// The main window: header band, the pages "Çekiliş -1", "Çekiliş -2" and "Ayarlar", and the
// status bar. It owns the four tables for the whole run, reads "Ayar.Ini" and loads the table
// files when it is first shown, and writes the settings and "Memory.Ini" when it closes. The
// draws themselves live in TPersonDraw and TNumberDraw, which connect their pages' controls;
// the draw handlers here only forward to theirs, which run guarded.
class TMainF : public QMainWindow
{
    Q_OBJECT

public:
    explicit TMainF(QWidget* parent = nullptr);
    ~TMainF() override;

    Ui::TMainF* form() const { return ui.get(); }

    // The program folder followed by "Data/".
    QString DataDizini() const;
    void RxMemoryDataSaveToFile(TRxMemoryData* table, const QString& fileName);
    void RxMemoryDataLoadFromFile(TRxMemoryData* table, const QString& fileName);
    QString FUp2(const QString& text) const;
    QChar CharFUp2(QChar ch) const;

    // SpinEdit1 follows the number of prizes: its maximum becomes that number (the value is left
    // alone) and it is enabled only when there is more than one prize to choose from.
    void boundPrizeNumber();

    // Whether the settings have been read from, or written to, "Ayar.Ini" in this run.
    bool settingsRead() const { return m_settingsRead; }
    bool settingsSaved() const { return m_settingsSaved; }

    TRxMemoryData* Kisi_T;
    TRxMemoryData* Hediye_T;
    TRxMemoryData* Kzn_T;
    TRxMemoryData* Rx_T;
    TDataSource* Kisi_S;
    TDataSource* Hediye_S;
    TDataSource* Kzn_S;
    TDataSource* Rx_S;
    TField* Kisi_TADI;
    TField* Kisi_TIL_ILCE;
    TField* Hediye_THEDIYE;
    TField* Hediye_TRESIMYOLU;
    TField* Kzn_TADI;
    TField* Kzn_THEDIYE;
    TField* Rx_TBASLANGIC;
    TField* Rx_TBITIS;

    QTimer* Timer1;
    TMediaPlayer* MediaPlayer1;
    QAction* Kapat;
    // F11: full screen and back to the state the window had before.
    QAction* TamEkran;

public Q_SLOTS:
    void FormCreate();
    void FormShow();
    void FormResize();
    void KapatExecute();
    void TamEkranExecute();
    void ZvWinButton8Click();
    void AppEventsException(const std::exception* error);

    // Page "Çekiliş -1"
    void ZvWinButton6Click();
    void Timer1Timer();
    void ZvWinButton7Click();
    void ZvWinButton9Click();

    // Page "Çekiliş -2"
    void ZvWinButton1Click();
    void ZvWinButton2Click();
    void ZvWinButton3Click();
    void ZvWinButton4Click();

    // Page "Ayarlar"
    void ZvWinButton5Click();

public:
    // Record rule of the excluded ranges; it throws EAbort to refuse a row, so it is not guarded.
    void Rx_TBeforePost(TRxMemoryData& table);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Page Down, as a presenter remote sends it, that no focused control used.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createTables();
    void setUpLook();
    void setUpArtwork();
    void wireHandlers();
    void readSettings();
    void saveSettings();
    void FormClose();
    void placeTitleChecks();
    void loadTableIfPresent(TRxMemoryData* table, const QString& bareName);

    std::unique_ptr<Ui::TMainF> ui;
    std::unique_ptr<TKisiRules> kisiRules;
    std::unique_ptr<TDrawJournal> journal; // the run's draws on disk, in the data folder
    TPersonDraw* personDraw = nullptr;
    TNumberDraw* numberDraw = nullptr;
    bool m_shown = false;
    bool m_settingsRead = false;
    bool m_settingsSaved = false;
};
