#include "DrawTables.h"
#include "FileDialogs.h"
#include "K_ExcelAktarU.h"
#include "K_OnizlemeU.h"
#include "PixelFont.h"
#include "RxMemoryData.h"
#include "ZvEdit.h"
#include "ZvWinButton.h"
#include "common/DecoderMain.h"
#include "common/FixturePath.h"
#include "common/ScriptedMessages.h"
#include "common/TemporaryProgramFolder.h"
#include "common/TestFiles.h"
#include "ui_K_ExcelAktarU.h"
#include "ui_K_OnizlemeU.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace {
QString sheet(const QString& name)
{
    return fixturePath(QStringLiteral("sheets/") + name);
}

using Rows = QList<QStringList>;

const QString done = QStringLiteral("Bilgi: Excel den aktarım işlemi tamamlandı.");
const QString question =
    QStringLiteral("Soru: Dikkat : Excel den bilgi aktarımı yapılacaktır.\r\nAktarıma başlanılsın mı?");
const QString emptyName = QStringLiteral("Bilgi: Kişi Adını giriniz.");

QString summary(int read, int added, int skipped)
{
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    return QStringLiteral("%1 satır okundu: %2 kişi eklendi, %3 tekrar eden ad atlandı.")
        .arg(turkish.toString(read), turkish.toString(added), turkish.toString(skipped));
}

QString duplicate(const QString& key)
{
    return QStringLiteral("Bilgi: \"") + key + QStringLiteral("\" daha önce tanımlanmış");
}
} // namespace

