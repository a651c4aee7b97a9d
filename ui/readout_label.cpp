#include "readout_label.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QStyle>

namespace beatwright {

ReadoutLabel::ReadoutLabel(QWidget* parent) : QLabel(parent) {
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* copy = new QAction(tr("Copy"), this);
    connect(copy, &QAction::triggered, this, [this] { QGuiApplication::clipboard()->setText(text()); });
    addAction(copy);
}

void ReadoutLabel::setText(const QString& text, const QString& about) {
    QLabel::setText(text);
    setToolTip(about.isEmpty() ? text : text + ": " + about);
    actions().front()->setEnabled(!text.isEmpty());
}

QString ReadoutLabel::shownText() const {
    const int room = contentsRect().width();
    const QString whole = text();
    const qsizetype point = whole.indexOf('.');
    if (point < 0 || fontMetrics().horizontalAdvance(whole) <= room) return whole;
    // Fewer decimals, each correctly rounded from the value, until one fits with its mark.
    const double value = whole.toDouble();
    for (qsizetype decimals = whole.size() - point - 2; decimals >= 0; --decimals) {
        QString rounded = QString::number(value, 'f', static_cast<int>(decimals));
        if (rounded.startsWith("0.")) rounded.remove(0, 1);
        rounded += QChar(0x2026);
        if (fontMetrics().horizontalAdvance(rounded) <= room || decimals == 0) return rounded;
    }
    return whole;
}

void ReadoutLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()), palette(), isEnabled(), shownText(),
                          foregroundRole());
}

}  // namespace beatwright
