// Shows the owner-drawn buttons in every state and writes them as PNG sheets, for looking at
// the painting as a person would (at 100 % and 200 %); also prints the time one paint takes.
//
//   bench_button_gallery [output folder] [--stay]
//
// Writes button_gallery.png (device pixel ratio 1), button_gallery@2x.png (ratio 2) and
// button_window.png (the live window grabbed at the screen's ratio; run with QT_SCALE_FACTOR=2
// to see the window at 200 %).

#include "ImageList.h"
#include "ZvButtonColors.h"
#include "ZvEdit.h"
#include "ZvWinButton.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTextStream>
#include <functional>

namespace {

QImage makeGlyph(int size)
{
    QImage g(size, size, QImage::Format_RGB32);
    g.fill(QColor(255, 0, 255)); // the key colour, read from the lower-left pixel
    QPainter p(&g);
    p.setRenderHint(QPainter::Antialiasing, false);
    const int m = size / 8;
    p.fillRect(QRect(m, m, size - 2 * m, size - 2 * m), QColor(30, 30, 120));
    p.fillRect(QRect(2 * m, 2 * m, size - 4 * m, size / 3), QColor(230, 230, 240));
    p.fillRect(QRect(3 * m, size - 3 * m - size / 5, size - 6 * m, size / 5), QColor(200, 60, 40));
    return g;
}

struct Sample
{
    QString name;
    QSize size;
    std::function<void(TZvWinButton&)> setup;
};

enum State
{
    Rest,
    Hover,
    Pressed,
    Focused,
    Disabled,
    StateCount
};

const char* const kStateNames[StateCount] = {"rest", "hover", "pressed", "focused", "disabled"};

void sendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, QPoint pos)
{
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QImage renderState(TZvWinButton& b, State state, qreal dpr)
{
    b.setEnabled(state != Disabled);
    if (state == Focused)
    {
        b.setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
    if (state == Pressed)
        sendMouse(&b, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(5, 5));
    QImage img(b.size() * dpr, QImage::Format_RGB32);
    img.setDevicePixelRatio(dpr);
    img.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&img);
    b.paintTo(p, state == Hover);
    p.end();
    if (state == Pressed)
        sendMouse(&b, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(-50, -50));
    if (state == Focused)
        b.clearFocus();
    b.setEnabled(true);
    return img;
}

QImage sheet(QWidget& host, const QList<Sample>& samples, qreal dpr)
{
    const int labelW = 170, cellPad = 12, rowPad = 10;
    int cellW = 0;
    for (const Sample& s : samples)
        cellW = qMax(cellW, s.size.width());
    int height = 30;
    for (const Sample& s : samples)
        height += s.size.height() + rowPad;
    const int width = labelW + StateCount * (cellW + cellPad);
    QImage out(QSize(width, height) * dpr, QImage::Format_RGB32);
    out.setDevicePixelRatio(dpr);
    out.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&out);
    p.setPen(Qt::black);
    for (int s = 0; s < StateCount; ++s)
        p.drawText(QPoint(labelW + s * (cellW + cellPad), 18), QString::fromLatin1(kStateNames[s]));
    int y = 30;
    for (const Sample& s : samples)
    {
        TZvWinButton b(&host);
        b.resize(s.size);
        s.setup(b);
        b.show();
        p.setPen(Qt::black);
        p.drawText(QPoint(4, y + s.size.height() / 2 + 5), s.name);
        for (int st = 0; st < StateCount; ++st)
            p.drawImage(QPoint(labelW + st * (cellW + cellPad), y), renderState(b, State(st), dpr));
        y += s.size.height() + rowPad;
    }
    return out;
}

