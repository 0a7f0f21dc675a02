#include "FileDialogs.h"
#include "MessageBoxes.h"
#include "Messages.h"
#include "ProgramTranslation.h"
#include "common/ScriptedFileDialogs.h"
#include "common/ScriptedMessages.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

class TestFileDialogs : public QObject
{
    Q_OBJECT

    // Drives the real dialog the test opens next: `act` runs once that dialog is up, inside its
    // modal loop. Whatever happens meanwhile (a file-system model still reading, a key that went
    // astray), every dialog and box still open TimeBoundMs after the driver was made is rejected,
    // so the test ends with a clear failure rather than hanging.
    template <class Dialog> class DialogDriver
    {
    public:
        static constexpr int TimeBoundMs = 5000;

        explicit DialogDriver(std::function<void(Dialog*)> act)
        {
            poll.setInterval(20);
            QObject::connect(&poll, &QTimer::timeout, [this, act] {
                for (QWidget* w : QApplication::topLevelWidgets())
                {
                    auto* dialog = qobject_cast<Dialog*>(w);
                    if (dialog && dialog->isVisible() && dialog == QApplication::activeModalWidget())
                    {
                        poll.stop();
                        act(dialog);
                        return;
                    }
                }
            });
            poll.start();
            bound.setSingleShot(true);
            QObject::connect(&bound, &QTimer::timeout, [this] {
                timedOut = true;
                while (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                    open->reject();
            });
            bound.start(TimeBoundMs);
        }

        bool timedOut = false;

    private:
        QTimer poll;
        QTimer bound;
    };
    // What the dialog's Save or Open button does, whether or not the button is enabled yet.
    static void accept(QFileDialog* dialog) { static_cast<QDialog*>(dialog)->accept(); }

    static void touch(const QString& path)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    // Names the dialog's file list shows for its current folder, once it has read it.
    static QStringList listedNames(QFileDialog* dialog, int expected)
    {
        auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
        if (!view)
            return {};
        QStringList names;
        // The model reads a small folder in one batch: once the expected names are in, a file the
        // filter lets through would be too. A list still short shows in the caller's comparison.
        static_cast<void>(QTest::qWaitFor(
            [&] {
                names.clear();
                const QModelIndex root = view->rootIndex();
                for (int r = 0; r < view->model()->rowCount(root); ++r)
                    names << view->model()->index(r, 0, root).data().toString();
                return names.size() >= expected;
            },
            3000));
        names.sort();
        return names;
    }

private slots:
    void filtersInQtForm_data()
    {
        QTest::addColumn<QString>("classic");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("one pattern") << QStringLiteral("Txt Dosyaları|*.txt")
                                     << QStringList{QStringLiteral("Txt Dosyaları (*.txt)")};
        QTest::newRow("patterns by semicolons")
            << QStringLiteral("Resim Dosyaları|*.BMP;*.JPG;*.JPEG;*.GIF")
            << QStringList{QStringLiteral("Resim Dosyaları (*.BMP *.JPG *.JPEG *.GIF)")};
        QTest::newRow("two pairs, every file")
            << QStringLiteral("Txt Dosyaları|*.txt|Tüm Dosyalar|*.*")
            << QStringList{QStringLiteral("Txt Dosyaları (*.txt)"), QStringLiteral("Tüm Dosyalar (*)")};
        QTest::newRow("empty") << QString() << QStringList{};
        QTest::newRow("description alone") << QStringLiteral("Müzik Dosyaları") << QStringList{};
        QTest::newRow("trailing description")
            << QStringLiteral("Excel Dosyaları|*.XLS|Eksik") << QStringList{QStringLiteral("Excel Dosyaları (*.XLS)")};
        QTest::newRow("stray separators and blanks") << QStringLiteral("Boş||Müzik Dosyaları| *.WAV;;*.MP3; ")
                                                     << QStringList{QStringLiteral("Müzik Dosyaları (*.WAV *.MP3)")};
    }
    void filtersInQtForm()
    {
        QFETCH(QString, classic);
        QFETCH(QStringList, expected);
        QCOMPARE(qtNameFilters(classic), expected);
    }

    void defaultExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bare name") << QStringLiteral("/d/kazananlar") << QStringLiteral("TXT")
                                   << QStringLiteral("/d/kazananlar.TXT");
        QTest::newRow("has one") << QStringLiteral("/d/liste.txt") << QStringLiteral("TXT")
                                 << QStringLiteral("/d/liste.txt");
        QTest::newRow("other extension kept")
            << QStringLiteral("/d/liste.csv") << QStringLiteral("TXT") << QStringLiteral("/d/liste.csv");
        QTest::newRow("dot only in the folder")
            << QStringLiteral("/d/v1.2/sonuc") << QStringLiteral("TXT") << QStringLiteral("/d/v1.2/sonuc.TXT");
        QTest::newRow("trailing dot") << QStringLiteral("/d/sonuc.") << QStringLiteral("TXT")
                                      << QStringLiteral("/d/sonuc.TXT");
        QTest::newRow("no default") << QStringLiteral("/d/sonuc") << QString() << QStringLiteral("/d/sonuc");
        QTest::newRow("cancelled stays cancelled") << QString() << QStringLiteral("TXT") << QString();
    }
    void defaultExtension()
    {
        QFETCH(QString, name);
        QFETCH(QString, ext);
        QFETCH(QString, expected);
        QCOMPARE(withDefaultExtension(name, ext), expected);
    }

