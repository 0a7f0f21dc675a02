#include "PersonDraw.h"

#include "Clock.h"
#include "Codec1254.h"
#include "DataErrors.h"
#include "DrawJournal.h"
#include "DrawStage.h"
#include "EveningLog.h"
#include "FileDialogs.h"
#include "Globals.h"
#include "Guard.h"
#include "LetterRow.h"
#include "MediaPlayer.h"
#include "Messages.h"
#include "PictureLoader.h"
#include "ProgramFolder.h"
#include "RxMemoryData.h"
#include "SaveFile.h"
#include "TurkishUpper.h"
#include "controls/Image.h"
#include "controls/RadioGroup.h"
#include "controls/SpinEdit.h"
#include "controls/ZvEdit.h"
#include "controls/ZvWinButton.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace {
const QLatin1String ADI("ADI");
const QLatin1String IL_ILCE("IL_ILCE");
const QLatin1String HEDIYE("HEDIYE");
const QLatin1String RESIMYOLU("RESIMYOLU");

void pumpEvents()
{
    QCoreApplication::processEvents();
}

bool isBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

// seconds x 1000 div divisor, kept inside what a timer or a sleep can take (and never negative).
int milliseconds(int seconds, int divisor)
{
    const qint64 ms = qint64(seconds) * 1000 / divisor;
    return int(std::clamp<qint64>(ms, 0, std::numeric_limits<int>::max()));
}

bool hasVisibleText(const QByteArray& text)
{
    for (char c : text)
    {
        if (!isBlankOrControl(c))
            return true;
    }
    return false;
}
} // namespace

TPersonDraw::TPersonDraw(const TPersonDrawControls& controls, QObject* parent) : QObject(parent), c(controls)
{
    connectGuarded(c.ZvWinButton6, &TZvWinButton::clicked, this, &TPersonDraw::start);
    connectGuarded(c.ZvWinButton7, &TZvWinButton::clicked, this, &TPersonDraw::showAllNow);
    connectGuarded(c.ZvWinButton9, &TZvWinButton::clicked, this, &TPersonDraw::saveWinners);
    connectGuarded(c.Timer1, &QTimer::timeout, this, &TPersonDraw::reveal);
    // A check box is followed whenever its state changes, also when the program sets it.
    for (QCheckBox* box : {c.CheckEFEKT, c.CheckEKBILGI, c.CheckSES})
        connectGuarded(box, &QAbstractButton::toggled, this, &TPersonDraw::followChecks);
    for (TZvBtnEdit* edit : {c.EditSES, c.EditSES2})
        connectGuarded(edit, &TZvBtnEdit::OnBtnClick, this, &TPersonDraw::pickSound);
    if (c.MediaPlayer1)
        connectGuarded(c.MediaPlayer1, &TMediaPlayer::OnNotify, this, &TPersonDraw::soundCompleted);
    followChecks();
}

TPersonDraw::~TPersonDraw() = default;

QString TPersonDraw::noCandidatesText()
{
    return QStringLiteral("Çekilişe katılacak kişi kalmadı.");
}

QString TPersonDraw::definitionsHint()
{
    return QStringLiteral("Kişileri ve hediyeleri girmek için \"Ayarlar\" sayfasındaki \"Kişi Tanımları - Hediye "
                          "Tanımları\" düğmesine basınız.");
}

void TPersonDraw::ZvWinButton6Click()
{
    guarded([this] { start(); });
}

void TPersonDraw::Timer1Timer()
{
    guarded([this] { reveal(); });
}

void TPersonDraw::ZvWinButton7Click()
{
    guarded([this] { showAllNow(); });
}

void TPersonDraw::ZvWinButton9Click()
{
    guarded([this] { saveWinners(); });
}

void TPersonDraw::EditSESBtnClick(TZvBtnEdit* sender)
{
    guarded([&] { pickSound(sender); });
}

void TPersonDraw::MediaPlayer1Notify()
{
    guarded([this] { soundCompleted(); });
}

