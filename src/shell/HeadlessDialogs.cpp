#include "shell/HeadlessDialogs.h"

#include "base/TraceSink.h"

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
    case Answer::Abort:
        return QStringLiteral("Abort");
    case Answer::Retry:
        return QStringLiteral("Retry");
    case Answer::Ignore:
        return QStringLiteral("Ignore");
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

int HeadlessDialogs::choose(const QString& title, const QString& prompt, const QStringList& items,
                            int, int safeChoice) {
    const QString answer =
        safeChoice >= 0 && safeChoice < items.size()
            ? QString::number(safeChoice + 1) + QStringLiteral(": ") + items.at(safeChoice)
            : QStringLiteral("none");
    m_trace.line(QStringLiteral("Dialog: ") + title + QStringLiteral(": ") + prompt +
                 QStringLiteral(" (") + items.join(QStringLiteral(", ")) +
                 QStringLiteral(") |Answer (headless): ") + answer);
    return safeChoice;
}

QString HeadlessDialogs::browseFolder(const QString& title, const QString& startFolder) {
    m_trace.line(QStringLiteral("Dialog: ") + title + QStringLiteral(": ") + startFolder +
                 QStringLiteral(" |Answer (headless): Cancel"));
    return QString();
}
