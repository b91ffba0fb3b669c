#include "app/aboutbox.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace hsa {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Info"));
    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    ProgramIcon = new QLabel(panel);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_ComputerIcon);
    ProgramIcon->setPixmap(icon.pixmap(48, 48));
    ProductName = new QLabel(QStringLiteral("KORVI für Windows"), panel);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont big = ProductName->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    ProductName->setFont(big);
    Version = new QLabel(QStringLiteral("Zusatzmodul Hauptschulabschlussprüfung"), panel);
    Version->setObjectName(QStringLiteral("Version"));
    Comments = new QLabel(QStringLiteral("Herausgeber: Wendra-Prüfer-Team\n"
                                         "Internet: wendra-pruefer.example.org\n"
                                         "E-Mail: info@wendra-pruefer.example.org"),
                          panel);
    Comments->setObjectName(QStringLiteral("Comments"));
    Comments->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* text = new QVBoxLayout;
    text->addWidget(ProductName);
    text->addWidget(Version);
    text->addSpacing(8);
    text->addWidget(Comments);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addWidget(ProgramIcon, 0, Qt::AlignTop);
    panelLayout->addLayout(text);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace hsa
