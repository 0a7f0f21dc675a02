#include "DrawTables.h"
#include "FileDialogs.h"
#include "K_ExcelAktarU.h"
#include "PixelFont.h"
#include "RxMemoryData.h"
#include "ZvEdit.h"
#include "ZvWinButton.h"
#include "common/DecoderMain.h"
#include "common/FixturePath.h"
#include "common/ScriptedMessages.h"
#include "common/TestFiles.h"
#include "ui_K_ExcelAktarU.h"

#include <QCheckBox>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
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
        useProgramFonts(); // as the main window does before any other window
        window = std::make_unique<TK_ExcelAktarF>(*tables);
        window->show();
    }

    void cleanup()
    {
        window.reset();
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
        const Rows both = {{QStringLiteral("Ayşe Yılmaz"), QStringLiteral("İstanbul")},
                           {QStringLiteral("Mehmet Öztürk"), QStringLiteral("Ankara")},
                           {QStringLiteral("Gülşen Çağlar"), QStringLiteral("İzmir")}};
        Rows namesOnly = both;
        for (QStringList& row : namesOnly)
            row[1].clear();
        for (const char* ext : {"xls", "xlsx", "ods", "csv"})
        {
            QTest::addRow("with B, %s", ext) << QStringLiteral("names_ab.") + QLatin1String(ext) << true << both;
            QTest::addRow("B unchecked, %s", ext)
                << QStringLiteral("names_ab.") + QLatin1String(ext) << false << namesOnly;
        }
        QTest::newRow("no column B") << "names_a.xlsx" << true << namesOnly;
        QTest::newRow("inline strings, xlsx") << "inline_strings.xlsx" << true << both;
        QTest::newRow("title row is a participant")
            << "title_row.ods" << true << Rows{{QStringLiteral("Adı Soyadı"), QStringLiteral("Ek Bilgi")}} + both;
        for (const char* ext : {"ods", "xlsx"})
            QTest::addRow("named range, %s", ext)
                << QStringLiteral("named_range.") + QLatin1String(ext) << true << both;
        QTest::newRow("escaped characters, xlsx")
            << "escapes.xlsx" << true
            << Rows{{QStringLiteral("Ayşe\rYılmaz"), QStringLiteral("\x14İstanbul\x14")},
                    {QStringLiteral("Mehmet_x000D_Öztürk"), QStringLiteral("Ankara_x12_")},
                    {QStringLiteral("Gülşen Çağlar"), QStringLiteral("İzmir")}};
        QTest::newRow("array formulas, xlsx")
            << "array_formula.xlsx" << true
            << Rows{{QStringLiteral("1"), QString()}, both[0], {QStringLiteral("Can"), QStringLiteral("Çorum")}};
        // An error value is a name like any other text, not a missing one.
        for (const char* ext : {"xls", "xlsx", "ods"})
            QTest::addRow("error values, %s", ext) << QStringLiteral("errors.") + QLatin1String(ext) << true
                                                   << Rows{{QStringLiteral("Ayşe Yılmaz"), QStringLiteral("#DIV/0!")},
                                                           {QStringLiteral("#N/A"), QStringLiteral("Ankara")},
                                                           {QStringLiteral("#NAME?"), QStringLiteral("#VALUE!")}};
        for (const char* file : {"excel2.xls", "excel3.xls", "excel4.xls", "excel4_workbook.xls"})
            QTest::addRow("Excel 2.1-4.0, %s", file) << QString::fromLatin1(file) << true
                                                     << Rows{both[0],
                                                             {QStringLiteral("42"), QStringLiteral("3,5")},
                                                             {QStringLiteral("15.03.2024"), QStringLiteral("DOĞRU")},
                                                             {QStringLiteral("#DIV/0!"), QStringLiteral("Çorum")}};
    }
    void importsColumnsAAndB()
    {
        QFETCH(QString, file);
        QFETCH(bool, withExtra);
        QFETCH(Rows, expected);
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
            << QStringLiteral("291. satırda ad boş olduğu için aktarım durdu; sonraki 11 satır okunmadı. ") +
                   summary(290, 1, 289);
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
        expected << (gapRow ? emptyName : done);
        QCOMPARE(messages->shown, expected);
        QCOMPARE(window->form()->LabelDURUM->text(), status);
    }

    void emptyNameStopsTheImport_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("storedRows");
        QTest::addColumn<QString>("status");
        const QString gap = QStringLiteral("3. satırda ad boş olduğu için aktarım durdu; sonraki 2 satır okunmadı. ");
        QTest::newRow("gap in row 3") << "gap_row3.xlsx" << 2 << gap + summary(2, 2, 0);
        QTest::newRow("gap in row 3, xls") << "gap_row3.xls" << 2 << gap + summary(2, 2, 0);
        // The used range starts at row 3, but its 5 rows are read from row 1: nothing is imported.
        QTest::newRow("filled from row 3")
            << "from_row3.ods" << 0
            << QStringLiteral("1. satırda ad boş olduğu için aktarım durdu; sonraki 4 satır okunmadı. ") +
                   summary(0, 0, 0);
    }
    void emptyNameStopsTheImport()
    {
        QFETCH(QString, file);
        QFETCH(int, storedRows);
        QFETCH(QString, status);
        importFile(sheet(file), true);
        QCOMPARE(table->recordCount(), storedRows);
        QCOMPARE(window->form()->LabelDURUM->text(), status);
        QCOMPARE(messages->shown, (QStringList{question, emptyName}));
        // The refused row waits unstored in the table, with what the sheet gave it.
        QCOMPARE(table->state(), dsInsert);
        QCOMPARE(table->fieldAsString(0), QString());
        QVERIFY(window->isVisible());
        QVERIFY(!table->controlsDisabled());
        // While that row waits, a second import stops before its first row and says why.
        importFile(sheet(QStringLiteral("names_a.csv")), false);
        QCOMPARE(table->recordCount(), storedRows);
        QCOMPARE(window->form()->LabelDURUM->text(),
                 QStringLiteral("Kişi listesinde adı girilmemiş bir kayıt beklediği için aktarım başlamadı. ") +
                     summary(0, 0, 0));
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
        QTest::newRow("truncated") << "truncated.xlsx";
        QTest::newRow("random bytes") << "random.xlsx";
        QTest::newRow("password") << "encrypted.xls";
    }
    void unreadableWorkbookKeepsWindowOpen()
    {
        QFETCH(QString, file);
        importFile(sheet(file), true);
        QCOMPARE(messages->shown.size(), 2);
        QCOMPARE(messages->shown.first(), question);
        QVERIFY(messages->shown.last().startsWith(QStringLiteral("Bilgi: Excel dosyası okunamadı.")));
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
        QTest::newRow("nearest letters") << QStringLiteral("Łukasz\nŚukasz\nĐorđe\nAyşe\nErdős\n")
                                         << QStringList{QStringLiteral("Lukasz"), QStringLiteral("Sukasz"),
                                                        QStringLiteral("Dorde"), QStringLiteral("Ayşe"),
                                                        QStringLiteral("Erdös")}
                                         << QStringLiteral("Bilgi: Excel dosyasındaki 4 adda programın saklayamadığı "
                                                           "harfler vardı; bunlar en yakın harflerle değiştirildi "
                                                           "(örneğin \"Łukasz\" yerine \"Lukasz\").")
                                         << QStringList();
        // Eight people in four scripts, all kept and all different; the same person met again in
        // other letter case is still caught as a duplicate.
        QTest::newRow("other scripts")
            << QStringLiteral("Иван Петров\nИВАН ПЕТРОВ\nШура\nСура\nΖωή\nΝίκος\nمحمد علي\nحسن\n山田\n王小明\nAli\n")
            << QStringList{QStringLiteral("Ivan Petrov"), QStringLiteral("Shura"),     QStringLiteral("Sura"),
                           QStringLiteral("Zoi"),         QStringLiteral("Nikos"),     QStringLiteral("Mhmd 'Ly"),
                           QStringLiteral("Hsn"),         QStringLiteral("Shan Tian"), QStringLiteral("Wang Xiao Ming"),
                           QStringLiteral("Ali")}
            << QStringLiteral("Bilgi: Excel dosyasındaki 10 ad başka bir alfabeyle yazılmıştı; bunlar Latin "
                              "harfleriyle aktarıldı (örneğin \"Иван Петров\" yerine \"Ivan Petrov\").")
            << QStringList{QStringLiteral("IVAN PETROV")};
        // A list as it comes from abroad, imported the same way on every system.
        QTest::newRow("Russian, Greek and Arabic names")
            << QStringLiteral("Дмитрий Иванов\nΓιώργος Παπαδόπουλος\nمحمد الأحمد\n")
            << QStringList{QStringLiteral("Dmitriy Ivanov"), QStringLiteral("Giorgos Papadopoulos"),
                           QStringLiteral("Mhmd Alahmd")}
            << QStringLiteral("Bilgi: Excel dosyasındaki 3 ad başka bir alfabeyle yazılmıştı; bunlar Latin "
                              "harfleriyle aktarıldı (örneğin \"Дмитрий Иванов\" yerine \"Dmitriy Ivanov\").")
            << QStringList();
        // Names that come out the same in Latin letters are told apart by a number.
        QTest::newRow("same in Latin letters")
            << QStringLiteral("张伟\n章伟\n张伟\n😀\n😎\n")
            << QStringList{QStringLiteral("Zhang Wei"), QStringLiteral("Zhang Wei (2)"), QStringLiteral("?"),
                           QStringLiteral("? (2)")}
            << QStringLiteral("Bilgi: Excel dosyasındaki 3 ad başka bir alfabeyle yazılmıştı; bunlar Latin "
                              "harfleriyle aktarıldı (örneğin \"张伟\" yerine \"Zhang Wei\").\r\n"
                              "Latin harfleriyle aynı yazılan farklı 2 ada, ayırt edilebilmeleri için sıra numarası "
                              "eklendi (örneğin \"章伟\" yerine \"Zhang Wei (2)\").\r\n"
                              "Karşılığı olmayan harfler \"?\" olarak aktarıldı (2 kayıt).")
            << QStringList{QStringLiteral("ZHANG WEİ")};
        QTest::newRow("all in the code page")
            << QStringLiteral("Çağrı\nÖmür\n") << QStringList{QStringLiteral("Çağrı"), QStringLiteral("Ömür")}
            << QString() << QStringList();
    }
    void lettersOutsideTheCodePage()
    {
        QFETCH(QString, names);
        QFETCH(QStringList, stored);
        QFETCH(QString, notice);
        QFETCH(QStringList, duplicates);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("adlar.csv"));
        writeAll(path, names.toUtf8());
        importFile(path, false);
        QStringList got;
        for (const QStringList& row : this->stored())
            got << row[0];
        QCOMPARE(got, stored);
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
