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
    // Scripted base choices and folders, then the safe choice and "cancelled".
    QList<int> choices;
    QList<QStringList> choiceLists; // the items of each choice offered
    QList<int> preselections;
    QStringList folders;
    QStringList folderStarts;

    int choose(const QString&, const QString&, const QStringList& items, int preselected,
               int safeChoice) override {
        choiceLists.push_back(items);
        preselections.push_back(preselected);
        return choices.isEmpty() ? safeChoice : choices.takeFirst();
    }
    QString browseFolder(const QString&, const QString& startFolder) override {
        folderStarts.push_back(startFolder);
        return folders.isEmpty() ? QString() : folders.takeFirst();
    }

    Answer ask(const QString& title, const QString& text, Buttons buttons, Icon icon,
               Answer safeAnswer) override {
        questions.push_back({title, text, buttons, icon, safeAnswer});
        return answers.isEmpty() ? safeAnswer : answers.takeFirst();
    }
};
