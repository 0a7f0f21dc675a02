#include "DrawControls.h"

#include "ui_MainU.h"

TPersonDrawControls personDrawControls(Ui::TMainF& form, QWidget* owner, TRxMemoryData* kisi, TRxMemoryData* hediye,
                                       TRxMemoryData* kzn, QTimer* timer, TMediaPlayer* player, TDrawJournal* journal)
{
    TPersonDrawControls p;
    p.Owner = owner;
    p.Kisi_T = kisi;
    p.Hediye_T = hediye;
    p.Kzn_T = kzn;
    p.ZvWinButton6 = form.ZvWinButton6;
    p.ZvWinButton7 = form.ZvWinButton7;
    p.ZvWinButton9 = form.ZvWinButton9;
    p.SpinEdit1 = form.SpinEdit1;
    p.LabelHEDIYE = form.LabelHEDIYE;
    p.ImageRES = form.ImageRES;
    p.PanelTOP = form.PanelTOP;
    p.Timer1 = timer;
    p.ImageTOP = {form.ImageTOP1->pixmap(), form.ImageTOP2->pixmap(), form.ImageTOP3->pixmap(),
                  form.ImageTOP4->pixmap()};
    p.SpinCKSR = form.SpinCKSR;
    p.CheckEFEKT = form.CheckEFEKT;
    p.GroupEFEKT = form.GroupEFEKT;
    p.SpinHARF = form.SpinHARF;
    p.RadioRESIM = form.RadioRESIM;
    p.CheckEKBILGI = form.CheckEKBILGI;
    p.CheckSES = form.CheckSES;
    p.GroupSES = form.GroupSES;
    p.EditSES = form.EditSES;
    p.CheckSESTEKRAR = form.CheckSESTEKRAR;
    p.EditSES2 = form.EditSES2;
    p.CheckSESTEKRAR2 = form.CheckSESTEKRAR2;
    p.SpinSESTEKRAR = form.SpinSESTEKRAR;
    p.MediaPlayer1 = player;
    p.Journal = journal;
    return p;
}

TNumberDrawControls numberDrawControls(Ui::TMainF& form, QWidget* window, TRxMemoryData* ranges, TDrawJournal* journal)
{
    TNumberDrawControls n;
    n.Window = window;
    n.SpinBSL = form.SpinBSL;
    n.SpinBTS = form.SpinBTS;
    n.SpinADET = form.SpinADET;
    n.ZvWinButton1 = form.ZvWinButton1;
    n.ZvWinButton2 = form.ZvWinButton2;
    n.ZvWinButton3 = form.ZvWinButton3;
    n.ZvWinButton4 = form.ZvWinButton4;
    n.RxDice1 = form.RxDice1;
    n.Label2 = form.Label2;
    n.ListBox1 = form.ListBox1;
    n.Rx_T = ranges;
    n.Journal = journal;
    return n;
}
