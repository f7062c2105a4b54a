#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Message boxes and questions. The windows show them; tests script the answers;
// headless, the host logs the question with the answer it takes, the one that keeps
// the program running without changing stored data.
class DialogsHost {
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore };
    enum class Answer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

    virtual ~DialogsHost() = default;

    // safeAnswer: the answer taken when nobody can answer.
    virtual Answer ask(const QString& title, const QString& text, Buttons buttons, Icon icon,
                       Answer safeAnswer) = 0;

    // One entry of a list: its index, or -1 when given up.
    // safeChoice: the entry taken when nobody can choose.
    virtual int choose(const QString& title, const QString& prompt, const QStringList& items,
                       int preselected, int safeChoice) = 0;

    // The base choice of a multi-base site: the bases' labels in order, the entry
    // selected when the window opens, the entry taken when nobody can choose, and
    // what selecting another entry does (the window re-reads that base's label).
    struct BaseChoice {
        QStringList labels;
        int preselected = 0;
        int safeChoice = 0;
        std::function<void(int)> entrySelected;
    };
    // The entry validated, or -1 when the choice is abandoned or its window closed.
    // Without a window of its own, a host offers the labels as a list.
    virtual int chooseBase(const BaseChoice& choice) {
        return choose(QStringLiteral("Choix de la base"), QStringLiteral("Sélectionnez la base"),
                      choice.labels, choice.preselected, choice.safeChoice);
    }

    // A folder picked by the user, starting at startFolder (a Windows path); an empty
    // text when cancelled. Nobody to ask: cancelled.
    virtual QString browseFolder(const QString& title, const QString& startFolder) = 0;
};
