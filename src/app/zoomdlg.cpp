#include "app/zoomdlg.h"
#include "app/programblock.h"
#include "classes/schoolsettings.h"
#include "classes/sharedstate.h"
#include "platform/slotguard.h"
#include "platform/viewzoom.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace hsa {

TBtnRightDlg1::TBtnRightDlg1(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Ansicht vergrößern oder verkleinern"));
    RadioGroup1 = new QGroupBox(QStringLiteral("Vergrößerung in Prozent:"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1Buttons = new QButtonGroup(this);
    auto* radios = new QVBoxLayout(RadioGroup1);
    const QStringList items{"120", "110", "100", "90", "80", "70", QStringLiteral("Benutzerdefiniert")};
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], RadioGroup1);
        RadioGroup1Buttons->addButton(b, i);
        radios->addWidget(b);
    }
    RadioGroup1Buttons->button(2)->setChecked(true);
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(-9999, 9999);
    SpinEdit1->setValue(100);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(SpinEdit1);
    bottom->addStretch();
    bottom->addWidget(OKBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RadioGroup1);
    layout->addLayout(bottom);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    scaledWindows = [] {
        QList<QWidget*> out;
        for (const char* name : {"Form1", "Form3", "DualListDlg", "BtnRightDlg", "archivform", "arch2form"})
            if (QWidget* w = ProgramWindow(QString::fromLatin1(name)); w && !out.contains(w))
                out << w;
        return out;
    };
}

void TBtnRightDlg1::ApplyViewZoom()
{
    if (applying_)
        return;
    applying_ = true;
    const std::optional<int> zoom = ZoomFromChoice(RadioGroup1Buttons->checkedId(), SpinEdit1->value());
    if (!zoom) {
        // A refused value is not asked for again at the next deactivation.
        SpinEdit1->setValue(previousZoom_);
    } else if (*zoom != previousZoom_) {
        QList<QWidget*> windows = scaledWindows ? scaledWindows() : QList<QWidget*>();
        QList<QWidget*> done;
        for (QWidget* w : windows)
            if (w && !done.contains(w)) {
                ZoomWindow(w, *zoom);
                done << w;
            }
        previousZoom_ = *zoom;
        state().viewZoom = *zoom;
    }
    applying_ = false;
}

void TBtnRightDlg1::changeEvent(QEvent* e)
{
    QDialog::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible())
        runGuarded([this] { ApplyViewZoom(); });
}

void TBtnRightDlg1::hideEvent(QHideEvent* e)
{
    QDialog::hideEvent(e);
    runGuarded([this] { ApplyViewZoom(); });
}

} // namespace hsa