void TPersonDraw::start()
{
    if (DrawRunning)
        return;
    if (c.Kisi_T->recordCount() == 0)
    {
        ShowBilgi(QStringLiteral("Kişi kaydı girilmemiş...\r\n") + definitionsHint());
        return;
    }
    if (c.Hediye_T->recordCount() == 0)
    {
        ShowBilgi(QStringLiteral("Hediye kaydı girilmemiş...\r\n") + definitionsHint());
        return;
    }
    // Refused only when nobody can win: winners the list no longer holds take nobody's place.
    if (countEligible(*c.Kisi_T, c.Kisi_T->fieldIndex(ADI), *c.Kzn_T, c.Kzn_T->fieldIndex(ADI)) <= 0)
    {
        ShowBilgi(QStringLiteral("Tüm kişi kayıtlarına hediye verilmiş..."));
        return;
    }
    const bool pastComplete = c.Kzn_T->recordCount() >= c.Hediye_T->recordCount();
    if (pastComplete &&
        AskSoru(QStringLiteral("Dikkat : Çekiliş tamamlanmış. Yinede devam etmek istiyor musunuz?")) != mrYes)
        return;
    if (c.Log)
        c.Log->drawStarting(programFolder() + QStringLiteral("Kisi.Ini"), c.Kisi_T->recordCount(),
                            c.Hediye_T->recordCount(), pastComplete, c.Kzn_T->recordCount() + 1);

    // Silences an end-of-draw sound still playing from the previous draw.
    closePlayer();
    pumpEvents();
    DrawRunning = true;
    m_cutShort = false;
    startDrawSound();

    const int prizes = c.Hediye_T->recordCount();
    const int wanted = c.SpinEdit1->value();
    c.Hediye_T->moveTo(wanted >= 1 && wanted <= prizes ? wanted - 1 : prizes - 1);
    c.LabelHEDIYE->setText(c.Hediye_T->fieldAsString(HEDIYE));
    showPrizePicture(c.Hediye_T->fieldAsString(RESIMYOLU));

    TZvTop::clearPanel(c.PanelTOP);
    if (c.Stage)
        c.Stage->showPrize(c.LabelHEDIYE->text(), c.ImageRES->pixmap(), c.ImageRES->Stretch());
    if (c.CheckEFEKT->isChecked())
    {
        // A start nested in another start's pump may have left an animation behind.
        delete activeAnimation.data();
        activeAnimation = new TZvTopAnimate(c.Owner, c.PanelTOP, c.ImageTOP, c.Stage);
        activeAnimation->setActive(true);
    }
    // Read as the box will hold it: a stray keystroke in a box that still has the focus must
    // not stretch the wait to hours.
    c.Timer1->setInterval(milliseconds(c.SpinCKSR->boundedValue(), 1));
    c.Timer1->start();
}

void TPersonDraw::showPrizePicture(const QString& path)
{
    // A prize without a picture of its own shows none, never the previous prize's picture.
    if (path.isEmpty() || !QFileInfo(path).isFile())
    {
        c.ImageRES->clear();
        return;
    }
    const bool stretch = c.RadioRESIM->ItemIndex() == 1;
    c.ImageRES->setCenter(true);
    c.ImageRES->setProportional(true);
    c.ImageRES->setStretch(stretch);
    const QImage picture = loadPicture(path);
    if (picture.isNull())
        c.ImageRES->clear();
    else
        c.ImageRES->setPicture(picture);
}

void TPersonDraw::removeAnimation()
{
    if (!activeAnimation)
        return;
    activeAnimation->setActive(false);
    delete activeAnimation.data();
    activeAnimation = nullptr;
    c.PanelTOP->repaint();
}

