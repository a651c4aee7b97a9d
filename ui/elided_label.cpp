#include "elided_label.h"

#include <QPainter>
#include <QStyle>

namespace beatwright {

void ElidedLabel::setText(const QString& text) {
    QLabel::setText(text);
    setToolTip(text);
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}

}  // namespace beatwright