class TestK_ExcelAktarU : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TDrawTables> tables;
    TRxMemoryData* table = nullptr;
    std::unique_ptr<ScriptedMessages> messages;
    std::unique_ptr<TK_ExcelAktarF> window;
    std::unique_ptr<TemporaryProgramFolder> folder; // where the preview keeps its choices
    // The preview windows met, and what the operator does in the next one: "BASLIK=0", "SAYFA=1",
    // "AD=2", "AD2=3", "EKBILGI=1" (columns from 1 = A, 0 = none), then "IPTAL" or, by default, "Aktar".
    int previews = 0;
    QString previewScript;
    std::function<void(TK_OnizlemeF&)> previewSeen;
    QTimer previewWatch;
    QPointer<TK_OnizlemeF> previewHandled;

    void answerPreview()
    {
        auto* preview = qobject_cast<TK_OnizlemeF*>(QApplication::activeModalWidget());
        if (!preview || preview == previewHandled)
            return;
        previewHandled = preview;
        ++previews;
        if (previewSeen)
            previewSeen(*preview);
        Ui::TK_OnizlemeF* ui = preview->form();
        bool cancel = false;
        for (const QString& step : previewScript.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        {
            const QString key = step.section(QLatin1Char('='), 0, 0);
            const int value = step.section(QLatin1Char('='), 1).toInt();
            QComboBox* combo = key == QLatin1String("SAYFA")     ? ui->ComboSAYFA
                               : key == QLatin1String("AD")      ? ui->ComboAD
                               : key == QLatin1String("AD2")     ? ui->ComboAD2
                               : key == QLatin1String("EKBILGI") ? ui->ComboEKBILGI
                                                                 : nullptr;
            if (combo)
                combo->setCurrentIndex(key == QLatin1String("SAYFA") ? value : combo->findData(value));
            else if (key == QLatin1String("BASLIK") && ui->CheckBASLIK->isChecked() != (value != 0))
                QTest::mouseClick(ui->CheckBASLIK, Qt::LeftButton, {}, QPoint(4, ui->CheckBASLIK->height() / 2));
            cancel = cancel || key == QLatin1String("IPTAL");
        }
        QTest::mouseClick(cancel ? ui->ButtonIPTAL : ui->ButtonAKTAR, Qt::LeftButton);
    }

    Rows stored() const
    {
        Rows rows;
        table->first();
        while (!table->eof())
        {
            rows << QStringList{table->fieldAsString(0), table->fieldAsString(1)};
            table->next();
        }
        return rows;
    }

    void importFile(const QString& typed, bool withExtra)
    {
        window->form()->FilenameEdit1->setText(typed);
        window->form()->CheckEKBILGI->setChecked(withExtra);
        QTest::mouseClick(window->form()->ZvWinButton1, Qt::LeftButton);
    }

    void addParticipant(const QString& name)
    {
        table->append();
        table->setFieldString(0, name);
        table->post();
    }

private Q_SLOTS:
    void init()
    {
        // The participants as the definitions window, which opens the import, has them.
        tables = std::make_unique<TDrawTables>();
        tables->setDefinitionsOpen(true);
        table = tables->Kisi_T;
        table->open();
        messages = std::make_unique<ScriptedMessages>();
        folder = std::make_unique<TemporaryProgramFolder>();
        previews = 0;
        previewScript.clear();
        previewSeen = {};
        previewWatch.setInterval(5);
        QObject::connect(&previewWatch, &QTimer::timeout, this, &TestK_ExcelAktarU::answerPreview,
                         Qt::UniqueConnection);
        previewWatch.start();
        useProgramFonts(); // as the main window does before any other window
        window = std::make_unique<TK_ExcelAktarF>(*tables);
        window->show();
    }

    void cleanup()
    {
        previewWatch.stop();
        window.reset();
        folder.reset();
        messages.reset();
        tables.reset();
        setFileDialogHandler({});
    }

    void startsEmptyWithItsTexts()
    {
        Ui::TK_ExcelAktarF* ui = window->form();
        QCOMPARE(window->windowTitle(), QStringLiteral("K_ExcelAktarF"));
        QCOMPARE(window->size(), QSize(452, 192));
        QCOMPARE(ui->Label1->text(), QStringLiteral("Excel den Bilgi Aktar"));
        QCOMPARE(ui->Label2->text(), QStringLiteral("Excel Dosyası"));
        QCOMPARE(ui->Label3->text(), QStringLiteral("Not : Ek Bilgiler B Sutünunda bulunmalıdır."));
        QCOMPARE(ui->CheckEKBILGI->text(), QStringLiteral("Ek Bilgileri Aktar"));
        QVERIFY(!ui->CheckEKBILGI->isChecked());
        QVERIFY(ui->FilenameEdit1->text().isEmpty());
        QCOMPARE(ui->ZvWinButton1->text(), QStringLiteral("Bilgileri Aktar"));
        // The browse dialog opens on every format the import reads, then offers the classic entry.
        const QStringList filters = qtNameFilters(TK_ExcelAktarF::browseFilter());
        QCOMPARE(filters.size(), 5);
        QCOMPARE(filters[0], QStringLiteral("Tüm Tablo Dosyaları (*.XLS *.XLSX *.ODS *.CSV)"));
        QCOMPARE(filters[1], QStringLiteral("Excel Dosyaları (*.XLS)"));
        QCOMPARE(QFontInfo(ui->Label2->font()).family(), QFontInfo(QFont(QStringLiteral("MS Sans Serif"))).family());
    }

    void importsColumnsAAndB_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("withExtra");
        QTest::addColumn<Rows>("expected");
        QTest::addColumn<QString>("script"); // for the preview of a workbook of several sheets
        const Rows both = {{QStringLiteral("Ayşe Yılmaz"), QStringLiteral("İstanbul")},
                           {QStringLiteral("Mehmet Öztürk"), QStringLiteral("Ankara")},
                           {QStringLiteral("Gülşen Çağlar"), QStringLiteral("İzmir")}};
        Rows namesOnly = both;
        for (QStringList& row : namesOnly)
            row[1].clear();
        for (const char* ext : {"xls", "xlsx", "ods", "csv"})
        {
            QTest::addRow("with B, %s", ext)
                << QStringLiteral("names_ab.") + QLatin1String(ext) << true << both << QString();
            QTest::addRow("B unchecked, %s", ext)
                << QStringLiteral("names_ab.") + QLatin1String(ext) << false << namesOnly << QString();
        }
        QTest::newRow("no column B") << "names_a.xlsx" << true << namesOnly << QString();
        QTest::newRow("inline strings, xlsx") << "inline_strings.xlsx" << true << both << QString();
        QTest::newRow("title row unticked is a participant")
            << "title_row.ods" << true << Rows{{QStringLiteral("Adı Soyadı"), QStringLiteral("Ek Bilgi")}} + both
            << "BASLIK=0";
        for (const char* ext : {"ods", "xlsx"})
            QTest::addRow("named range, %s", ext)
                << QStringLiteral("named_range.") + QLatin1String(ext) << true << both << QString();
        QTest::newRow("escaped characters, xlsx")
            << "escapes.xlsx" << true
            << Rows{{QStringLiteral("Ayşe\rYılmaz"), QStringLiteral("\x14İstanbul\x14")},
                    {QStringLiteral("Mehmet_x000D_Öztürk"), QStringLiteral("Ankara_x12_")},
                    {QStringLiteral("Gülşen Çağlar"), QStringLiteral("İzmir")}}
            << QString();
        QTest::newRow("array formulas, xlsx")
            << "array_formula.xlsx" << true
            << Rows{{QStringLiteral("1"), QString()}, both[0], {QStringLiteral("Can"), QStringLiteral("Çorum")}}
            << QString();
        // An error value is a name like any other text, not a missing one.
        for (const char* ext : {"xls", "xlsx", "ods"})
            QTest::addRow("error values, %s", ext) << QStringLiteral("errors.") + QLatin1String(ext) << true
                                                   << Rows{{QStringLiteral("Ayşe Yılmaz"), QStringLiteral("#DIV/0!")},
                                                           {QStringLiteral("#N/A"), QStringLiteral("Ankara")},
                                                           {QStringLiteral("#NAME?"), QStringLiteral("#VALUE!")}}
                                                   << QString();
        for (const char* file : {"excel2.xls", "excel3.xls", "excel4.xls", "excel4_workbook.xls"})
            QTest::addRow("Excel 2.1-4.0, %s", file) << QString::fromLatin1(file) << true
                                                     << Rows{both[0],
                                                             {QStringLiteral("42"), QStringLiteral("3,5")},
                                                             {QStringLiteral("15.03.2024"), QStringLiteral("DOĞRU")},
                                                             {QStringLiteral("#DIV/0!"), QStringLiteral("Çorum")}}
                                                     << QString();
    }
    void importsColumnsAAndB()
    {
        QFETCH(QString, file);
        QFETCH(bool, withExtra);
        QFETCH(Rows, expected);
        QFETCH(QString, script);
        previewScript = script;
        importFile(sheet(file), withExtra);
        QCOMPARE(stored(), expected);
        QCOMPARE(messages->shown, (QStringList{question, done}));
        QCOMPARE(table->state(), dsBrowse);
        QCOMPARE(window->form()->LabelDURUM->text(), summary(expected.size(), expected.size(), 0));
    }

    void duplicateIsCaughtOnce_data()
    {
        QTest::addColumn<QString>("already");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("names"); // stored in this order, between bars
        QTest::newRow("inside the sheet") << QString() << "duplicate.xlsx"
                                          << "Bilgi: \"AYŞE YILMAZ\" daha önce tanımlanmış"
                                          << "Ayşe Yılmaz|Mehmet Öztürk|Gülşen Çağlar|Irmak Su";
        QTest::newRow("already in the table") << "GÜLŞEN ÇAĞLAR"
                                              << "names_a.xls"
                                              << "Bilgi: \"GÜLŞEN ÇAĞLAR\" daha önce tanımlanmış"
                                              << "GÜLŞEN ÇAĞLAR|Ayşe Yılmaz|Mehmet Öztürk";
        // Ali / Veli / Veli / Can, the second Veli stored by the file as a repeat of the first.
        QTest::newRow("repeated row, ods") << QString() << "repeated_rows.ods"
                                           << "Bilgi: \"VELİ\" daha önce tanımlanmış"
                                           << "Ali|Veli|Can";
        QTest::newRow("repeated last row, ods") << QString() << "repeated_last.ods"
                                                << "Bilgi: \"VELİ\" daha önce tanımlanmış"
                                                << "Ali|Can|Veli";
    }
    void duplicateIsCaughtOnce()
    {
        QFETCH(QString, already);
        QFETCH(QString, file);
        QFETCH(QString, message);
        QFETCH(QString, names);
        if (!already.isEmpty())
            addParticipant(already);
        importFile(sheet(file), false);
        // The participant stored first is the one kept, in the order of the sheet.
        QStringList storedNames;
        for (const QStringList& row : stored())
            storedNames << row[0];
        QCOMPARE(storedNames, names.split(QLatin1Char('|')));
        QCOMPARE(messages->shown, (QStringList{question, message, done}));
        const int added = int(storedNames.size()) - (already.isEmpty() ? 0 : 1);
        QCOMPARE(window->form()->LabelDURUM->text(), summary(added + 1, added, 1));
    }

    // However many times a list repeats a name, the import costs a handful of clicks: a few
    // duplicate messages, one question that skips the rest, and the status line counts them all.
    void repeatedNamesCostAFewClicks_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("gapRow"); // 0: none
        QTest::addColumn<int>("skipAnswer");
        QTest::addColumn<int>("boxesAfterQuestion"); // -1: no question
        QTest::addColumn<QString>("status");
        QTest::newRow("300 identical names") << 300 << 0 << int(mrYes) << 0 << summary(300, 1, 299);
        QTest::newRow("100,000 identical names") << 100000 << 0 << int(mrYes) << 0 << summary(100000, 1, 99999);
        QTest::newRow("skipping refused") << 9 << 0 << int(mrNo) << 2 << summary(9, 1, 8);
        QTest::newRow("a handful asks nothing") << 6 << 0 << int(mrYes) << -1 << summary(6, 1, 5);
        QTest::newRow("gap in row 291 of 302")
            << 302 << 291 << int(mrYes) << 0
            << summary(302, 1, 300).chopped(1) + QStringLiteral(", adı boş 1 satır atlandı (291).");
    }
    void repeatedNamesCostAFewClicks()
    {
        QFETCH(int, rows);
        QFETCH(int, gapRow);
        QFETCH(int, skipAnswer);
        QFETCH(int, boxesAfterQuestion);
        QFETCH(QString, status);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tekrar.csv"));
        QByteArray csv;
        for (int row = 1; row <= rows; ++row)
            csv += row == gapRow ? QByteArray(",Ankara\n") : QByteArray("Veli,Ankara\n");
        writeAll(path, csv);
        messages->setNextAnswer(mrYes);
        messages->setNextAnswer(skipAnswer);
        importFile(path, true);

        QCOMPARE(table->recordCount(), 1);
        QStringList expected{question};
        expected << QStringList(std::min(rows - 1, 5), duplicate(QStringLiteral("VELİ")));
        if (boxesAfterQuestion >= 0)
            expected << QStringLiteral("Soru: \"VELİ\" daha önce tanımlanmış.\r\nBu aktarımda başka tekrar eden "
                                       "adlar da var. Kalan tekrar eden adlar mesaj gösterilmeden atlansın mı?")
                     << QStringList(boxesAfterQuestion, duplicate(QStringLiteral("VELİ")));
        expected << done;
        QCOMPARE(messages->shown, expected);
        QCOMPARE(window->form()->LabelDURUM->text(), status);
    }

    // A row without a name is left out and counted; the rows after it are read, nothing waits
    // unstored in the table, and another import can follow at once.
    void emptyRowsAreSkippedAndCounted_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("storedRows");
        QTest::addColumn<QString>("status");
        const QString gap = QStringLiteral(", adı boş 1 satır atlandı (3).");
        QTest::newRow("gap in row 3") << "gap_row3.xlsx" << 4 << summary(5, 4, 0).chopped(1) + gap;
        QTest::newRow("gap in row 3, xls") << "gap_row3.xls" << 4 << summary(5, 4, 0).chopped(1) + gap;
        // Rows 1 and 2 are above the used range: the list starts at row 3 and is read to its end.
        QTest::newRow("filled from row 3") << "from_row3.ods" << 5 << summary(5, 5, 0);
    }
    void emptyRowsAreSkippedAndCounted()
    {
        QFETCH(QString, file);
        QFETCH(int, storedRows);
        QFETCH(QString, status);
        importFile(sheet(file), true);
        QCOMPARE(table->recordCount(), storedRows);
        QCOMPARE(window->form()->LabelDURUM->text(), status);
        QCOMPARE(messages->shown, (QStringList{question, done}));
        QCOMPARE(table->state(), dsBrowse);
        QVERIFY(window->isVisible());
        QVERIFY(!table->controlsDisabled());
        importFile(sheet(QStringLiteral("names_a.csv")), false);
        QCOMPARE(table->recordCount(), storedRows + 3);
        QCOMPARE(window->form()->LabelDURUM->text(), summary(3, 3, 0));
    }

    // Lists as organisers get them: headings, name and surname apart, several sheets, empty rows.
    // `source` is the text of a list (written as .csv) or "@" and a fixture's name.
    void previewChoices_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("previewsShown");
        QTest::addColumn<Rows>("expected");
        QTest::addColumn<QString>("status");
        const QString headed = QStringLiteral("Ad Soyad,İl / İlçe\nAyşe Yılmaz,İstanbul\nMehmet Öztürk,Ankara\n");
        const Rows two = {{QStringLiteral("Ayşe Yılmaz"), QStringLiteral("İstanbul")},
                          {QStringLiteral("Mehmet Öztürk"), QStringLiteral("Ankara")}};
        const QString headingSkipped = QStringLiteral(", başlık satırı atlandı.");
        QTest::newRow("heading row skipped by default")
            << headed << QString() << 1 << two << summary(3, 2, 0).chopped(1) + headingSkipped;
        QTest::newRow("heading row kept when unticked")
            << headed << "BASLIK=0" << 1 << Rows{{QStringLiteral("Ad Soyad"), QStringLiteral("İl / İlçe")}} + two
            << summary(3, 3, 0);
        QTest::newRow("first name and surname joined")
            << QStringLiteral("Adı,Soyadı,İl\nAyşe,Yılmaz,İstanbul\n,,\nMehmet , Öztürk,Ankara\n") << QString() << 1
            << two << summary(4, 2, 0).chopped(1) + QStringLiteral(", başlık satırı atlandı, 1 boş satır atlandı (3).");
        QTest::newRow("surname given up") << QStringLiteral("Adı,Soyadı,İl\nAyşe,Yılmaz,İstanbul\n") << "AD2=0" << 1
                                          << Rows{{QStringLiteral("Ayşe"), QStringLiteral("İstanbul")}}
                                          << summary(2, 1, 0).chopped(1) + headingSkipped;
        // "Bilet" names no column, but stands over numbers: a heading all the same.
        QTest::newRow("text over numbers, columns chosen")
            << QStringLiteral("Bilet,Misafir,Masa\n101,Ayşe Yılmaz,İstanbul\n102,Mehmet Öztürk,Ankara\n")
            << "AD=2;EKBILGI=3" << 1 << two << summary(3, 2, 0).chopped(1) + headingSkipped;
        for (const char* ext : {"xlsx", "ods", "xls"})
            QTest::addRow("second sheet chosen, %s", ext)
                << QStringLiteral("@names_ab.") + QLatin1String(ext) << "SAYFA=1" << 1
                << Rows{{QStringLiteral("ikinci sayfa"), QString()}} << summary(1, 1, 0);
        QTest::newRow("İptal stores nothing")
            << "@names_ab.ods"
            << "IPTAL" << 1 << Rows() << QStringLiteral("Aktarım iptal edildi; hiçbir kayıt eklenmedi.");
        QTest::newRow("plain two-column list opens no preview")
            << QStringLiteral("Ayşe Yılmaz,İstanbul\nMehmet Öztürk,Ankara\n") << QString() << 0 << two
            << summary(2, 2, 0);
        // A heading, ten people, an empty row and five more: all fifteen are in.
        QString list = QStringLiteral("Adı Soyadı,Şehir\n");
        Rows fifteen;
        for (int i = 1; i <= 16; ++i)
        {
            if (i == 11)
            {
                list += QStringLiteral(",\n");
                continue;
            }
            list += QStringLiteral("Kişi %1,Yer %1\n").arg(i);
            fifteen << QStringList{QStringLiteral("Kişi %1").arg(i), QStringLiteral("Yer %1").arg(i)};
        }
        QTest::newRow("heading, ten, an empty row, five more")
            << list << QString() << 1 << fifteen
            << summary(17, 15, 0).chopped(1) + QStringLiteral(", başlık satırı atlandı, 1 boş satır atlandı (12).");
        const QString longName = QStringLiteral("Fatma Zehra Gülşen Yeşilçimenoğlu Karadeniz");
        QTest::newRow("long names shortened at a word and counted")
            << QStringLiteral("Ali,Van\n") + longName + QStringLiteral(",Rize\nCan,Muş\n") + longName +
                   QStringLiteral(" Kaya,Ordu\n")
            << QString() << 0
            << Rows{{QStringLiteral("Ali"), QStringLiteral("Van")},
                    {QStringLiteral("Fatma Zehra Gülşen Yeşilçimenoğlu"), QStringLiteral("Rize")},
                    {QStringLiteral("Can"), QStringLiteral("Muş")}}
            << summary(4, 3, 1).chopped(1) + QStringLiteral(", 2 ad 40 karaktere kısaltıldı (2, 4).");
    }
    void previewChoices()
    {
        QFETCH(QString, source);
        QFETCH(QString, script);
        QFETCH(int, previewsShown);
        QFETCH(Rows, expected);
        QFETCH(QString, status);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("liste.csv"));
        if (source.startsWith(QLatin1Char('@')))
            path = sheet(source.mid(1));
        else
            writeAll(path, source.toUtf8());
        previewScript = script;
        importFile(path, true);
        QCOMPARE(previews, previewsShown);
        QCOMPARE(stored(), expected);
        QCOMPARE(window->form()->LabelDURUM->text(), status);
        QCOMPARE(table->state(), dsBrowse);
        QCOMPARE(messages->shown.contains(done), !script.contains(QLatin1String("IPTAL")));
    }

    // The preview opens with the choices of the last import, also in a later run of the program;
    // the main window's own settings are left as they are.
    void previewChoicesAreKept()
    {
        writeAll(folder->filePath(QStringLiteral("Ayar.Ini")), "[TMainF]\r\nSpinCKSR=7\r\n");
        previewScript = QStringLiteral("SAYFA=0;AD=2;EKBILGI=1");
        importFile(sheet(QStringLiteral("names_ab.xlsx")), true);
        QCOMPARE(stored().first(), (QStringList{QStringLiteral("İstanbul"), QStringLiteral("Ayşe Yılmaz")}));
        const QByteArray ini = readAll(folder->filePath(QStringLiteral("Ayar.Ini")));
        QVERIFY(ini.startsWith("[TMainF]\r\nSpinCKSR=7\r\n"));
        QVERIFY(ini.contains("[K_OnizlemeF]"));

        // A new run: new tables, a new window, the same folder.
        window.reset();
        table->emptyTable();
        window = std::make_unique<TK_ExcelAktarF>(*tables);
        window->show();
        int name = 0, extra = 0;
        previewSeen = [&](TK_OnizlemeF& preview) {
            name = preview.form()->ComboAD->currentData().toInt();
            extra = preview.form()->ComboEKBILGI->currentData().toInt();
        };
        previewScript = QStringLiteral("IPTAL");
        importFile(sheet(QStringLiteral("names_ab.ods")), true);
        QCOMPARE(previews, 2);
        QCOMPARE(name, 2);
        QCOMPARE(extra, 1);
        QCOMPARE(table->recordCount(), 0);
    }

    // The preview's heading rules on their own: words compared by the Turkish rules, numbers below a text.
    void headingsAndTheColumnsTheyName_data()
    {
        QTest::addColumn<QString>("rows"); // lines of cells between bars
        QTest::addColumn<bool>("heading");
        QTest::addColumn<QString>("columns"); // name, second name, extra
        QTest::newRow("ad soyad, il") << "Sıra No|AD SOYAD|İL / İLÇE\n1|Ayşe|Van" << true << "2,0,3";
        QTest::newRow("adı and soyadı") << "adı|soyadı|şehir\nAyşe|Kaya|Van" << true << "1,2,3";
        QTest::newRow("isim, lower case dotless") << "isim|adres\nAli|Van" << true << "1,0,2";
        QTest::newRow("katılımcı") << "Telefon|Katılımcı\n555|Ali" << true << "2,0,2";
        QTest::newRow("names are no headings") << "Ayşe Yılmaz|İstanbul\nAli|Van" << false << "1,0,2";
        QTest::newRow("a name over numbers is not a heading") << "Ali|Van\n5|6" << false << "1,0,2";
        QTest::newRow("text over dates") << "Kayıt|Kişi\n01.02.2024|Ali\n03.02.2024|Can" << true << "2,0,2";
        QTest::newRow("il in small letters is İL") << "il|Ad\nVan|Ali" << true << "2,0,1";
    }
    void headingsAndTheColumnsTheyName()
    {
        QFETCH(QString, rows);
        QFETCH(bool, heading);
        QFETCH(QString, columns);
        QList<QStringList> cells;
        for (const QString& line : rows.split(QLatin1Char('\n')))
            cells << line.split(QLatin1Char('|'));
        QCOMPARE(looksLikeHeadings(cells), heading);
        const TImportChoice chosen = columnsNamedByHeadings(cells.first(), TImportChoice());
        QCOMPARE(QStringLiteral("%1,%2,%3").arg(chosen.nameColumn).arg(chosen.secondNameColumn).arg(chosen.extraColumn),
                 columns);
    }

    void fileBoxChecksComeFirst_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QString() << "Bilgi: Excel dosyasını belirtmelisiniz.";
        QTest::newRow("blanks") << "   "
                                << "Bilgi: Excel dosyasını belirtmelisiniz.";
        QTest::newRow("empty quotes") << "\"\""
                                      << "Bilgi: Excel dosyasını belirtmelisiniz.";
        QTest::newRow("missing") << sheet(QStringLiteral("yok.xls"))
                                 << "Bilgi: Excel dosyası bulunamadı. Lütfen yolun doğruluğunu kontrol ediniz.";
        QTest::newRow("folder") << QStringLiteral(FIXTURES_DIR)
                                << "Bilgi: Excel dosyası bulunamadı. Lütfen yolun doğruluğunu kontrol ediniz.";
    }
    void fileBoxChecksComeFirst()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        window->form()->CheckEKBILGI->setFocus();
        importFile(typed, true);
        QCOMPARE(messages->shown, QStringList{message});
        QCOMPARE(table->recordCount(), 0);
        QCOMPARE(window->focusWidget(), window->form()->FilenameEdit1);
    }

    void answeringNoImportsNothing()
    {
        messages->setNextAnswer(mrNo);
        importFile(sheet(QStringLiteral("names_ab.xlsx")), true);
        QCOMPARE(messages->shown, QStringList{question});
        QCOMPARE(table->recordCount(), 0);
    }

    void unreadableWorkbookKeepsWindowOpen_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason"); // the line after "Excel dosyası okunamadı."
        const QString damaged = QStringLiteral("Dosya bozuk: içindeki bilgiler eksik ya da hatalı.");
        QTest::newRow("truncated") << "truncated.xlsx" << damaged;
        QTest::newRow("random bytes") << "random.xlsx"
                                      << "Dosya bir hesap tablosu değil.";
        QTest::newRow("password") << "encrypted.xls"
                                  << "Dosya parola ile korunuyor; parolasız kaydedip yeniden deneyin.";
        QTest::newRow("shared strings missing") << "no_shared_strings.xlsx"
                                                << "Dosya bozuk: hücrelerin gösterdiği metinler dosyada yok.";
        QTest::newRow("damaged markup, found by fuzzing") << "fuzz_orcus_null_1.ods" << damaged;
    }
    void unreadableWorkbookKeepsWindowOpen()
    {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        importFile(sheet(file), true);
        QCOMPARE(messages->shown, (QStringList{question, QStringLiteral("Bilgi: Excel dosyası okunamadı. ") + reason}));
        QCOMPARE(table->recordCount(), 0);
        QCOMPARE(table->state(), dsBrowse);
        QVERIFY(window->isVisible());
    }

    // Where the process that decodes workbooks cannot be started, nothing is decoded in the
    // program itself: the import says so and imports nothing.
    void decoderThatCannotStartImportsNothing()
    {
        const QString self = spreadsheetDecoderProgram();
        setSpreadsheetDecoderProgram(QStringLiteral("/nonexistent/cekilis"));
        importFile(sheet(QStringLiteral("names_ab.xlsx")), true);
        setSpreadsheetDecoderProgram(self);
        QCOMPARE(messages->shown,
                 (QStringList{question, QStringLiteral("Bilgi: Excel dosyası okunamadı: dosyayı okuyacak işlem "
                                                       "başlatılamadı. Hiçbir kayıt aktarılmadı; programı kapatıp "
                                                       "yeniden açın.")}));
        QCOMPARE(table->recordCount(), 0);
        QVERIFY(window->isVisible());
    }

    void quotedAndSpacedPaths()
    {
        QTemporaryDir dir;
        const QString spaced = dir.filePath(QStringLiteral("katılımcı listesi.xlsx"));
        QVERIFY(QFile::copy(sheet(QStringLiteral("names_ab.xlsx")), spaced));
        // An existing name is taken as it stands, blanks and all.
        QCOMPARE(TK_ExcelAktarF::fileNameOf(spaced), spaced);
        // Otherwise the text is a command line: its first item, without the quotes.
        QCOMPARE(TK_ExcelAktarF::fileNameOf(QLatin1Char('"') + spaced + QStringLiteral("\" /x")), spaced);
        QCOMPARE(TK_ExcelAktarF::fileNameOf(QStringLiteral("  a.xls b.xls")), QStringLiteral("a.xls"));

        importFile(QLatin1Char('"') + spaced + QLatin1Char('"'), false);
        QCOMPARE(table->recordCount(), 3);
        QCOMPARE(messages->shown.last(), done);
    }

    void browseButtonQuotesPathsWithBlanks()
    {
        FileDialogRequest seen;
        setFileDialogHandler([&](QWidget*, const FileDialogRequest& request) {
            seen = request;
            return QStringLiteral("/tmp/iki kelime.xls");
        });
        window->form()->FilenameEdit1->BtnClick();
        QCOMPARE(seen.kind, FileDialogRequest::Open);
        QCOMPARE(seen.filter, TK_ExcelAktarF::browseFilter());
        QCOMPARE(window->form()->FilenameEdit1->text(), QStringLiteral("\"/tmp/iki kelime.xls\""));
        setFileDialogHandler([](QWidget*, const FileDialogRequest&) { return QString(); });
        window->form()->FilenameEdit1->BtnClick();
        QCOMPARE(window->form()->FilenameEdit1->text(), QStringLiteral("\"/tmp/iki kelime.xls\""));
    }

    // Whatever its name, the workbook picked with the browse button is the one imported.
    void pickedWorkbookOpens_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("quoted");
        QTest::newRow("plain") << "liste.xlsx" << false;
        QTest::newRow("blank") << "katılımcı listesi.xlsx" << true;
        QTest::newRow("double quote") << "liste\"2\".xlsx" << false;
        QTest::newRow("blank and double quote") << "\"yeni\" liste.xlsx" << false;
        QTest::newRow("blank and double quote inside") << "liste \"son\" 2.xlsx" << false;
    }
    void pickedWorkbookOpens()
    {
        QFETCH(QString, name);
        QFETCH(bool, quoted);
#ifdef Q_OS_WIN
        if (name.contains(QLatin1Char('"')))
            QSKIP("Windows allows no double quote in a file name");
#endif
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QVERIFY(QFile::copy(sheet(QStringLiteral("names_ab.xlsx")), path));
        setFileDialogHandler([&](QWidget*, const FileDialogRequest&) { return path; });
        window->form()->FilenameEdit1->BtnClick();
        QCOMPARE(window->form()->FilenameEdit1->text().startsWith(QLatin1Char('"')), quoted);
        QTest::mouseClick(window->form()->ZvWinButton1, Qt::LeftButton);
        QCOMPARE(table->recordCount(), 3);
        QCOMPARE(messages->shown, (QStringList{question, done}));
    }

    // Letters the code page lacks become their nearest letters, so that no two people collide
    // as "?"; one notice after the import tells how many names were changed.
    void lettersOutsideTheCodePage_data()
    {
        QTest::addColumn<QString>("names");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QStringList>("duplicates"); // keys of the duplicate messages
        QTest::addColumn<QStringList>("present");    // participants before the import
        QTest::newRow("nearest letters") << QStringLiteral("Łukasz\nŚukasz\nĐorđe\nAyşe\nErdős\n")
                                         << QStringList{QStringLiteral("Lukasz"), QStringLiteral("Sukasz"),
                                                        QStringLiteral("Dorde"), QStringLiteral("Ayşe"),
                                                        QStringLiteral("Erdös")}
                                         << QStringLiteral("Bilgi: CSV dosyasındaki 4 adda programın saklayamadığı "
                                                           "harfler vardı; bunlar en yakın harflerle değiştirildi "
                                                           "(örneğin \"Łukasz\" yerine \"Lukasz\").")
                                         << QStringList() << QStringList();
        // Eight people in four scripts, all kept and all different; the same person met again in
        // other letter case is still caught as a duplicate.
        QTest::newRow("other scripts")
            << QStringLiteral("Иван Петров\nИВАН ПЕТРОВ\nШура\nСура\nΖωή\nΝίκος\nمحمد علي\nحسن\n山田\n王小明\nAli\n")
            << QStringList{QStringLiteral("Ivan Petrov"), QStringLiteral("Shura"),     QStringLiteral("Sura"),
                           QStringLiteral("Zoi"),         QStringLiteral("Nikos"),     QStringLiteral("Mhmd 'Ly"),
                           QStringLiteral("Hsn"),         QStringLiteral("Shan Tian"), QStringLiteral("Wang Xiao Ming"),
                           QStringLiteral("Ali")}
            << QStringLiteral("Bilgi: CSV dosyasındaki 9 ad başka bir alfabeyle yazılmıştı; bunlar Latin "
                              "harfleriyle aktarıldı (örneğin \"Иван Петров\" yerine \"Ivan Petrov\").")
            << QStringList{QStringLiteral("IVAN PETROV")} << QStringList();
        // A list as it comes from abroad, imported the same way on every system.
        QTest::newRow("Russian, Greek and Arabic names")
            << QStringLiteral("Дмитрий Иванов\nΓιώργος Παπαδόπουλος\nمحمد الأحمد\n")
            << QStringList{QStringLiteral("Dmitriy Ivanov"), QStringLiteral("Giorgos Papadopoulos"),
                           QStringLiteral("Mhmd Alahmd")}
            << QStringLiteral("Bilgi: CSV dosyasındaki 3 ad başka bir alfabeyle yazılmıştı; bunlar Latin "
                              "harfleriyle aktarıldı (örneğin \"Дмитрий Иванов\" yerine \"Dmitriy Ivanov\").")
            << QStringList() << QStringList();
        // Names that come out the same in Latin letters are told apart by a number.
        QTest::newRow("same in Latin letters")
            << QStringLiteral("张伟\n章伟\n张伟\n😀\n😎\n")
            << QStringList{QStringLiteral("Zhang Wei"), QStringLiteral("Zhang Wei (2)"), QStringLiteral("?"),
                           QStringLiteral("? (2)")}
            << QStringLiteral("Bilgi: CSV dosyasındaki 2 ad başka bir alfabeyle yazılmıştı; bunlar Latin "
                              "harfleriyle aktarıldı (örneğin \"张伟\" yerine \"Zhang Wei\").\r\n"
                              "Latin harfleriyle aynı yazılan farklı 2 ada, ayırt edilebilmeleri için sıra numarası "
                              "eklendi (örneğin \"章伟\" yerine \"Zhang Wei (2)\").\r\n"
                              "Karşılığı olmayan harfler \"?\" olarak aktarıldı (2 kayıt).")
            << QStringList{QStringLiteral("ZHANG WEİ")} << QStringList();
        QTest::newRow("all in the code page")
            << QStringLiteral("Çağrı\nÖmür\n") << QStringList{QStringLiteral("Çağrı"), QStringLiteral("Ömür")}
            << QString() << QStringList() << QStringList();
        // Only names the import added are told about: a name refused as a repeat adds nobody.
        const QString latin = QStringLiteral("Bilgi: CSV dosyasındaki 1 ad başka bir alfabeyle yazılmıştı; bunlar "
                                             "Latin harfleriyle aktarıldı (örneğin \"Шура\" yerine \"Shura\").");
        QTest::newRow("nobody added") << QStringLiteral("Иван\nШура\n") << QStringList() << QString()
                                      << QStringList{QStringLiteral("IVAN"), QStringLiteral("SHURA")}
                                      << QStringList{QStringLiteral("Ivan"), QStringLiteral("Shura")};
        QTest::newRow("one of two added")
            << QStringLiteral("Иван\nШура\n") << QStringList{QStringLiteral("Shura")} << latin
            << QStringList{QStringLiteral("IVAN")} << QStringList{QStringLiteral("Ivan")};
    }
    void lettersOutsideTheCodePage()
    {
        QFETCH(QString, names);
        QFETCH(QStringList, stored);
        QFETCH(QString, notice);
        QFETCH(QStringList, duplicates);
        QFETCH(QStringList, present);
        for (const QString& name : present)
            addParticipant(name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("adlar.csv"));
        writeAll(path, names.toUtf8());
        importFile(path, false);
        QStringList got;
        for (const QStringList& row : this->stored())
            got << row[0];
        QCOMPARE(got, present + stored);
        QStringList expected{question};
        for (const QString& key : duplicates)
            expected << duplicate(key);
        expected << done;
        if (!notice.isEmpty())
            expected << notice;
        QCOMPARE(messages->shown, expected);
    }

    // While the workbook is read and stored the window paints, shows the wait cursor and takes
    // no input; afterwards it is as before.
    void windowPaintsButTakesNoInputWhileImporting()
    {
        QString status;
        Qt::CursorShape cursor = Qt::ArrowCursor;
        QTimer::singleShot(0, window.get(), [&] {
            status = window->form()->LabelDURUM->text();
            cursor = window->cursor().shape();
            // A second click and Esc reach nothing while the import runs.
            QTest::mouseClick(window->form()->ZvWinButton1, Qt::LeftButton);
            QTest::keyClick(window->form()->FilenameEdit1, Qt::Key_Escape);
            window->close();
        });
        importFile(sheet(QStringLiteral("duplicate.xlsx")), false);
        QCOMPARE(status, QStringLiteral("Excel dosyası okunuyor..."));
        QCOMPARE(cursor, Qt::WaitCursor);
        QCOMPARE(messages->shown.count(question), 1);
        QCOMPARE(messages->shown.last(), done);
        QCOMPARE(table->recordCount(), 4);
        QVERIFY(window->isVisible());
        QCOMPARE(window->form()->LabelDURUM->text(), summary(5, 4, 1));
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(window->form()->FilenameEdit1->cursor().shape(), Qt::IBeamCursor);
    }

    void longCellsAreCutTo40Characters()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("uzun.csv"));
        const QString longName = QStringLiteral("Şükrü ") + QString(50, QLatin1Char('x'));
        writeAll(path, (longName + QLatin1Char(',') + QString(45, QLatin1Char('y')) + QLatin1Char('\n')).toUtf8());
        importFile(path, true);
        QCOMPARE(stored(), (Rows{{longName.left(40), QString(40, QLatin1Char('y'))}}));
    }

    void escCloses()
    {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QTRY_VERIFY(!window->isVisible());
        QVERIFY(messages->shown.isEmpty());
    }
};

CEKILIS_DECODING_TEST_MAIN(TestK_ExcelAktarU, QApplication, {})
#include "test_K_ExcelAktarU.moc"
