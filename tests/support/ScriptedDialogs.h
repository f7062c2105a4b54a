#pragma once

#include "platform/DialogsHost.h"

#include <QList>

// A dialogs host for tests: records every question and gives the scripted answers
// in order, then the question's safe answer once the script is used up.
class ScriptedDialogs final : public DialogsHost {
public:
    struct Question {
        QString title;
        QString text;
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        Answer safeAnswer = Answer::Ok;
    };

    QList<Answer> answers;
    QList<Question> questions;

    Answer ask(const QString& title, const QString& text, Buttons buttons, Icon icon,
               Answer safeAnswer) override {
        questions.push_back({title, text, buttons, icon, safeAnswer});
        return answers.isEmpty() ? safeAnswer : answers.takeFirst();
    }
};