void TPersonDraw::reveal()
{
    // The timer is off by now: a reveal stopped by a refusal (a participant edit that cannot be
    // stored) would otherwise leave the start button dead until the program is restarted.
    try
    {
        c.Timer1->stop();

        TRxMemoryData& kisi = *c.Kisi_T;
        TRxMemoryData& kzn = *c.Kzn_T;
        // Going to the first participant settles a participant being edited, what is typed in
        // an open cell included, so the pick below counts and reads stored records only.
        kisi.first();
        const int kisiAdi = kisi.fieldIndex(ADI);
        const int kznAdi = kzn.fieldIndex(ADI);
        const int position = winnerPick.pick(
            kisi.recordCount(), [&kisi, kisiAdi](int row) { return kisi.bytesAt(row, kisiAdi); }, kzn.recordCount(),
            [&kzn, kznAdi](int row) { return kzn.bytesAt(row, kznAdi); });
        if (position < 0)
        {
            endWithoutCandidates();
            return;
        }
        kisi.moveTo(position);
        const QByteArray name = kisi.fieldAsBytes(ADI);
        const QByteArray extra = kisi.fieldAsBytes(IL_ILCE);
        QByteArray text = name;
        if (c.CheckEKBILGI->isChecked() && hasVisibleText(extra))
            text += " - " + extra;
        // The winner is on the disk before the first letter shows, so a crash at any moment of
        // the reveal keeps what the audience was reading; a journal that cannot be written is
        // told about once the winner is shown.
        if (c.Journal)
            c.Journal->appendWinner(name,
                                    Cp1254::fromUnicode(c.LabelHEDIYE->text()).left(kzn.fieldByName(HEDIYE)->size()));
        if (c.Log)
            c.Log->winnerPicked(kzn.recordCount() + 1, name, extra,
                                Cp1254::fromUnicode(c.LabelHEDIYE->text()).left(kzn.fieldByName(HEDIYE)->size()));

        removeAnimation();
        if (c.Stage)
            c.Stage->startRow(text, static_cast<int>(name.size()));

        const int length = static_cast<int>(text.size());
        const int nameLength = static_cast<int>(name.size());
        const TLetterRow row = layoutLetterRow(text, nameLength, c.PanelTOP->size());
        if (nameLength == 0 && c.Journal)
            c.Journal->winnerShown();
        for (int i = 1; i <= length; ++i)
        {
            const char letter = text.at(i - 1);
            if (letter != ' ')
            {
                // The " - " of an extra on its own row is not drawn, yet waits as it always did.
                if (const QRect cell = row.cells.at(i - 1); !cell.isNull())
                    showLetter(cell, letter);
                // Kept for every letter the reveal reaches, drawn here or not: another view lays
                // out its own row and may draw what this stage leaves out.
                if (c.Stage)
                    c.Stage->showLetter(i - 1, Cp1254::toUnicode(CharFUp2(letter)));
            }
            // The name is shown once its last letter appears, before that letter's wait.
            if (i == nameLength && c.Journal)
                c.Journal->winnerShown();
            if (letter == ' ')
                continue;
            if (c.CheckEFEKT->isChecked() && !showAll)
                Clock::instance().sleep(milliseconds(c.SpinHARF->boundedValue(), i));
            pumpEvents();
            if (m_cutShort)
            {
                DrawRunning = false;
                stopDrawSound();
                return;
            }
        }

        if (c.SpinEdit1->value() < c.SpinEdit1->maximum())
            c.SpinEdit1->setValue(c.SpinEdit1->value() + 1);

        kzn.append();
        kzn.setFieldBytes(ADI, name);
        kzn.setFieldString(HEDIYE, c.LabelHEDIYE->text());
        kzn.post();

        DrawRunning = false;
        showAll = false;
        if (c.Stage)
            c.Stage->endDraw();
        stopDrawSound();
        // A failing end-of-draw sound still goes to the application-wide handler.
        guarded([this] { startEndSound(); });
        tellJournalFailure();
    }
    catch (...)
    {
        DrawRunning = false;
        throw;
    }
}

void TPersonDraw::cutShort()
{
    if (!DrawRunning)
        return;
    if (c.Timer1->isActive())
    {
        c.Timer1->stop();
        removeAnimation();
        DrawRunning = false;
        stopDrawSound();
        return;
    }
    m_cutShort = true;
}

void TPersonDraw::showLetter(const QRect& cell, char letter)
{
    auto* ball = new TZvTop(c.PanelTOP, c.ImageTOP[0]);
    ball->setFixedSize(cell.size());
    ball->move(cell.topLeft());
    ball->setHarf(Cp1254::toUnicode(CharFUp2(letter)));
    ball->show();
    ball->repaint();
}

void TPersonDraw::tellJournalFailure()
{
    if (!c.Journal)
        return;
    const QString notice = c.Journal->takeNotice();
    if (!notice.isEmpty())
        ShowBilgi(notice);
}

void TPersonDraw::endWithoutCandidates()
{
    removeAnimation();
    TZvTop::clearPanel(c.PanelTOP);
    DrawRunning = false;
    showAll = false;
    if (c.Stage)
        c.Stage->endDraw();
    stopDrawSound();
    ShowBilgi(noCandidatesText());
}

