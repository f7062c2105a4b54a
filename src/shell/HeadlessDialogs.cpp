#include "shell/HeadlessDialogs.h"

#include "log/TraceSink.h"

QString HeadlessDialogs::answerText(Answer answer) {
    switch (answer) {
    case Answer::Ok:
        return QStringLiteral("OK");
    case Answer::Cancel:
        return QStringLiteral("Cancel");
    case Answer::Yes:
        return QStringLiteral("Yes");
    case Answer::No:
        return QStringLiteral("No");
    }
    return QString();
}

DialogsHost::Answer HeadlessDialogs::ask(const QString& title, const QString& text, Buttons, Icon,
                                         Answer safeAnswer) {
    QString flat = text;
    flat.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_trace.line(QStringLiteral("Dialog: ") + title + QStringLiteral(": ") + flat +
                 QStringLiteral(" |Answer (headless): ") + answerText(safeAnswer));
    return safeAnswer;
}
