#include "driver_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>

namespace beatwright {

std::optional<Driver> askDriverParts(QWidget* parent, const Driver& current) {
    QDialog dialog(parent);
    dialog.setWindowTitle("Other driver");
    auto* model = new QComboBox(&dialog);
    model->setObjectName("model");
    for (const ModelInfo& m : models) model->addItem(QString::fromUtf8(m.name.data(), static_cast<qsizetype>(m.name.size())));
    model->setCurrentIndex(static_cast<int>(current.model));
    auto* rate = new QLineEdit(QString::fromStdString(rateFraction(current.pal)), &dialog);
    rate->setObjectName("rate");
    rate->setToolTip("Updates a second on a PAL machine, whole or a fraction: 50, 60, 175/3");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto* layout = new QFormLayout(&dialog);
    layout->addRow("&Model", model);
    layout->addRow("&PAL updates a second", rate);
    layout->addRow(buttons);
    std::optional<Driver> chosen;
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        chosen = driverNamed((model->currentText() + "@" + rate->text().trimmed()).toStdString());
        if (chosen) return dialog.accept();
        QMessageBox::warning(&dialog, "Other driver", "The PAL updates a second are a whole number or a fraction from 1 to 300, "
                                                      "such as 60 or 175/3.");
    });
    dialog.exec();
    return chosen;
}

}  // namespace beatwright
