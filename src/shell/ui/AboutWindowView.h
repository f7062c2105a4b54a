#pragma once

#include <QDialog>

class AboutBox;
class FrmAbout;
class QLabel;
class QPushButton;
class TextField;

// The about box: the program's icon, name and version, the maker's notices, "OK"
// and "&Infos système...". A box of fixed size, not modal, owned by the main
// window; closing it is "OK".
class AboutWindowView final : public QDialog {
    Q_OBJECT

public:
    AboutWindowView(FrmAbout& model, AboutBox& procedures, double twipsPerPixel,
                    QWidget* owner = nullptr);

    void reject() override;

private:
    QLabel* label(TextField& field, const QString& name);

    AboutBox& m_procedures;
};
