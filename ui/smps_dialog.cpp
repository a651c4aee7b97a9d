#include "smps_dialog.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>

#include <algorithm>

#include "beatwright/smps_reader.h"
#include "beatwright/smps_song.h"
#include "beatwright/value_text.h"
#include "qtext.h"
#include "report_dialog.h"

namespace beatwright {

namespace {

// The whole ported source or binary to a file the user picks, whole or not at all.
void savePorted(QWidget* parent, const SmpsReport& report, const std::vector<unsigned char>& bytes) {
    const QString path = QFileDialog::getSaveFileName(
        parent, "Save ported song", {}, report.song.source ? "SMPS2ASM source (*.asm);;All files (*)" : "SMPS song binary (*.bin);;All files (*)");
    if (path.isEmpty()) return;
    const std::string_view was{reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    const std::string text = report.song.source ? portedSource(report, was) : portedBinary(report, was);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) < 0 || !file.commit()) {
        QMessageBox::warning(parent, "Save ported song", QString("Cannot write %1:\n%2.").arg(path, file.errorString()));
    }
}

}  // namespace

void showSmpsReport(QWidget* parent, const QString& name, const std::vector<unsigned char>& bytes, const SmpsChoices& c) {
    SmpsSong smps;
    Driver driver = c.driver;
    try {
        smps = readSmps(bytes);
        driver = smpsDriver(smps, c.driver, false);
        if (const auto why = unplayable(driver.model, smps)) throw SmpsError(*why);
    } catch (const SmpsError& e) {
        QMessageBox::warning(parent, "Open song", QString("Cannot read %1:\n%2.").arg(name, QString::fromUtf8(e.what())));
        return;
    }
    SmpsReport report{smps, name.toStdString(), driver, c.standard, c.speed, std::nullopt, toSingle(c.tolerance), c.tolerance};
    ReportDialog dialog(parent, QString("SMPS song \u2014 %1").arg(name), qText(smpsReportText(report)), {720, 300});
    QPushButton* port = dialog.button(QString("Port to %1").arg(qText(c.driver.name)));
    dialog.copyButton("Copy", [&dialog] { return dialog.shown->toPlainText(); });
    QPushButton* copySource = dialog.copyButton("Copy as SMPS2ASM", [&report] { return qText(smpsReportSmps2asm(report)); });
    QPushButton* save = dialog.button("Save ported song...");
    copySource->setEnabled(false);
    save->setEnabled(false);
    QObject::connect(port, &QPushButton::clicked, &dialog, [&] {
        report.to = c.driver;
        dialog.shown->setPlainText(qText(smpsReportText(report)));
        const auto ported = portSettings(report);
        // Never with a command the target does not have; the button says why.
        const auto missing = std::find_if(ported.begin(), ported.end(), [](const PortedSetting& p) { return p.noEquivalent; });
        port->setEnabled(false);
        copySource->setEnabled(true);
        save->setEnabled(missing == ported.end());
        if (missing != ported.end()) save->setToolTip(qText(smpsPlace(missing->setting) + ": " + missing->notes.front().text));
    });
    QObject::connect(save, &QPushButton::clicked, &dialog, [&] { savePorted(&dialog, report, bytes); });
    dialog.exec();
}

}  // namespace beatwright
