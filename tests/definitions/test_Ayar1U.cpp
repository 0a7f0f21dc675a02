#include "Ayar1U.h"
#include "DBNavigator.h"
#include "DrawTables.h"
#include "FileDialogs.h"
#include "Guard.h"
#include "K_ExcelAktarU.h"
#include "MainU.h"
#include "ProgramFolder.h"
#include "RxMemoryData.h"
#include "SaveFile.h"
#include "SpinEdit.h"
#include "TableFiles.h"
#include "ZVRXDBGrid.h"
#include "ZvWinButton.h"
#include "common/DecoderMain.h"
#include "common/ExceptionRecorder.h"
#include "common/FixturePath.h"
#include "common/ScriptedMessages.h"
#include "common/TemporaryProgramFolder.h"
#include "common/TestFiles.h"
#include "ui_Ayar1U.h"
#include "ui_K_ExcelAktarU.h"
#include "ui_MainU.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

namespace {
const QString clearKisi = QStringLiteral("Soru: Dikkat : Tüm kişi kayıtları silinecektir.");
const QString clearHediye = QStringLiteral("Soru: Dikkat : Tüm hediye kayıtları silinecektir.");
} // namespace

class TestAyar1U : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TemporaryProgramFolder> folder;
    std::unique_ptr<ScriptedMessages> messages;
    std::unique_ptr<TMainF> main;
    std::unique_ptr<TAyar1F> form;
    QList<FileDialogRequest> dialogs;

    QString path(const QString& bareName) const { return folder->filePath(bareName); }

    void writeFiles(int participants, int prizes)
    {
        QList<QStringList> kisi;
        for (int i = 1; i <= participants; ++i)
            kisi << QStringList{QStringLiteral("Kişi %1").arg(i), QStringLiteral("Şehir %1").arg(i)};
        writeTableFile(path(QStringLiteral("Kisi.Ini")), QStringLiteral("ADI"), 40, QStringLiteral("IL_ILCE"), 40,
                       kisi);
        QList<QStringList> hediye;
        for (int i = 1; i <= prizes; ++i)
            hediye << QStringList{QStringLiteral("Hediye %1").arg(i), QStringLiteral("/resim/%1.jpg").arg(i)};
        writeTableFile(path(QStringLiteral("Hediye.Ini")), QStringLiteral("HEDIYE"), 40, QStringLiteral("RESIMYOLU"),
                       100, hediye);
    }

    void openMain()
    {
        main = std::make_unique<TMainF>();
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    }

    void openForm()
    {
        form = std::make_unique<TAyar1F>(main->tables(), main.get());
        // Modal as the main window shows it, so the main window cannot take the activation back.
        form->setModal(true);
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTRY_COMPARE(QApplication::activeWindow(), form.get());
    }

    void scriptFileDialog(const QString& answer)
    {
        setFileDialogHandler([this, answer](QWidget*, const FileDialogRequest& request) {
            dialogs << request;
            return answer;
        });
    }

