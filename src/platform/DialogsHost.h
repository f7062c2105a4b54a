#pragma once

#include <QString>

// Message boxes and questions. The windows show them; tests script the answers;
// headless, the host logs the question with the answer it takes, the one that keeps
// the program running without changing stored data.
class DialogsHost {
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~DialogsHost() = default;

    // safeAnswer: the answer taken when nobody can answer.
    virtual Answer ask(const QString& title, const QString& text, Buttons buttons, Icon icon,
                       Answer safeAnswer) = 0;
};
