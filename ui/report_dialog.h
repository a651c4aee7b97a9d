#pragma once

#include <QDialog>

#include <functional>

class QDialogButtonBox;
class QPlainTextEdit;
class QPushButton;

namespace beatwright {

// A report in a dialog: its text read-only, fixed-pitch and wrapped to the width, Close and
// the caller's buttons below.
class ReportDialog : public QDialog {
public:
    ReportDialog(QWidget* parent, const QString& title, const QString& text, QSize size);
    QPushButton* button(const QString& caption);
    // A button that puts the text it is given, when pressed, on the clipboard.
    QPushButton* copyButton(const QString& caption, const std::function<QString()>& text);

    QPlainTextEdit* shown;

private:
    QDialogButtonBox* buttons;
};

}  // namespace beatwright