    // The dialog completes only a name without any dot and asks about the name it returns;
    // "sonuc." is completed afterwards, so replacing the file it then names is asked about here.
    void completedNameAsksBeforeReplacing_data()
    {
        QTest::addColumn<QString>("returned"); // by the dialog
        QTest::addColumn<bool>("exists");      // the completed name is a file already
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("result"); // empty: nothing is to be saved
        QTest::newRow("trailing dot over a file, Yes") << "sonuc." << true << int(mrYes) << "sonuc.TXT";
        QTest::newRow("trailing dot over a file, No") << "sonuc." << true << int(mrNo) << "";
        QTest::newRow("trailing dot, new file") << "sonuc." << false << int(mrNo) << "sonuc.TXT";
        QTest::newRow("completed by the dialog, which asked") << "sonuc.TXT" << true << int(mrNo) << "sonuc.TXT";
        QTest::newRow("cancelled") << "" << true << int(mrNo) << "";
    }
    void completedNameAsksBeforeReplacing()
    {
        QFETCH(QString, returned);
        QFETCH(bool, exists);
        QFETCH(int, answer);
        QFETCH(QString, result);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString completed = dir.filePath(QStringLiteral("sonuc.TXT"));
        if (exists)
            touch(completed);
        ScriptedMessages messages;
        messages.setNextAnswer(answer);
        setFileDialogHandler([&](QWidget*, const FileDialogRequest&) {
            return returned.isEmpty() ? QString() : dir.filePath(returned);
        });
        const QString chosen = getSaveFileName(nullptr, QString(), dir.path(), QStringLiteral("Txt Dosyaları|*.txt"),
                                               QStringLiteral("TXT"));
        setFileDialogHandler({});
        QCOMPARE(chosen, result.isEmpty() ? QString() : dir.filePath(result));
        const bool asked = exists && returned == QStringLiteral("sonuc.");
        QCOMPARE(messages.shown, asked ? QStringList{QStringLiteral("Soru: \"") + QDir::toNativeSeparators(completed) +
                                                     QStringLiteral("\" dosyası zaten var. Üzerine yazılsın mı?")}
                                       : QStringList());
    }

    void scriptedDialogsRecordAndAnswer()
    {
        ScriptedFileDialogs outer;
        {
            ScriptedFileDialogs dialogs;
            dialogs.setNextFileName(QStringLiteral("/resimler/kupa.jpg"));
            dialogs.setNextFileName(QStringLiteral("/veri/kazananlar"));
            QCOMPARE(getOpenFileName(nullptr, QStringLiteral("Resmi seçiniz"), QString(),
                                     QStringLiteral("Resim Dosyaları|*.BMP;*.JPG;*.JPEG;*.GIF")),
                     QStringLiteral("/resimler/kupa.jpg"));
            QCOMPARE(getSaveFileName(nullptr, QString(), QStringLiteral("/veri/Data/"),
                                     QStringLiteral("Txt Dosyaları|*.txt"), QStringLiteral("TXT")),
                     QStringLiteral("/veri/kazananlar.TXT"));
            // The script is used up: the next dialog is cancelled.
            QCOMPARE(getOpenFileName(nullptr, QString(), QString(), QString()), QString());

            QCOMPARE(dialogs.requests.size(), 3);
            const FileDialogRequest& open = dialogs.requests.at(0);
            QCOMPARE(open.kind, FileDialogRequest::Open);
            QCOMPARE(open.title, QStringLiteral("Resmi seçiniz"));
            QCOMPARE(open.filter, QStringLiteral("Resim Dosyaları|*.BMP;*.JPG;*.JPEG;*.GIF"));
            const FileDialogRequest& save = dialogs.requests.at(1);
            QCOMPARE(save.kind, FileDialogRequest::Save);
            QCOMPARE(save.initialDir, QStringLiteral("/veri/Data/"));
            QCOMPARE(save.defaultExt, QStringLiteral("TXT"));
        }
        // The inner script is gone; the one it replaced answers again.
        outer.setNextFileName(QStringLiteral("/a.wav"));
        QCOMPARE(getOpenFileName(nullptr, QString(), QString(), QString()), QStringLiteral("/a.wav"));
        QCOMPARE(outer.requests.size(), 1);
    }

