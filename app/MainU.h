#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <exception>
#include <memory>

class QAction;
class QLabel;
class QTimer;
class TAudienceScreen;
class TDrawStage;
class TDrawJournal;
class TDrawTables;
class TEveningLog;
class TEveningStatus;
class TMediaPlayer;
class TNumberDraw;
class TPersonDraw;
class TRxMemoryData;

namespace Ui {
class TMainF;
}

// The main window: header band, the pages "Çekiliş -1", "Çekiliş -2" and "Ayarlar", and the
// status bar. It owns the set of tables for the whole run, reads "Ayar.Ini" and loads the table
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

    TDrawTables& tables() const { return *m_tables; }

    // What a close would lose now, one line each ("2 kazanan henüz kaydedilmedi"); empty when
    // nothing is at stake and the window closes without a question.
    QStringList closeStakes() const;
    static QString closeQuestionText(const QStringList& stakes);
    // The line on the status bar when a close is refused because a number draw runs.
    static QString closeRefusedText();

private:
    TDrawTables* const m_tables;

public:
    // The tables of the set, under their design names.
    TRxMemoryData* const Kisi_T;
    TRxMemoryData* const Hediye_T;
    TRxMemoryData* const Kzn_T;
    TRxMemoryData* const Rx_T;

    QTimer* Timer1;
    TMediaPlayer* MediaPlayer1;
    // Esc: closes the window, or first leaves full screen.
    QAction* Kapat;
    // F11: full screen and back to the state the window had before.
    QAction* TamEkran;
    // F5, a remote's slideshow key: full screen (Esc, its other half, leaves it).
    QAction* PresentKey;
    // Page Down, a remote's "next": "Çekilişe Başla" on "Çekiliş -1", whatever has the focus.
    QAction* StartKey;
    // F12, as the button "Seyirci Ekranı": opens or closes the audience's screen.
    QAction* SeyirciEkrani;

    TAudienceScreen* audience() const { return m_audience; }
    // What the stage shows, for every view of it; there whether or not the audience's screen is open.
    const TDrawStage& stage() const { return *m_stage; }

    // Buttons and actions reach these through connectGuarded; the draws connect their own page.
    // For a caller outside a signal (tests) the draw handlers, FormCreate and FormResize guard
    // their bodies themselves.
public Q_SLOTS:
    void FormCreate();
    void FormShow();
    void FormResize();
    void KapatExecute();
    void TamEkranExecute();
    void PresentKeyExecute();
    void StartKeyExecute();
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

    // "Tutanak" on both draw pages: the record of this evening, for printing and saving.
    void TutanakClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUpLook();
    void setUpArtwork();
    void wireHandlers();
    void addKeys();
    void readSettings();
    void saveSettings();
    void FormClose();
    void placeTitleChecks();
    void loadTableIfPresent(TRxMemoryData* table, const QString& bareName, int maxRecords);
    bool closeAgreed();
    void tellSaved(const QString& what, const QString& file);
    void addStageHint();
    void followStageHint();
    void addNumberStatus();
    void refreshNumberStatus();
    void watchFrontRequests();
    void comeToFront();

    std::unique_ptr<Ui::TMainF> ui;
    std::unique_ptr<TDrawJournal> journal;   // the run's draws on disk, in the data folder
    std::unique_ptr<TEveningLog> eveningLog; // what the evening's record needs beside the journal
    TPersonDraw* personDraw = nullptr;
    TNumberDraw* numberDraw = nullptr;
    TDrawStage* m_stage = nullptr;
    TAudienceScreen* m_audience = nullptr;
    TEveningStatus* eveningStatus = nullptr;
    bool m_shown = false;
    bool m_settingsRead = false;
    bool m_settingsSaved = false;
    QLabel* stageHint = nullptr;    // on the empty stage: where participants and prizes are entered
    QLabel* numberStatus = nullptr; // the status line while "Çekiliş -2" is in front
    int m_winnersSaved = 0;         // winners the last "Kaydet" wrote; those after them are unsaved
    bool m_numbersSaved = false;    // the last number draw's numbers were written with "Kaydet"
};
