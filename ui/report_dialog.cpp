#include "report_dialog.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace beatwright {

ReportDialog::ReportDialog(QWidget* parent, const QString& title, const QString& text, QSize size)
    : QDialog(parent), shown(new QPlainTextEdit(text, this)), buttons(new QDialogButtonBox(QDialogButtonBox::Close, this)) {
    setWindowTitle(title);
    shown->setReadOnly(true);
    // Long port lines wrap rather than hide their ends past the right edge.
    shown->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    shown->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    shown->setMinimumSize(size);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(shown);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QPushButton* ReportDialog::button(const QString& caption) { return buttons->addButton(caption, QDialogButtonBox::ActionRole); }

QPushButton* ReportDialog::copyButton(const QString& caption, const std::function<QString()>& text) {
    QPushButton* copy = button(caption);
    connect(copy, &QPushButton::clicked, this, [text] { QGuiApplication::clipboard()->setText(text()); });
    return copy;
}

}  // namespace beatwright
