#pragma once

#include "DrawControls.h"
#include "DrawJournal.h"
#include "DrawTables.h"
#include "EveningLog.h"
#include "Globals.h"
#include "MediaPlayer.h"
#include "RadioGroup.h"
#include "RxDice.h"
#include "RxMemoryData.h"
#include "common/FakeClock.h"
#include "common/Sphere.h"
#include "controls/Image.h"
#include "controls/SpinEdit.h"
#include "ui_MainU.h"

#include <QMainWindow>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <memory>

// One rig per draw page: the main window's real form on a bare window, its tables as the stored
// files lay them out, and the draw given its controls by the function the main window uses.

namespace PageRigDetail {
inline void setSpin(TSpinEdit* box, int minimum, int maximum, int value)
{
    box->setRange(minimum, maximum);
    box->setValue(value);
}
} // namespace PageRigDetail

// The pages "Çekiliş -1" and "Ayarlar" with the person-prize draw and its sound cues.
struct PersonPageRig
{
    explicit PersonPageRig(bool withPlayer = false)
    {
        using namespace PageRigDetail;
        form.setupUi(&window);
        defineKisi(Kisi_T).open();
        defineHediye(Hediye_T).open();
        defineKzn(Kzn_T).open();

        window.resize(900, 600);
        // Fixed sizes, so the places of the balls and the picture do not depend on the layout.
        form.PanelTOP->setFixedSize(700, 115);
        form.ImageRES->setFixedSize(300, 200);
        form.ImageTOP1->setPicture(sphere(QColor(255, 191, 0)));
        form.ImageTOP2->setPicture(sphere(Qt::yellow));
        form.ImageTOP3->setPicture(sphere(Qt::blue));
        form.ImageTOP4->setPicture(sphere(Qt::red));
        setSpin(form.SpinEdit1, 1, 1, 1);
        setSpin(form.SpinCKSR, 1, 60, 10);
        setSpin(form.SpinHARF, 0, 60, 1);
        setSpin(form.SpinSESTEKRAR, 0, 60, 1);
        form.CheckEFEKT->setChecked(true);
        form.CheckEKBILGI->setChecked(true);
        form.CheckSES->setChecked(false);
        form.CheckSESTEKRAR->setChecked(false);
        form.CheckSESTEKRAR2->setChecked(false);
        radio = form.RadioRESIM;
        radio->setItemIndex(0);
        timer = new QTimer(&window);
        if (withPlayer)
            player = new TMediaPlayer(&window);
        rebuild();
    }

    // Gives the draw a journal writing to `folder`, and the events log beside it, as the main
    // window gives them; `now` stands in for the log's clock.
    void useJournal(const QString& folder, TEveningLog::Now now = {})
    {
        journal = std::make_unique<TDrawJournal>(folder);
        log = std::make_unique<TEveningLog>(*journal, std::move(now));
        rebuild();
    }

    void addPerson(const QString& name, const QString& extra = QString())
    {
        Kisi_T.append();
        Kisi_T.setFieldString(QStringLiteral("ADI"), name);
        Kisi_T.setFieldString(QStringLiteral("IL_ILCE"), extra);
        Kisi_T.post();
    }

    void addPrize(const QString& name, const QString& picture = QString())
    {
        Hediye_T.append();
        Hediye_T.setFieldString(QStringLiteral("HEDIYE"), name);
        Hediye_T.setFieldString(QStringLiteral("RESIMYOLU"), picture);
        Hediye_T.post();
        c.SpinEdit1->setMaximum(Hediye_T.recordCount());
    }

    // One whole draw: start, then the timer's tick.
    void runDraw()
    {
        draw->ZvWinButton6Click();
        if (c.Timer1->isActive())
            draw->Timer1Timer();
    }

    QList<TZvTop*> balls() const
    {
        auto list = c.PanelTOP->findChildren<TZvTop*>(Qt::FindDirectChildrenOnly);
        std::sort(list.begin(), list.end(), [](TZvTop* a, TZvTop* b) { return a->x() < b->x(); });
        return list;
    }

    // The letters on the panel read as text, a missing ball in the row reading as a blank.
    QString revealedText(int length) const
    {
        const int x0 = (c.PanelTOP->width() - 2 - 32 * length) / 2;
        QString text(length, QLatin1Char(' '));
        for (TZvTop* ball : balls())
        {
            const int slot = (ball->x() - x0) / 32;
            if ((ball->x() - x0) % 32 != 0 || slot < 0 || slot >= length || ball->y() != (115 - 36) / 2)
                return QStringLiteral("<misplaced ball>");
            text[slot] = ball->Harf();
        }
        return text;
    }

