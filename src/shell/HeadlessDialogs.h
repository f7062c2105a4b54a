#pragma once

#include "platform/DialogsHost.h"

class TraceSink;

// Dialogs without windows: each message or question is written to the trace log
// with the answer taken, the one that keeps the program running without changing
// stored data.
class HeadlessDialogs final : public DialogsHost {
public:
    explicit HeadlessDialogs(TraceSink& trace) : m_trace(trace) {}

    Answer ask(const QString& title, const QString& text, Buttons buttons, Icon icon,
               Answer safeAnswer) override;
    int choose(const QString& title, const QString& prompt, const QStringList& items,
               int preselected, int safeChoice) override;
    QString browseFolder(const QString& title, const QString& startFolder) override;

    static QString answerText(Answer answer);

private:
    TraceSink& m_trace;
};
