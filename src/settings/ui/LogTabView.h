#pragma once

#include <QWidget>

class Program;

// The "Log" tab of the settings window: the trace lines not yet written to the log
// file, and how many of them make a write.
class LogTabView final : public QWidget {
public:
    explicit LogTabView(Program& program, QWidget* parent = nullptr);
};
