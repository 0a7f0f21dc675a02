#include "MessageBoxes.h"

#include "Messages.h"

#include <QApplication>
#include <QMessageBox>

void installMessageBoxes()
{
    MessageSeam seam;
    seam.information = [](const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, QApplication::activeWindow());
        // Notices quote names as typed; a name such as "<b>Ali</b>" is not markup.
        box.setTextFormat(Qt::PlainText);
        box.exec();
    };
    seam.question = [](const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                        QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? static_cast<int>(mrYes) : static_cast<int>(mrNo);
    };
    setMessageSeam(std::move(seam));
}
