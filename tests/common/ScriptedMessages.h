#pragma once

#include "Messages.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Replaces the message boxes for the lifetime of the object: records every box shown
// ("Bilgi: text" / "Soru: text") and answers questions from a script (default Yes).
class ScriptedMessages
{
public:
    ScriptedMessages()
    {
        MessageSeam seam;
        seam.information = [this](const QString& title, const QString& text) {
            shown << title + QStringLiteral(": ") + text;
            if (onShow)
                onShow(text);
        };
        seam.question = [this](const QString& title, const QString& text) {
            shown << title + QStringLiteral(": ") + text;
            if (onShow)
                onShow(text);
            return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
        };
        seam.questionDefaultNo = [this, ask = seam.question](const QString& title, const QString& text) {
            askedWithNoDefault << text;
            return ask(title, text);
        };
        previous = setMessageSeam(std::move(seam));
    }
    ~ScriptedMessages() { setMessageSeam(std::move(previous)); }
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    void setNextAnswer(int answer) { answers << answer; }
    void clear()
    {
        shown.clear();
        askedWithNoDefault.clear();
        answers.clear();
    }

    QStringList shown;
    QStringList askedWithNoDefault; // the questions among them whose default button is "Hayır"
    QList<int> answers;
    int defaultAnswer = mrYes;
    std::function<void(const QString&)> onShow; // runs inside the "modal" box

private:
    MessageSeam previous;
};
