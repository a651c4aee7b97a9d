#include "convert_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>

#include "beatwright/smps_convert.h"
#include "beatwright/tempo_plan.h"
#include "qtext.h"

namespace beatwright {

namespace {

constexpr const char* title = "Convert to SMPS song";

// The song converted and written where the user says: what was done, or nothing where it was not.
QString convertAndSave(QWidget* parent, const NoteSong& notes, const Song& song, const TempoPlan& plan, const ConvertChoices& c,
                    const ConvertRequest& request) {
    Conversion converted;
    try {
        converted = convertToSmps(notes, song, plan, c.driver, request);
    } catch (const ConvertError& e) {
        QMessageBox::warning(parent, title, QString("Cannot convert %1:\n%2.").arg(QFileInfo(c.song).fileName(), QString::fromUtf8(e.what())));
        return {};
    }
    const QString path = QFileDialog::getSaveFileName(parent, title, qText(request.label) + ".asm", "SMPS2ASM source (*.asm);;All files (*)");
    if (path.isEmpty()) return {};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(converted.text.data(), static_cast<qint64>(converted.text.size())) < 0 ||
        !file.commit()) {
        QMessageBox::warning(parent, title, QString("Cannot write %1:\n%2.").arg(path, file.errorString()));
        return {};
    }
    return QString("%1: %2").arg(QFileInfo(path).fileName(), qText(conversionSummary(converted)).trimmed());
}

}  // namespace

void convertToSmpsDialog(QWidget* parent, const NoteSong& notes, const Song& song, const ConvertChoices& c) {
    const TempoPlan plan = planTempo(song, c.driver, c.standard, c.tolerance);
    QDialog dialog(parent);
    dialog.setWindowTitle(QString("%1 \u2014 %2").arg(title, QFileInfo(c.song).fileName()));
    auto* layout = new QFormLayout(&dialog);
    auto* form = new QComboBox(&dialog);
    form->setObjectName("form");
    for (const FormKind kind : {plan.recommendedForm, FormKind::OnePair, FormKind::TempoCommands, FormKind::EachStretch, FormKind::FewestCommands}) {
        if (plan.offers(kind) && form->findData(static_cast<int>(kind)) == -1) {
            form->addItem(qText(std::string(formTitle(kind))) + (kind == plan.recommendedForm ? " (recommended)" : ""), static_cast<int>(kind));
        }
    }
    layout->addRow("&Form:", form);
    auto* map = new QLineEdit(&dialog);
    map->setObjectName("dacMap");
    map->setPlaceholderText("none: the DAC's notes rest");
    auto* browse = new QPushButton("&Browse...", &dialog);
    QObject::connect(browse, &QPushButton::clicked, &dialog, [&] {
        const QString chosen = QFileDialog::getOpenFileName(&dialog, "DAC map", {}, "DAC maps (*.txt *.map);;All files (*)");
        if (!chosen.isEmpty()) map->setText(chosen);
    });
    auto* mapRow = new QHBoxLayout;
    mapRow->addWidget(map);
    mapRow->addWidget(browse);
    auto* mapLabel = new QLabel("&DAC map:", &dialog);
    mapLabel->setBuddy(map);
    layout->addRow(mapLabel, mapRow);
    auto* label = new QLineEdit(qText(labelOf(QFileInfo(c.song).fileName().toStdString())), &dialog);
    label->setObjectName("label");
    layout->addRow("&Labels:", label);
    QString done;
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
    QPushButton* convert = buttons->addButton("&Convert...", QDialogButtonBox::AcceptRole);
    convert->setDefault(true);
    layout->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(convert, &QPushButton::clicked, &dialog, [&] {
        if (!validLabel(label->text().toStdString())) {
            QMessageBox::warning(&dialog, title, "The labels' name takes letters, digits and _, not starting with a digit.");
            return;
        }
        ConvertRequest request{static_cast<FormKind>(form->currentData().toInt()), label->text().toStdString()};
        if (!map->text().isEmpty()) {
            try {
                request.dacMap = readDacMap(QFile::encodeName(map->text()).toStdString());
            } catch (const std::runtime_error& e) {
                QMessageBox::warning(&dialog, title, QString("Cannot read %1:\n%2.").arg(QFileInfo(map->text()).fileName(), QString::fromUtf8(e.what())));
                return;
            }
        }
        done = convertAndSave(&dialog, notes, song, plan, c, request);
        if (!done.isEmpty()) dialog.accept();
    });
    dialog.exec();
    // Told over the window, the dialog gone.
    if (!done.isEmpty()) QMessageBox::information(parent, title, done);
}

}  // namespace beatwright
