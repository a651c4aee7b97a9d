#pragma once

#include <QLabel>

namespace beatwright {

// A label of fixed size that draws what fits of its text with an elision mark at the end,
// never a silent cut, and offers the whole text as its tooltip. text() stays the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    void setText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace beatwright