    void realSaveDialog()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        touch(dir.filePath(QStringLiteral("eski.txt")));
        QString title;
        QString folder;
        QStringList filters;
        // The name goes into the dialog's own box, and the dialog is accepted as its Save
        // button would: a typed Return can be taken by the completer or a button not yet enabled.
        DialogDriver<QFileDialog> driver([&](QFileDialog* d) {
            title = d->windowTitle();
            folder = d->directory().absolutePath();
            filters = d->nameFilters();
            auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!edit)
            {
                d->reject();
                return;
            }
            edit->setText(QStringLiteral("kazananlar"));
            accept(d);
        });
        const QString chosen = getSaveFileName(nullptr, QStringLiteral("Kaydet"), dir.path(),
                                               QStringLiteral("Txt Dosyaları|*.txt"), QStringLiteral("TXT"));
        QVERIFY(!driver.timedOut);
        QCOMPARE(chosen, dir.filePath(QStringLiteral("kazananlar.TXT")));
        QCOMPARE(title, QStringLiteral("Kaydet"));
        QCOMPARE(folder, QDir(dir.path()).absolutePath());
        QCOMPARE(filters, QStringList{QStringLiteral("Txt Dosyaları (*.txt)")});
    }

    // Patterns ignore case, as they do for the classic dialog.
    void realOpenDialog()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        touch(dir.filePath(QStringLiteral("zil.wav")));
        touch(dir.filePath(QStringLiteral("GONG.WAV")));
        touch(dir.filePath(QStringLiteral("alkis.Mp3")));
        touch(dir.filePath(QStringLiteral("notlar.txt")));
        QStringList listed;
        DialogDriver<QFileDialog> driver([&](QFileDialog* d) {
            listed = listedNames(d, 3);
            auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!edit)
            {
                d->reject();
                return;
            }
            edit->setText(QStringLiteral("GONG.WAV"));
            accept(d);
            if (d->isVisible())
                d->reject();
        });
        const QString chosen =
            getOpenFileName(nullptr, QString(), dir.path(), QStringLiteral("Müzik Dosyaları|*.WAV;*.MP3"));
        QVERIFY(!driver.timedOut);
        QCOMPARE(listed,
                 (QStringList{QStringLiteral("GONG.WAV"), QStringLiteral("alkis.Mp3"), QStringLiteral("zil.wav")}));
        QCOMPARE(chosen, dir.filePath(QStringLiteral("GONG.WAV")));
    }

    // The open dialog accepts only an existing file: a missing name is answered by a warning
    // box over the dialog, which stays.
    void realOpenDialogRefusesAMissingFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        bool warned = false;
        bool stayed = false;
        DialogDriver<QFileDialog> driver([&](QFileDialog* d) {
            auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!edit)
            {
                d->reject();
                return;
            }
            DialogDriver<QMessageBox> warning([&](QMessageBox* box) {
                warned = true;
                box->accept();
            });
            edit->setText(QStringLiteral("yok.wav"));
            accept(d); // returns once the warning is closed
            stayed = d->isVisible();
            d->reject();
        });
        QCOMPARE(getOpenFileName(nullptr, QString(), dir.path(), QString()), QString());
        QVERIFY(!driver.timedOut);
        QVERIFY(warned);
        QVERIFY(stayed);
    }

    void realDialogCancelled()
    {
        DialogDriver<QFileDialog> driver([](QFileDialog* d) { d->reject(); });
        QCOMPARE(getOpenFileName(nullptr, QString(), QDir::tempPath(), QString()), QString());
        QVERIFY(!driver.timedOut);
    }

    // The real boxes show names as typed: "<b>Ali</b>" in a notice is text, not markup.
    void realMessageBoxes_data()
    {
        QTest::addColumn<bool>("question");
        QTest::newRow("notice") << false;
        QTest::newRow("question") << true;
    }
    void realMessageBoxes()
    {
        QFETCH(bool, question);
        installMessageBoxes();
        const QString text = QStringLiteral("\"<b>Ali</b>\" daha önce tanımlanmış");
        QString title;
        Qt::TextFormat format = Qt::AutoText;
        QString shown;
        DialogDriver<QMessageBox> driver([&](QMessageBox* box) {
            title = box->windowTitle();
            format = box->textFormat();
            shown = box->text();
            if (question)
                box->button(QMessageBox::Yes)->click();
            else
                box->accept();
        });
        if (question)
            QCOMPARE(AskSoru(text), int(mrYes));
        else
            ShowBilgi(text);
        setMessageSeam({});
        QVERIFY(!driver.timedOut);
        QCOMPARE(title, question ? QStringLiteral("Soru") : QStringLiteral("Bilgi"));
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(shown, text);
    }

    // Qt's dialog in Turkish throughout: the kind of a folder from the program's own translation,
    // sizes and dates in Turkish whatever the system's language.
    void realDialogSpeaksTurkish()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Sesler")));
        QFile file(dir.filePath(QStringLiteral("liste.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("abc") == 3);
        file.close();
        installProgramTranslation();
        QStringList rows;
        DialogDriver<QFileDialog> driver([&](QFileDialog* d) {
            auto* tree = d->findChild<QTreeView*>(QStringLiteral("treeView"));
            const auto cell = [&](int row, int column) {
                return tree->model()->index(row, column, tree->rootIndex()).data().toString();
            };
            if (QTest::qWaitFor(
                    [&] { return tree->model()->rowCount(tree->rootIndex()) == 2 && !cell(0, 2).isEmpty(); }))
                for (int row = 0; row < 2; ++row)
                    rows << QStringList{cell(row, 0), cell(row, 1), cell(row, 2), cell(row, 3)}.join(u'|');
            d->reject();
        });
        getOpenFileName(nullptr, QString(), dir.path(), QString());
        QCOMPARE(rows.size(), 2);
        rows.sort(); // the model may not have sorted them yet
#ifdef Q_OS_WIN
        const QString folderKind = QStringLiteral("Dosya Klasörü"); // as Windows Explorer calls it
#else
        const QString folderKind = QStringLiteral("Klasör");
#endif
        QVERIFY2(rows[0].startsWith(QStringLiteral("Sesler||") + folderKind + u'|'), qPrintable(rows[0]));
        QVERIFY2(rows[1].startsWith(QStringLiteral("liste.txt|3 bayt|")), qPrintable(rows[1]));
        const QRegularExpression turkishDate(QStringLiteral("\\|\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d$"));
        QVERIFY2(turkishDate.match(rows[0]).hasMatch() && turkishDate.match(rows[1]).hasMatch(), qPrintable(rows[1]));
    }

    // A notice with no window of the program under it (a second copy's) stays above every window.
    void realNoticeOnTopOnlyWithoutWindow_data()
    {
        QTest::addColumn<bool>("ownWindow");
        QTest::newRow("no window: a second copy's notice") << false;
        QTest::newRow("over the program's window") << true;
    }
    void realNoticeOnTopOnlyWithoutWindow()
    {
        QFETCH(bool, ownWindow);
        QWidget window;
        if (ownWindow)
        {
            window.show();
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
        }
        installMessageBoxes();
        Qt::WindowFlags flags;
        DialogDriver<QMessageBox> driver([&](QMessageBox* box) {
            flags = box->windowFlags();
            box->accept();
        });
        ShowBilgi(QStringLiteral("Çekiliş programı bu klasörde zaten çalışıyor."));
        setMessageSeam({});
        QVERIFY(!driver.timedOut);
        QCOMPARE(flags.testFlag(Qt::WindowStaysOnTopHint), !ownWindow);
    }

    // Enter takes the default button; Esc always answers "Hayır", also where "Evet" is the default.
    void realQuestionKeys_data()
    {
        QTest::addColumn<bool>("defaultNo");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::newRow("Enter, Evet default") << false << int(Qt::Key_Return) << int(mrYes);
        QTest::newRow("Esc, Evet default") << false << int(Qt::Key_Escape) << int(mrNo);
        QTest::newRow("Enter, Hayır default") << true << int(Qt::Key_Return) << int(mrNo);
        QTest::newRow("Esc, Hayır default") << true << int(Qt::Key_Escape) << int(mrNo);
    }
    void realQuestionKeys()
    {
        QFETCH(bool, defaultNo);
        QFETCH(int, key);
        QFETCH(int, answer);
        installMessageBoxes();
        DialogDriver<QMessageBox> driver([&](QMessageBox* box) { QTest::keyClick(box, Qt::Key(key)); });
        const QString text = QStringLiteral("Çekilişten çıkılsın mı?");
        const int given = defaultNo ? AskSoruHayir(text) : AskSoru(text);
        setMessageSeam({});
        QVERIFY(!driver.timedOut);
        QCOMPARE(given, answer);
    }
};

QTEST_MAIN(TestFileDialogs)
#include "test_FileDialogs.moc"