private Q_SLOTS:
    void init()
    {
        folder = std::make_unique<TemporaryProgramFolder>();
        QVERIFY(folder->isValid());
        messages = std::make_unique<ScriptedMessages>();
        dialogs.clear();
    }

    void cleanup()
    {
        setSaveFileFaults({});
        form.reset();
        main.reset();
        messages.reset();
        setFileDialogHandler({});
        folder.reset();
    }

    void showsTheTablesOfTheMainWindow()
    {
        writeFiles(3, 2);
        openMain();
        QVERIFY(!main->tables().definitionsOpen());
        openForm();
        QVERIFY(main->tables().definitionsOpen());
        Ui::TAyar1F* ui = form->form();
        // The title bar carries the main window's caption; the band carries its own title.
        QCOMPARE(form->windowTitle(), main->windowTitle());
        QCOMPARE(ui->Label1->text(), QStringLiteral("Çekiliş Tanımları"));
        QCOMPARE(ui->GroupBox1->title(), QStringLiteral(" Çekilişe Katılacak Kişiler "));
        QCOMPARE(ui->GroupBox2->title(), QStringLiteral(" Hediyeler "));
        QCOMPARE(ui->GroupBox1->width(), 390);
        QCOMPARE(ui->ZvWinButton5->toolTip(), QStringLiteral("Tümünü Temizle"));
        QCOMPARE(ui->ZvWinButton1->toolTip(), QStringLiteral("Tümünü Temizle"));
        QCOMPARE(ui->ZvWinButton2->toolTip(), QStringLiteral("Excel den bilgi aktar"));

        QCOMPARE(form->size(), QSize(790, 511));
        // Also run on a 200 % screen: the band and the glyphs come from the twice-size artwork.
        const qreal ratio = form->devicePixelRatioF();
        for (const QPixmap& p : {ui->Image2->pixmap(), ui->Image1->pixmap(), ui->ZvWinButton1->glpyh()})
            QCOMPARE(p.devicePixelRatio(), ratio);
        QCOMPARE(ui->Image1->pixmap().size(), QSize(32, 32) * ratio);
        // The form names no face of its own and still shows the main window's.
        for (QWidget* w : std::initializer_list<QWidget*>{ui->ZVRXDBGrid1, ui->ZVRXDBGrid2->viewport(), ui->GroupBox2})
            QCOMPARE(QFontInfo(w->font()).family(), QFontInfo(main->font()).family());
        const QList<TDBGridColumn>& kisi = ui->ZVRXDBGrid1->Columns();
        QCOMPARE(kisi.size(), 2);
        QCOMPARE(kisi[0].Width, 195);
        QCOMPARE(kisi[1].Width, 148);
        const QList<TDBGridColumn>& hediye = ui->ZVRXDBGrid2->Columns();
        QCOMPARE(hediye.size(), 2);
        QCOMPARE(hediye[0].Width, 160);
        QCOMPARE(hediye[1].Width, 185);
        // The ellipsis button belongs to the picture path only.
        QVERIFY(!kisi[0].ButtonStyle && !kisi[1].ButtonStyle && !hediye[0].ButtonStyle);
        QVERIFY(hediye[1].ButtonStyle);
        for (TDBGrid* grid : {static_cast<TDBGrid*>(ui->ZVRXDBGrid1), static_cast<TDBGrid*>(ui->ZVRXDBGrid2)})
        {
            QCOMPARE(grid->TitleFont().pointSize(), 8);
            QVERIFY(grid->TitleFont().bold());
        }
        QCOMPARE(ui->Label1->textFormat(), Qt::PlainText);
        QCOMPARE(ui->ZVRXDBGrid1->gridModel()->rowCount(), 3);
        QCOMPARE(ui->ZVRXDBGrid2->gridModel()->rowCount(), 2);
        QCOMPARE(ui->ZVRXDBGrid1->gridModel()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Adı Soyadı"));
        QCOMPARE(ui->ZVRXDBGrid2->gridModel()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Resim Yolu"));

        for (TDBNavigator* navigator : {ui->BiDiDBNavigator1, ui->BiDiDBNavigator2})
        {
            QVERIFY(navigator->button(TDBNavigator::nbEdit)->isHidden());
            QVERIFY(navigator->button(TDBNavigator::nbRefresh)->isHidden());
            QVERIFY(!navigator->button(TDBNavigator::nbInsert)->isHidden());
            QCOMPARE(navigator->button(TDBNavigator::nbFirst)->toolTip(), QStringLiteral("İlk kayıt (Ctrl+PgUp)"));
            QCOMPARE(navigator->button(TDBNavigator::nbCancel)->toolTip(),
                     QStringLiteral("Değişiklikleri iptal et (F3)"));
        }
        form.reset();
        QVERIFY(!main->tables().definitionsOpen());
    }

    void closingRewritesBothFilesUnchanged()
    {
        writeFiles(4, 3);
        const QByteArray kisi = readAll(path(QStringLiteral("Kisi.Ini")));
        const QByteArray hediye = readAll(path(QStringLiteral("Hediye.Ini")));
        openMain();
        openForm();
        QFile::remove(path(QStringLiteral("Kisi.Ini")));
        QFile::remove(path(QStringLiteral("Hediye.Ini")));
        // Esc goes through Kapat and the close.
        QTest::keyClick(form.get(), Qt::Key_Escape);
        QTRY_VERIFY(!form->isVisible());
        QCOMPARE(readAll(path(QStringLiteral("Kisi.Ini"))), kisi);
        QCOMPARE(readAll(path(QStringLiteral("Hediye.Ini"))), hediye);
        QVERIFY(messages->shown.isEmpty());
    }

    void clearAllEmptiesTableAndFile_data()
    {
        QTest::addColumn<bool>("participants");
        QTest::addColumn<int>("answer");
        // -1: the copy is written; -2: the file could not be read at start-up, so it is the copy;
        // else the answer when no copy can be written.
        QTest::addColumn<int>("copyAnswer");
        QTest::newRow("participants, yes") << true << int(mrYes) << -1;
        QTest::newRow("participants, no") << true << int(mrNo) << -1;
        QTest::newRow("prizes, yes") << false << int(mrYes) << -1;
        QTest::newRow("prizes, no") << false << int(mrNo) << -1;
        QTest::newRow("no copy, kept") << true << int(mrYes) << int(mrNo);
        QTest::newRow("no copy, cleared all the same") << false << int(mrYes) << int(mrYes);
        QTest::newRow("unread list, kept as its file") << true << int(mrYes) << -2;
    }
    void clearAllEmptiesTableAndFile()
    {
        QFETCH(bool, participants);
        QFETCH(int, answer);
        QFETCH(int, copyAnswer);
        writeFiles(5, 2);
        openMain();
        openForm();
        const QString bare = participants ? QStringLiteral("Kisi.Ini") : QStringLiteral("Hediye.Ini");
        const QByteArray before = readAll(path(bare));
        TRxMemoryData* table = participants ? main->Kisi_T : main->Hediye_T;
        const int rows = table->recordCount();
        QDir data(path(QStringLiteral("Data")));
        QByteArray kept = before;
        if (copyAnswer == -2)
        {
            // As after a start-up that could not read the file: nothing of it in the table.
            table->emptyTable();
            table->markLoadFailed();
            kept = "bozuk";
            writeAll(path(bare), kept);
        }
        if (copyAnswer >= 0)
        {
            // A file where the folder of the copies belongs.
            QVERIFY(QDir(path(QStringLiteral("Data"))).removeRecursively());
            writeAll(path(QStringLiteral("Data")), "x");
        }
        messages->setNextAnswer(answer);
        if (copyAnswer >= 0)
            messages->setNextAnswer(copyAnswer);
        QTest::mouseClick(participants ? form->form()->ZvWinButton5 : form->form()->ZvWinButton1, Qt::LeftButton);
        // One question, and no per-row delete question of the participant rule.
        QCOMPARE(messages->shown.value(0), participants ? clearKisi : clearHediye);
        // Enter on the question keeps the list.
        QCOMPARE(messages->askedWithNoDefault.value(0), messages->shown.value(0).mid(int(qstrlen("Soru: "))));
        // A copy written is named once the list is cleared.
        const bool copyNamed = answer == mrYes && copyAnswer < 0;
        QCOMPARE(messages->shown.size(), (copyAnswer >= 0 ? 2 : 1) + (copyNamed ? 1 : 0));
        if (answer == mrNo || copyAnswer == mrNo)
        {
            QCOMPARE(table->recordCount(), rows);
            QCOMPARE(readAll(path(bare)), before);
            if (answer == mrNo)
                QVERIFY(data.entryList(QDir::Files).isEmpty());
            return;
        }
        if (copyAnswer < 0)
        {
            // The cleared list waits in Data/, as its table file had it, to be put back by hand.
            const QStringList copies =
                data.entryList({bare.section(QLatin1Char('.'), 0, 0) + QStringLiteral("-*.Ini")});
            QCOMPARE(copies.size(), 1);
            QVERIFY(QDateTime::fromString(copies[0].mid(copies[0].indexOf(QLatin1Char('-')) + 1, 19),
                                          QStringLiteral("yyyy-MM-dd_HH-mm-ss"))
                        .isValid());
            QCOMPARE(readAll(data.filePath(copies[0])), kept);
            QCOMPARE(messages->shown.last(),
                     QStringLiteral("Bilgi: ") + TAyar1F::clearedCopyText(data.filePath(copies[0])));
            QVERIFY(messages->shown.last().contains(QStringLiteral("\"Data\" klasöründe \"") + copies[0] + u'"'));
        }
        else
            QVERIFY(messages->shown[1].startsWith(QStringLiteral("Soru: Silinecek kayıtların kopyası yazılamadı:")));
        QCOMPARE(table->recordCount(), 0);
        QCOMPARE((participants ? form->form()->ZVRXDBGrid1 : form->form()->ZVRXDBGrid2)->gridModel()->rowCount(), 0);
        QVERIFY(!QFile::exists(path(bare)));
        QVERIFY(form->close());
        QVERIFY(QFile::exists(path(bare)));
        QCOMPARE(QFileInfo(path(bare)).size(), 0);
    }

    void pictureForAPrize_data()
    {
        QTest::addColumn<int>("prizes");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("empty table gets a new row") << 0 << "/resimler/kupa.jpg";
        QTest::newRow("current row's path replaced") << 2 << "/resimler/kupa.jpg";
        QTest::newRow("long path cut to 100 characters")
            << 1
            << QStringLiteral("/") + QString(60, QLatin1Char('a')) + QStringLiteral("/") +
                   QString(60, QLatin1Char('b')) + QStringLiteral(".gif");
    }
    void pictureForAPrize()
    {
        QFETCH(int, prizes);
        QFETCH(QString, chosen);
        writeFiles(0, prizes);
        openMain();
        openForm();
        scriptFileDialog(chosen);
        TZVRXDBGrid* grid = form->form()->ZVRXDBGrid2;
        grid->setSelectedIndex(1);
        QCOMPARE(grid->SelectedField()->fieldName(), QStringLiteral("RESIMYOLU"));
        emit form->form()->ZVRXDBGrid2->OnEditButtonClick();
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs[0].title, QStringLiteral("Resmi seçiniz"));
        QCOMPARE(dialogs[0].filter, QStringLiteral("Resim Dosyaları|*.BMP;*.JPG;*.JPEG;*.GIF"));

        TRxMemoryData* table = main->Hediye_T;
        QCOMPARE(table->state(), prizes == 0 ? dsInsert : dsEdit);
        QCOMPARE(table->fieldAsString(QStringLiteral("RESIMYOLU")), chosen.left(100));
        // Not stored yet: the close stores it.
        QCOMPARE(table->recordCount(), prizes);
        const QString current = table->fieldAsString(QStringLiteral("HEDIYE"));
        QVERIFY(form->close());
        QCOMPARE(table->recordCount(), std::max(prizes, 1));
        QCOMPARE(QFileInfo(path(QStringLiteral("Hediye.Ini"))).size(), std::max(prizes, 1) * (2 + 41 + 101));
        if (prizes == 0)
            QCOMPARE(current, QString());
    }

    // The prizes whose picture path names no file are listed under the prize grid, and the list
    // follows the table: a picture chosen, a path typed, the prizes cleared.
    void missingPicturesAreNamed_data()
    {
        QTest::addColumn<int>("prizes"); // each naming a missing "/resim/<n>.jpg"
        QTest::addColumn<QString>("listed");
        QTest::newRow("none") << 0 << QString();
        QTest::newRow("three") << 3 << "Hediye 1 (1. satır), Hediye 2 (2. satır), Hediye 3 (3. satır)";
        QTest::newRow("eight") << 8
                               << "Hediye 1 (1. satır), Hediye 2 (2. satır), Hediye 3 (3. satır), Hediye 4 (4. "
                                  "satır), Hediye 5 (5. satır) ve 3 hediye daha";
    }
    void missingPicturesAreNamed()
    {
        QFETCH(int, prizes);
        QFETCH(QString, listed);
        writeFiles(0, prizes);
        openMain();
        openForm();
        QLabel* label = form->form()->LabelRESIMYOK;
        const QString heading = QStringLiteral("Resim dosyası bulunamayan hediyeler: ");
        QCOMPARE(label->isVisible(), prizes > 0);
        QCOMPARE(label->text(), listed.isEmpty() ? QString() : heading + listed);
        if (prizes == 0)
            return;

        // A picture that is there, chosen for the first prize, takes it off the list.
        TRxMemoryData* table = main->Hediye_T;
        table->first();
        scriptFileDialog(fixturePath("pictures/pic.gif"));
        TZVRXDBGrid* grid = form->form()->ZVRXDBGrid2;
        grid->setSelectedIndex(1);
        emit grid->OnEditButtonClick();
        QTRY_COMPARE(label->text().left(heading.size() + 19), heading + QStringLiteral("Hediye 2 (2. satır)"));
        // A prize without any picture is no mistake; a path typed into the cell is checked too.
        table->next();
        table->edit();
        table->setFieldString(QStringLiteral("RESIMYOLU"), QString());
        table->last();
        table->edit();
        table->setFieldString(QStringLiteral("RESIMYOLU"), fixturePath("pictures/pic.bmp"));
        table->post();
        QTRY_VERIFY(!label->text().contains(QStringLiteral("Hediye 2 ")));
        QTRY_VERIFY(!label->text().contains(QStringLiteral("Hediye %1 ").arg(prizes)));
        messages->setNextAnswer(mrYes);
        QTest::mouseClick(form->form()->ZvWinButton1, Qt::LeftButton);
        QTRY_VERIFY(!label->isVisible());
    }

    void pictureButtonOnlyInThePathColumn()
    {
        writeFiles(0, 1);
        openMain();
        openForm();
        scriptFileDialog(QStringLiteral("/a.bmp"));
        form->form()->ZVRXDBGrid2->setSelectedIndex(0);
        emit form->form()->ZVRXDBGrid2->OnEditButtonClick();
        QVERIFY(dialogs.isEmpty());
        QCOMPARE(main->Hediye_T->state(), dsBrowse);
        // A cancelled dialog changes nothing either.
        scriptFileDialog(QString());
        form->form()->ZVRXDBGrid2->setSelectedIndex(1);
        emit form->form()->ZVRXDBGrid2->OnEditButtonClick();
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(main->Hediye_T->state(), dsBrowse);
        QCOMPARE(main->Hediye_T->fieldAsString(QStringLiteral("RESIMYOLU")), QStringLiteral("/resim/1.jpg"));
        // Nor does a path the code page cannot hold, which would name no file after a restart.
        const QString foreign = QStringLiteral("/resimler/Ελλάδα/kupa.jpg");
        scriptFileDialog(foreign);
        emit form->form()->ZVRXDBGrid2->OnEditButtonClick();
        QCOMPARE(messages->shown, QStringList{QStringLiteral("Bilgi: ") + unstorablePathText(foreign)});
        QCOMPARE(main->Hediye_T->state(), dsBrowse);
        QCOMPARE(main->Hediye_T->fieldAsString(QStringLiteral("RESIMYOLU")), QStringLiteral("/resim/1.jpg"));
    }

    void navigatorDeletesPrizeAtOnceButAsksForParticipant()
    {
        writeFiles(2, 2);
        openMain();
        openForm();
        messages->setNextAnswer(mrNo);
        QTest::mouseClick(form->form()->BiDiDBNavigator1->button(TDBNavigator::nbDelete), Qt::LeftButton);
        QCOMPARE(messages->shown, QStringList{QStringLiteral("Soru: Bu kişi kaydı silinsin mi?")});
        QCOMPARE(main->Kisi_T->recordCount(), 2);
        QTest::mouseClick(form->form()->BiDiDBNavigator1->button(TDBNavigator::nbDelete), Qt::LeftButton);
        QCOMPARE(main->Kisi_T->recordCount(), 1);
        messages->clear();
        QTest::mouseClick(form->form()->BiDiDBNavigator2->button(TDBNavigator::nbDelete), Qt::LeftButton);
        QVERIFY(messages->shown.isEmpty());
        QCOMPARE(main->Hediye_T->recordCount(), 1);
    }

    void refusedRowKeepsWindowOpenAndFilesUnchanged()
    {
        writeFiles(2, 1);
        const QByteArray kisi = readAll(path(QStringLiteral("Kisi.Ini")));
        const QByteArray hediye = readAll(path(QStringLiteral("Hediye.Ini")));
        openMain();
        openForm();
        main->Hediye_T->first();
        main->Hediye_T->edit();
        main->Hediye_T->setFieldString(0, QStringLiteral("değişti"));
        main->Kisi_T->append();
        main->Kisi_T->setFieldString(1, QStringLiteral("adı yok"));

        QVERIFY(!form->close());
        QVERIFY(form->isVisible());
        QVERIFY(main->tables().definitionsOpen());
        QCOMPARE(messages->shown, QStringList{QStringLiteral("Bilgi: Kişi Adını giriniz.")});
        QCOMPARE(main->Kisi_T->state(), dsInsert);
        QCOMPARE(main->Kisi_T->fieldAsString(1), QStringLiteral("adı yok"));
        QCOMPARE(readAll(path(QStringLiteral("Kisi.Ini"))), kisi);
        QCOMPARE(readAll(path(QStringLiteral("Hediye.Ini"))), hediye);

        // Completed, the row is stored and both files are written by the next close.
        main->Kisi_T->setFieldString(0, QStringLiteral("Yeni Kişi"));
        QVERIFY(form->close());
        QCOMPARE(main->Kisi_T->recordCount(), 3);
        QCOMPARE(QFileInfo(path(QStringLiteral("Kisi.Ini"))).size(), 3 * 84);
        QVERIFY(readAll(path(QStringLiteral("Hediye.Ini"))) != hediye);
    }

    void unwritableFileDoesNotTrapTheWindow_data()
    {
        QTest::addColumn<bool>("fullDisk"); // else a folder stands where "Kisi.Ini" belongs
        QTest::addColumn<QStringList>("named");
        QTest::newRow("folder as Kisi.Ini") << false << QStringList{QStringLiteral("Kisi.Ini")};
        QTest::newRow("full disk") << true << QStringList{QStringLiteral("Kisi.Ini"), QStringLiteral("Hediye.Ini")};
    }

    void unwritableFileDoesNotTrapTheWindow()
    {
        QFETCH(bool, fullDisk);
        QFETCH(QStringList, named);
        writeFiles(1, 1);
        const QByteArray kisi = readAll(path(QStringLiteral("Kisi.Ini")));
        const QByteArray hediye = readAll(path(QStringLiteral("Hediye.Ini")));
        openMain();
        openForm();
        if (fullDisk)
            setSaveFileFaults({0, false, false, false});
        else
            QVERIFY(QFile::remove(path(QStringLiteral("Kisi.Ini"))) &&
                    QDir(folder->path()).mkdir(QStringLiteral("Kisi.Ini")));
        ScopedExceptionRecorder reported;

        QVERIFY(!form->close());
        QVERIFY(form->isVisible());
        QStringList texts;
        for (const QString& name : named)
            texts << SaveFailedText(path(name));
        QCOMPARE(messages->shown,
                 QStringList{QStringLiteral("Bilgi: ") + texts.join(QLatin1Char('\n')) +
                             QStringLiteral("\n\nPencere yeniden kapatılırsa yazılamayan değişiklikler kaydedilmeden "
                                            "kapanacaktır.")});
        // The old files stay byte for byte; a file that could be written is written all the same.
        QCOMPARE(readAll(path(QStringLiteral("Kisi.Ini"))), fullDisk ? kisi : QByteArray());
        QCOMPARE(readAll(path(QStringLiteral("Hediye.Ini"))), hediye);

        QVERIFY(form->close());
        QVERIFY(!form->isVisible());
        QCOMPARE(messages->shown.size(), 1);
        // A failed save is no program error.
        QCOMPARE(reported.count(), 0);
    }

    void unreadableKisiIniSurvivesTheClose()
    {
        writeFiles(0, 1);
        const QString kisi = path(QStringLiteral("Kisi.Ini"));
        QVERIFY(QFile::remove(kisi));
        if (QProcess::execute(QStringLiteral("mkfifo"), {kisi}) != 0)
            QSKIP("no mkfifo here");
        openMain();
        QCOMPARE(messages->shown, QStringList{QStringLiteral("Bilgi: ") + LoadFailedText(kisi)});
        openForm();
        QVERIFY(form->close());
        QCOMPARE(messages->shown.size(), 1);
        QVERIFY(QFileInfo::exists(kisi) && !QFileInfo(kisi).isFile());
    }

    void mainButtonOpensTheWindowAndBoundsThePrizeNumber_data()
    {
        QTest::addColumn<int>("prizes");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("five prizes") << 5 << true;
        QTest::newRow("one prize") << 1 << false;
        QTest::newRow("none") << 0 << false;
    }
    void mainButtonOpensTheWindowAndBoundsThePrizeNumber()
    {
        QFETCH(int, prizes);
        QFETCH(bool, enabled);
        writeFiles(1, prizes);
        openMain();
        bool wasOpen = false;
        // The window is modal: look at it and close it from inside its own event loop.
        QTimer::singleShot(0, this, [&] {
            auto* opened = qobject_cast<TAyar1F*>(QApplication::activeModalWidget());
            wasOpen = opened && opened->isVisible() && main->tables().definitionsOpen();
            if (opened)
                opened->close();
        });
        QTest::mouseClick(main->form()->ZvWinButton5, Qt::LeftButton);
        QVERIFY(wasOpen);
        QVERIFY(!main->tables().definitionsOpen());
        QVERIFY(!main->findChild<TAyar1F*>());
        QCOMPARE(main->form()->SpinEdit1->maximum(), prizes);
        QCOMPARE(main->form()->SpinEdit1->isEnabled(), enabled);
        QVERIFY(QFile::exists(path(QStringLiteral("Kisi.Ini"))));
    }

    void importButtonOpensImportOverParticipants_data()
    {
        QTest::addColumn<QString>("file"); // one sheet each: no preview to answer
        QTest::addColumn<int>("people");
        QTest::newRow("names") << "names_a.ods" << 3;
        // Row 3 has no name: the others are all in, nothing waits, and the window closes and saves.
        QTest::newRow("an empty name in the middle") << "gap_row3.xlsx" << 4;
    }
    void importButtonOpensImportOverParticipants()
    {
        QFETCH(QString, file);
        QFETCH(int, people);
        writeFiles(0, 0);
        openMain();
        openForm();
        QString title;
        QTimer::singleShot(0, this, [&] {
            auto* importWindow = qobject_cast<TK_ExcelAktarF*>(QApplication::activeModalWidget());
            if (!importWindow)
                return;
            title = importWindow->windowTitle();
            importWindow->form()->FilenameEdit1->setText(fixturePath(QStringLiteral("sheets/") + file));
            QTest::mouseClick(importWindow->form()->ZvWinButton1, Qt::LeftButton);
            importWindow->close();
        });
        QTest::mouseClick(form->form()->ZvWinButton2, Qt::LeftButton);
        QCOMPARE(title, QStringLiteral("K_ExcelAktarF"));
        // The rules act during the import because the definitions window exists.
        QCOMPARE(main->Kisi_T->recordCount(), people);
        QCOMPARE(form->form()->ZVRXDBGrid1->gridModel()->rowCount(), people);
        QVERIFY(messages->shown.contains(QStringLiteral("Bilgi: Excel den aktarım işlemi tamamlandı.")));
        QCOMPARE(main->Kisi_T->state(), dsBrowse);
        QVERIFY(form->close());
        QCOMPARE(QFileInfo(path(QStringLiteral("Kisi.Ini"))).size(), people * 84);
    }
};

CEKILIS_DECODING_TEST_MAIN(TestAyar1U, QApplication, {})
#include "test_Ayar1U.moc"
