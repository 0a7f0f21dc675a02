#pragma once

#include "ModalResult.h"

#include <QString>

#include <functional>

// The two modal boxes of the program. Every notice and question goes through them, and they
// go through one replaceable pair of functions: the real QMessageBox pair is installed by
// installMessageBoxes() (platform), tests install a recorder that scripts the answers.
void ShowBilgi(const QString& text);    // "Bilgi", information icon, OK
int AskSoru(const QString& text);       // "Soru", question icon, Yes (default) / No; mrYes or mrNo

struct MessageSeam
{
    // title, text
    std::function<void(const QString&, const QString&)> information;
    // title, text -> mrYes / mrNo
    std::function<int(const QString&, const QString&)> question;
};

// Returns the previous pair. Without an installed pair, notices are logged and questions
// answered No, so nothing ever blocks a headless run.
MessageSeam setMessageSeam(MessageSeam seam);
