#include "shell/ui/ProgressWindowView.h"

#include "model/FrmMsg.h"
#include "model/ui/FormBinding.h"

#include <QLabel>
#include <QPainterPath>
#include <QRegion>
#include <QVBoxLayout>

ProgressWindowView::ProgressWindowView(FrmMsg& model, double twipsPerPixel, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FrmMsg"));
    setWindowTitle(model.Caption.text());
    setAccessibleName(model.Caption.text());
    m_label = new QLabel(model.LabelMsgInit.text(), this);
    m_label->setObjectName(QStringLiteral("LabelMsgInit"));
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setAccessibleName(QStringLiteral("LabelMsgInit"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    connect(&model.LabelMsgInit, &TextField::textChanged, m_label, &QLabel::setText);
    connect(&model.Caption, &TextField::textChanged, this, &QWidget::setWindowTitle);
    new FormBinding(*this, model.Form, twipsPerPixel);
}

void ProgressWindowView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), CornerPixels / 2.0, CornerPixels / 2.0);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}
