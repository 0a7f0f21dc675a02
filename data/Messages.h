#pragma once

#include "ModalResult.h"

#include <QString>

#include <functional>

// The two modal boxes of the program. Every notice and question goes through them, and they
// go through one replaceable pair of functions: the real QMessageBox pair is installed by
// installMessageBoxes() (platform), tests install a recorder that scripts the answers.
void ShowBilgi(const QString& text);    // "Bilgi", information icon, OK
int AskSoru(const QString& text);       // "Soru", question icon, Yes (default) / No; mrYes or mrNo
// As AskSoru, with "Hayır" the default button and the answer of Esc: for a question whose "Evet"
// loses something, so that a stray Enter or Esc keeps it.
int AskSoruHayir(const QString& text);

struct MessageSeam
{
    // title, text
    std::function<void(const QString&, const QString&)> information;
    // title, text -> mrYes / mrNo
    std::function<int(const QString&, const QString&)> question;
    // the same for AskSoruHayir; without it, `question` asks
    std::function<int(const QString&, const QString&)> questionDefaultNo;
};

// Returns the previous pair. Without an installed pair, notices are logged and questions
// answered No, so nothing ever blocks a headless run.
MessageSeam setMessageSeam(MessageSeam seam);