double microsecondsPerPaint(TZvWinButton& b, int rounds)
{
    QImage img(b.size(), QImage::Format_RGB32);
    QPainter p(&img);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < rounds; ++i)
        b.paintTo(p);
    return double(t.nsecsElapsed()) / 1000.0 / rounds;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool stay = args.contains(QStringLiteral("--stay"));
    QString folder = QDir::tempPath();
    for (int i = 1; i < args.size(); ++i)
        if (!args.at(i).startsWith(QLatin1Char('-')))
            folder = args.at(i);

    const QImage glyph32 = makeGlyph(32);
    const QImage glyph16 = makeGlyph(16);
    TImageList list(16, 16);
    list.addMasked(glyph16, QColor(255, 0, 255));

    QFont big(QStringLiteral("Arial"));
    big.setBold(true);
    big.setPixelSize(16);
    QFont small(QStringLiteral("Arial"));
    small.setBold(true);
    small.setPixelSize(11);

    const QList<Sample> samples = {
        {QStringLiteral("caption only"), QSize(170, 38),
         [&](TZvWinButton& b) {
             b.setText(QStringLiteral("Çekilişe Başla"));
             b.setFont(big);
             b.setOverCol(TColorToQColor(clBlue));
             b.setFontColor(Qt::black);
             b.setColor(TColorToQColor(clBtnFace));
         }},
        {QStringLiteral("default colours"), QSize(110, 30),
         [&](TZvWinButton& b) { b.setText(QStringLiteral("Kaydet")); }},
        {QStringLiteral("picture only 43x39"), QSize(43, 39), [&](TZvWinButton& b) { b.setGlpyhImage(glyph32); }},
        {QStringLiteral("poLeft 200x38"), QSize(200, 38),
         [&](TZvWinButton& b) {
             b.setText(QStringLiteral("Excel den Aktar"));
             b.setGlpyhImage(glyph32);
         }},
        {QStringLiteral("poRight"), QSize(200, 38),
         [&](TZvWinButton& b) {
             b.setText(QStringLiteral("Sağda Resim"));
             b.setGlpyhImage(glyph32);
             b.setGlphyAlign(TZvWinButton::poRight);
         }},
        {QStringLiteral("poTop"), QSize(120, 60),
         [&](TZvWinButton& b) {
             b.setText(QStringLiteral("Üstte"));
             b.setFont(small);
             b.setGlpyhImage(glyph16);
             b.setGlphyAlign(TZvWinButton::poTop);
         }},
        {QStringLiteral("poBottom"), QSize(120, 60),
         [&](TZvWinButton& b) {
             b.setText(QStringLiteral("Altta"));
             b.setFont(small);
             b.setGlpyhImage(glyph16);
             b.setGlphyAlign(TZvWinButton::poBottom);
         }},
        {QStringLiteral("image list"), QSize(120, 30),
         [&](TZvWinButton& b) {
             b.setText(QStringLiteral("Liste"));
             b.setImages(&list);
             b.setImageIndex(0);
         }},
        {QStringLiteral("ShowCaption false"), QSize(120, 30),
         [&](TZvWinButton& b) {
             b.setText(QStringLiteral("Gizli"));
             b.setShowCaption(false);
         }},
    };

    QWidget window;
    window.setWindowTitle(QStringLiteral("Buton galerisi"));
    auto* grid = new QGridLayout(&window);
    int row = 0;
    for (const Sample& s : samples)
    {
        grid->addWidget(new QLabel(s.name), row, 0);
        auto* b = new TZvWinButton;
        b->setFixedSize(s.size);
        s.setup(*b);
        grid->addWidget(b, row, 1);
        auto* off = new TZvWinButton;
        off->setFixedSize(s.size);
        s.setup(*off);
        off->setEnabled(false);
        grid->addWidget(off, row, 2);
        ++row;
    }
    auto* edit = new TZvBtnEdit;
    edit->setObjectName(QStringLiteral("EditSES"));
    edit->setFixedSize(313, 21);
    edit->setText(QStringLiteral("C:\\Sesler\\çekiliş davulu uzun bir dosya adı.wav"));
    edit->ZvWinButton()->setGlyphKind(TZvEditButton::gkDefault);
    edit->ZvWinButton()->setOverCol(TColorToQColor(clYellow));
    grid->addWidget(new QLabel(QStringLiteral("button edit")), row, 0);
    grid->addWidget(edit, row, 1, 1, 2);

    QWidget host; // sheet buttons live here, out of the window's layout
    host.resize(10, 10);
    window.show();
    host.show();
    window.activateWindow();
    QApplication::processEvents();

    QTextStream out(stdout);
    QDir().mkpath(folder);
    for (qreal dpr : {1.0, 2.0})
    {
        const QString name =
            dpr == 1.0 ? QStringLiteral("button_gallery.png") : QStringLiteral("button_gallery@2x.png");
        const QString path = QDir(folder).filePath(name);
        host.activateWindow();
        QApplication::processEvents();
        out << "wrote " << path << (sheet(host, samples, dpr).save(path) ? "" : " (FAILED)") << "\n";
    }
    window.activateWindow();
    QApplication::processEvents();
    const QString windowPath = QDir(folder).filePath(QStringLiteral("button_window.png"));
    out << "wrote " << windowPath << (window.grab().save(windowPath) ? "" : " (FAILED)") << "\n";

    TZvWinButton captionButton;
    captionButton.resize(309, 44);
    captionButton.setText(QStringLiteral("Çekilişe Başla"));
    TZvWinButton glyphButton;
    glyphButton.resize(200, 38);
    glyphButton.setText(QStringLiteral("Excel den Aktar"));
    glyphButton.setGlpyhImage(glyph32);
    TZvWinButton listButton;
    listButton.resize(120, 30);
    listButton.setImages(&list);
    listButton.setImageIndex(0);
    listButton.setEnabled(false);
    const int rounds = 5000;
    out << "paint, caption only 309x44:        " << microsecondsPerPaint(captionButton, rounds) << " us\n";
    out << "paint, 32x32 picture + caption:    " << microsecondsPerPaint(glyphButton, rounds) << " us\n";
    out << "paint, embossed image-list entry:  " << microsecondsPerPaint(listButton, rounds) << " us\n";
    out.flush();
    return stay ? app.exec() : 0;
}
