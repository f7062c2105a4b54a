#pragma once

#include "platform/DialogsHost.h"

#include <QDialog>

class QComboBox;

// The base choice of a multi-base site, "Choix de la base": the bases in ComboBase,
// "Valider" and "Abandonner" (CommandFermer 0 and 1). Selecting an entry re-reads
// that base's label; "Valider" chooses the selected entry, "Abandonner" and the
// close box give the choice up.
class FrmSelectBaseView final : public QDialog {
    Q_OBJECT

public:
    static constexpr int Validate = 0; // CommandFermer(0)
    static constexpr int GiveUp = 1;   // CommandFermer(1)

    FrmSelectBaseView(const DialogsHost::BaseChoice& choice, QWidget* parent = nullptr);

    // The entry chosen: -1 until "Valider", and after "Abandonner" or the close box.
    int BaseChoisie() const { return m_choice; }
    QComboBox* comboBase() const { return m_combo; }

    void CommandFermer_Click(int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QComboBox* m_combo = nullptr;
    int m_choice = -1;
};
