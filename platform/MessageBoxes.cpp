#include "MessageBoxes.h"

#include "Messages.h"

#include <QApplication>
#include <QMessageBox>

namespace {
// A box opens over the operator's window. With no window active (the program in the background),
// Qt would centre it on the screen under the mouse, which may be the projector: it goes over the
// first shown window that takes the focus instead, never over a window that shows the audience.
QWidget* boxParent()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* top : QApplication::topLevelWidgets())
    {
        if (top->isVisible() && !top->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus) &&
            top->windowType() == Qt::Window)
            return top;
    }
    return nullptr;
}
} // namespace

void installMessageBoxes()
{
    MessageSeam seam;
    seam.information = [](const QString& title, const QString& text) {
        QWidget* parent = boxParent();
        QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
        // Notices quote names as typed; a name such as "<b>Ali</b>" is not markup.
        box.setTextFormat(Qt::PlainText);
        // A notice with no window of ours under it (a second copy that ends) would open behind
        // whatever is in front, the first copy's maximised window among them.
        if (!parent)
            box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.exec();
    };
    const auto ask = [](const QString& title, const QString& text, QMessageBox::StandardButton defaultButton) {
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, boxParent());
        box.setTextFormat(Qt::PlainText);
        box.setDefaultButton(defaultButton);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? static_cast<int>(mrYes) : static_cast<int>(mrNo);
    };
    seam.question = [ask](const QString& title, const QString& text) { return ask(title, text, QMessageBox::Yes); };
    seam.questionDefaultNo = [ask](const QString& title, const QString& text) {
        return ask(title, text, QMessageBox::No);
    };
    setMessageSeam(std::move(seam));
}
