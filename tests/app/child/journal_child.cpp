// The program's main window in a program folder of the caller's choosing, running one draw and
// then waiting to be killed: the journal tests check what such a killed run left on the disk.
//   journal_child <program folder> person   one person-prize draw, then "recorded"
//   journal_child <program folder> number   one number draw, then "recorded <numbers>"
//   journal_child <program folder> reveal   a slow reveal, "letter 2" once two letters are shown
//   journal_child <program folder> paced    a paced number draw, "shown <numbers>" on the way
//   journal_child <program folder> inplace  "Kisi.Ini" written in place, "half" half-way
//   journal_child <program folder> lock     takes the folder as the program does, then "locked"
//   journal_child - folder                  opens and closes the window in its own folder
// A program folder of "-" leaves the program its own: the folder of the executable.
#include "MainU.h"
#include "ProgramFolder.h"
#include "ProgramFolderLock.h"
#include "RxMemoryData.h"
#include "SaveFile.h"
#include "common/FakeClock.h"
#include "common/ScriptedMessages.h"
#include "ui_MainU.h"

#include <QApplication>
#include <QListWidget>
#include <QThread>
#include <QTimer>
#include <cstdio>

namespace {
void say(QByteArray line)
{
    std::fputs(line.append('\n').constData(), stdout);
    std::fflush(stdout);
}

void addPerson(TMainF& window, const QString& name, const QString& prize)
{
    window.Kisi_T->append();
    window.Kisi_T->setFieldString(QStringLiteral("ADI"), name);
    window.Kisi_T->post();
    window.Hediye_T->append();
    window.Hediye_T->setFieldString(QStringLiteral("HEDIYE"), prize);
    window.Hediye_T->post();
}

QByteArray listed(QListWidget* list)
{
    QByteArray numbers;
    for (int i = 0; i < list->count(); ++i)
        numbers += (i == 0 ? "" : ",") + list->item(i)->text().toLatin1();
    return numbers;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    // The arguments as the system gave them (wide characters on Windows), not as argv holds them.
    const QString folder = QCoreApplication::arguments().at(1);
    if (folder != QStringLiteral("-"))
        setProgramFolder(folder);
    const QByteArray kind(argv[2]);
    FakeClock clock; // letter waits and pacing pass at once unless a kind slows them
    ScriptedMessages messages;
    if (kind == "inplace")
    {
        // "Kisi.Ini" written in place where the folder takes no new file, stopped half-way.
        SaveFileFaults faults;
        faults.refuseNewFiles = true;
        faults.failInPlaceAfter = 1024;
        setSaveFileFaults(faults);
        setSaveFileStopHalfWay([] {
            say("half");
            for (;;)
                QThread::sleep(1);
        });
        SaveFileAtomically(programFolder() + QStringLiteral("Kisi.Ini"), QByteArray(3000, 'N'));
        return 3;
    }
    if (kind == "lock")
    {
        TProgramFolderLock lock(programFolder());
        if (!claimProgramFolder(lock))
            return 3;
        say("locked");
        for (;;)
            QThread::sleep(1);
    }
    TMainF window;
    window.show();
    QCoreApplication::processEvents();

    QByteArray said = "recorded";
    if (kind == "folder")
    {
        say(programFolder().toLatin1());
        return window.close() ? 0 : 3;
    }
    if (kind == "person")
    {
        addPerson(window, QStringLiteral("Şule Çağ"), QStringLiteral("Ütü"));
        window.ZvWinButton6Click();
        window.ZvWinButton7Click(); // reveals at once
        if (window.Kzn_T->recordCount() != 1)
            return 3;
    }
    else if (kind == "reveal")
    {
        // The wait after the second letter never ends: the caller kills the run there.
        clock.onSleep = [&](int) {
            if (clock.sleeps.size() == 2)
            {
                say("letter 2");
                for (;;)
                    QThread::sleep(1);
            }
        };
        addPerson(window, QStringLiteral("Şule Çağ"), QStringLiteral("Ütü"));
        window.ZvWinButton6Click();
        window.Timer1->stop();
        window.Timer1Timer();
        return 3;
    }
    else if (kind == "paced")
    {
        // Each pause of the pacing takes real time, so the kill lands in the middle of the draw.
        QListWidget* list = window.form()->ListBox1;
        bool told = false;
        clock.onSleep = [&](int) {
            QThread::msleep(3);
            if (!told && list->count() >= 10)
            {
                told = true;
                say("shown " + listed(list));
            }
        };
        for (int r = 0; r < 4; ++r)
        {
            window.Rx_T->append();
            window.Rx_T->setFieldInteger(QStringLiteral("BASLANGIC"), 5000 + r);
            window.Rx_T->setFieldInteger(QStringLiteral("BITIS"), 5000 + r);
            window.Rx_T->post();
        }
        window.form()->SpinBSL->setValue(1);
        window.form()->SpinBTS->setValue(1000);
        window.form()->SpinADET->setValue(1000);
        window.ZvWinButton1Click();
        return 3;
    }
    else
    {
        window.form()->SpinBSL->setValue(1);
        window.form()->SpinBTS->setValue(1000);
        window.form()->SpinADET->setValue(7);
        window.ZvWinButton1Click();
        QListWidget* list = window.form()->ListBox1;
        if (list->count() != 7)
            return 3;
        said += " " + listed(list);
    }
    say(said);
    for (;;)
        QThread::sleep(1);
}
