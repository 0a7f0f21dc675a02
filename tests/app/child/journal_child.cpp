// The program's main window in a program folder of the caller's choosing, running one draw and
// then waiting to be killed: the journal test checks what such a killed run left on the disk.
//   journal_child <program folder> person   one person-prize draw, then "recorded"
//   journal_child <program folder> number   one number draw, then "recorded <numbers>"
// A program folder of "-" leaves the program its own: the folder of the executable.
#include "MainU.h"
#include "ProgramFolder.h"
#include "RxMemoryData.h"
#include "common/FakeClock.h"
#include "common/ScriptedMessages.h"
#include "ui_MainU.h"

#include <QApplication>
#include <QListWidget>
#include <QThread>
#include <cstdio>

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
    FakeClock clock; // letter waits and pacing pass at once
    ScriptedMessages messages;
    TMainF window;
    window.show();
    QCoreApplication::processEvents();

    QByteArray said = "recorded";
    if (kind == "person")
    {
        window.Kisi_T->append();
        window.Kisi_T->setFieldString(QStringLiteral("ADI"), QStringLiteral("Şule Çağ"));
        window.Kisi_T->post();
        window.Hediye_T->append();
        window.Hediye_T->setFieldString(QStringLiteral("HEDIYE"), QStringLiteral("Ütü"));
        window.Hediye_T->post();
        window.ZvWinButton6Click();
        window.ZvWinButton7Click(); // reveals at once
        if (window.Kzn_T->recordCount() != 1)
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
        for (int i = 0; i < list->count(); ++i)
            said += (i == 0 ? " " : ",") + list->item(i)->text().toLatin1();
    }
    std::fputs(said.append('\n').constData(), stdout);
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}