void TPersonDraw::showAllNow()
{
    if (!DrawRunning)
    {
        showAll = false;
        return;
    }
    showAll = true;
    if (c.Timer1->isActive())
        reveal();
}

void TPersonDraw::saveWinners()
{
    const QString folder = dataFolder();
    QDir().mkpath(folder);
    QString fileName =
        getSaveFileName(c.Owner, QString(), folder, QStringLiteral("Txt Dosyaları|*.txt"), QStringLiteral("TXT"));
    if (fileName.isEmpty())
        return;

    TRxMemoryData& kzn = *c.Kzn_T;
    QByteArray lines;
    {
        TControlsSuspension suspension(kzn);
        kzn.first();
        while (!kzn.eof())
        {
            lines += winnerLine(kzn.fieldAsBytes(ADI), kzn.fieldAsBytes(HEDIYE));
            kzn.next();
        }
    }
    // A file that cannot be written keeps its old content; the operator must know the list is
    // not where it was meant to go.
    try
    {
        SaveFileAtomically(fileName, lines);
        if (c.Journal)
            c.Journal->winnersSaved(kzn.recordCount());
        Q_EMIT winnersSaved(kzn.recordCount(), fileName);
    }
    catch (const EFileError&)
    {
        ShowBilgi(SaveFailedText(fileName));
    }
}

void TPersonDraw::followChecks()
{
    c.GroupEFEKT->setEnabled(c.CheckEFEKT->isChecked());
    c.GroupSES->setEnabled(c.CheckSES->isChecked());
}

void TPersonDraw::pickSound(TZvBtnEdit* edit)
{
    if (edit != c.EditSES && edit != c.EditSES2)
        return;
    const QString path = getOpenFileName(c.Owner, QString(), QString(), QStringLiteral("Müzik Dosyaları|*.WAV;*.MP3"));
    if (path.isEmpty() || !checkStorablePath(path))
        return;
    edit->setText(path);
}

void TPersonDraw::closePlayer()
{
    if (c.MediaPlayer1)
        c.MediaPlayer1->Close();
}

void TPersonDraw::startDrawSound()
{
    if (!c.MediaPlayer1 || !c.CheckSES->isChecked() || !QFileInfo(c.EditSES->text()).isFile())
        return;
    // A sound that cannot be played costs the draw nothing but its sound.
    try
    {
        c.MediaPlayer1->Close();
        c.MediaPlayer1->setAutoRewind(c.CheckSESTEKRAR->isChecked());
        c.MediaPlayer1->setFileName(c.EditSES->text());
        c.MediaPlayer1->Open();
        c.MediaPlayer1->Play();
        pumpEvents();
    }
    catch (const std::exception&)
    {}
}

void TPersonDraw::stopDrawSound()
{
    if (!c.MediaPlayer1)
        return;
    try
    {
        c.MediaPlayer1->Stop();
    }
    catch (const std::exception&)
    {}
}

void TPersonDraw::startEndSound()
{
    if (!c.MediaPlayer1 || !c.CheckSES->isChecked() || !QFileInfo(c.EditSES2->text()).isFile())
        return;
    endSoundPlays = 1;
    c.MediaPlayer1->Close();
    c.MediaPlayer1->setFileName(c.EditSES2->text());
    c.MediaPlayer1->Open();
    c.MediaPlayer1->Play();
    pumpEvents();
}

void TPersonDraw::soundCompleted()
{
    if (!c.MediaPlayer1)
        return;
    // Each repeat starts from the beginning, whatever auto-rewind the draw sound was opened
    // with: played from its end, a sound completes at once without a sound, and the next
    // completion would play it again, endlessly. A late completion of an earlier sound must
    // not restart (or supersede) one that is playing.
    const auto playAgain = [this] {
        if (c.MediaPlayer1->Mode() == mpPlaying)
            return false;
        c.MediaPlayer1->Rewind();
        c.MediaPlayer1->Play();
        return true;
    };
    if (c.CheckSESTEKRAR->isChecked() && DrawRunning)
        playAgain();
    if (c.CheckSESTEKRAR2->isChecked() && !DrawRunning && endSoundPlays < c.SpinSESTEKRAR->value() &&
        c.MediaPlayer1->NotifyValue() == nvSuccessful && playAgain())
        ++endSoundPlays;
}