    QStringList winners() const
    {
        QStringList list;
        for (int row = 0; row < Kzn_T.recordCount(); ++row)
            list << Kzn_T.textAt(row, 0) + QLatin1Char('|') + Kzn_T.textAt(row, 1);
        return list;
    }

    QMainWindow window;
    Ui::TMainF form;
    TRxMemoryData Kisi_T;
    TRxMemoryData Hediye_T;
    TRxMemoryData Kzn_T;
    TRadioGroup* radio = nullptr;
    QTimer* timer = nullptr;
    TMediaPlayer* player = nullptr;
    std::unique_ptr<TDrawJournal> journal;
    std::unique_ptr<TEveningLog> log;
    TPersonDrawControls c;
    std::unique_ptr<TPersonDraw> draw;

private:
    void rebuild()
    {
        draw.reset();
        c = personDrawControls(form, &window, &Kisi_T, &Hediye_T, &Kzn_T, timer, player, journal.get());
        c.Log = log.get();
        draw = std::make_unique<TPersonDraw>(c);
    }
};

// The page "Çekiliş -2" with the number draw; the row rule of the excluded ranges is the
// table's before-post event, as on the main window.
struct NumberPageRig
{
    explicit NumberPageRig(TDrawJournal* journal = nullptr, TEveningLog* log = nullptr)
    {
        using namespace PageRigDetail;
        form.setupUi(&window);
        SpinBSL = form.SpinBSL;
        SpinBTS = form.SpinBTS;
        SpinADET = form.SpinADET;
        ZvWinButton3 = form.ZvWinButton3;
        RxDice1 = form.RxDice1;
        Label2 = form.Label2;
        ListBox1 = form.ListBox1;
        setSpin(SpinBSL, 0, 100000000, 1);
        setSpin(SpinBTS, 1, 100000000, 100);
        setSpin(SpinADET, 1, 10000, 10);
        Label2->setText(QStringLiteral("Çekiliş Sonuçları"));
        RxDice1->hide();

        Rx_T.setObjectName(QStringLiteral("Rx_T"));
        defineRx(Rx_T).open();
        TNumberDrawControls controls = numberDrawControls(form, &window, &Rx_T, journal);
        controls.Log = log;
        draw = std::make_unique<TNumberDraw>(controls);
        Rx_T.BeforePost = TDrawTables::Rx_TBeforePost;
        form.PageControl1->setCurrentWidget(form.TabSheet2);
        window.show();
    }

    void setBounds(int start, int end, int count)
    {
        // Any bound is reachable: the boxes hold whatever is typed until they lose the focus.
        SpinBSL->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
        SpinBTS->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
        SpinBSL->setValue(start);
        SpinBTS->setValue(end);
        SpinADET->setValue(count);
    }

    void addRange(int first, int last)
    {
        Rx_T.append();
        Rx_T.setFieldInteger(0, first);
        Rx_T.setFieldInteger(1, last);
        Rx_T.post();
    }
    void addRanges(const QList<QPair<int, int>>& ranges)
    {
        for (const auto& [first, last] : ranges)
            addRange(first, last);
    }

    // Leaves the results of a whole draw of every number from start to end, as an earlier draw
    // leaves them.
    void drawEvery(int start, int end)
    {
        setBounds(start, end, end - start + 1);
        draw->ZvWinButton1Click();
    }

    QList<qint64> drawn() const { return draw->drawn(); }

    // The numbers as the list box shows them; a line that is not a number reads as the lowest.
    QList<qint64> shown() const
    {
        QList<qint64> numbers;
        for (int i = 0; i < ListBox1->count(); ++i)
        {
            bool ok = false;
            const qint64 n = ListBox1->item(i)->text().toLongLong(&ok);
            numbers << (ok ? n : std::numeric_limits<qint64>::min());
        }
        return numbers;
    }

    bool idle() const { return window.isEnabled() && RxDice1->isHidden() && !RxDice1->Rotate(); }

    QMainWindow window;
    Ui::TMainF form;
    TSpinEdit* SpinBSL;
    TSpinEdit* SpinBTS;
    TSpinEdit* SpinADET;
    TZvWinButton* ZvWinButton3;
    TRxDice* RxDice1;
    QLabel* Label2;
    QListWidget* ListBox1;
    TRxMemoryData Rx_T;
    std::unique_ptr<TNumberDraw> draw;
};

// A fake clock whose high-resolution counter moves on at every reading by a scrambled step, so
// each reseeding of the shared generator gets a fresh but reproducible seed.
class SeededClock : public FakeClock
{
public:
    quint64 performanceCounter() override
    {
        ++readings;
        quint64 z = (counter += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    int readings = 0;
    quint64 counter = 0;
};
