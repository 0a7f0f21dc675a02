#pragma once

#include "DrawJournal.h"
#include "DrawTables.h"
#include "Globals.h"
#include "MediaPlayer.h"
#include "PersonDraw.h"
#include "RadioGroup.h"
#include "RxMemoryData.h"
#include "controls/Image.h"
#include "controls/SpinEdit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <memory>

// The controls and tables of the main window that the person draw uses, built without the form,
// shared by the draw and sound tests.
namespace {
QPixmap sphere(const QColor& colour)
{
    QPixmap picture(32, 32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setBrush(colour);
    painter.drawEllipse(2, 2, 28, 28);
    return picture;
}

TSpinEdit* spin(QWidget* parent, const char* name, int minimum, int maximum, int value)
{
    auto* box = new TSpinEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(minimum, maximum);
    box->setValue(value);
    return box;
}

QCheckBox* check(QWidget* parent, bool checked)
{
    auto* box = new QCheckBox(parent);
    box->setChecked(checked);
    return box;
}

struct Rig
{
    explicit Rig(bool withPlayer = false)
    {
        defineKisi(Kisi_T).open();
        defineHediye(Hediye_T).open();
        defineKzn(Kzn_T).open();

        window.resize(900, 600);
        c.Owner = &window;
        c.Kisi_T = &Kisi_T;
        c.Hediye_T = &Hediye_T;
        c.Kzn_T = &Kzn_T;
        c.SpinEdit1 = spin(&window, "SpinEdit1", 1, 1, 1);
        c.LabelHEDIYE = new QLabel(&window);
        c.ImageRES = new TImage(&window);
        c.ImageRES->setGeometry(0, 200, 300, 200);
        c.PanelTOP = new QWidget(&window);
        c.PanelTOP->setGeometry(0, 0, 700, 115);
        c.Timer1 = new QTimer(&window);
        c.ImageTOP = {sphere(QColor(255, 191, 0)), sphere(Qt::yellow), sphere(Qt::blue), sphere(Qt::red)};
        c.SpinCKSR = spin(&window, "SpinCKSR", 1, 60, 10);
        c.CheckEFEKT = check(&window, true);
        c.GroupEFEKT = new QGroupBox(&window);
        c.SpinHARF = spin(c.GroupEFEKT, "SpinHARF", 0, 60, 1);
        radio = new TRadioGroup(&window);
        radio->setItems({QStringLiteral("Ortala"), QStringLiteral("Döşe")});
        radio->setItemIndex(0);
        c.RadioRESIM = radio;
        c.CheckEKBILGI = check(&window, true);
        c.CheckSES = check(&window, false);
        c.GroupSES = new QGroupBox(&window);
        c.EditSES = new QLineEdit(c.GroupSES);
        c.CheckSESTEKRAR = check(c.GroupSES, false);
        c.EditSES2 = new QLineEdit(c.GroupSES);
        c.CheckSESTEKRAR2 = check(c.GroupSES, false);
        c.SpinSESTEKRAR = spin(c.GroupSES, "SpinSESTEKRAR", 0, 60, 1);
        if (withPlayer)
        {
            player = new TMediaPlayer(&window);
            c.MediaPlayer1 = player;
        }
        draw = std::make_unique<TPersonDraw>(c);
    }

    // Gives the draw a journal writing to `folder`, as the main window gives it one.
    void useJournal(const QString& folder)
    {
        journal = std::make_unique<TDrawJournal>(folder);
        c.Journal = journal.get();
        draw = std::make_unique<TPersonDraw>(c);
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

    QWidget window;
    TRxMemoryData Kisi_T;
    TRxMemoryData Hediye_T;
    TRxMemoryData Kzn_T;
    TRadioGroup* radio = nullptr;
    TPersonDrawControls c;
    TMediaPlayer* player = nullptr;
    std::unique_ptr<TDrawJournal> journal;
    std::unique_ptr<TPersonDraw> draw;
};
} // namespace
