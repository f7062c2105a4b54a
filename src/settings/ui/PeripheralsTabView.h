#pragma once

#include <QWidget>

class Program;

// The "Périphériques divers" tab of the settings window: under "Réseau", the ten UDP
// emitters (target, two ports, the text and its Send button) and the ten UDP
// listeners (local address and port) with their check boxes.
class PeripheralsTabView final : public QWidget {
public:
    explicit PeripheralsTabView(Program& program, QWidget* parent = nullptr);

    // "UDP 0" for emitter or listener 0: their indexes are those of the settings.
    static QString rowLabel(int index);

private:
    QWidget* buildEmitters();
    QWidget* buildListeners();

    Program& m_program;
};
