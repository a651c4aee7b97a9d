#pragma once

#include <QLabel>

namespace beatwright {

// A label of fixed size for a number. When the whole number does not fit, it shows the
// number rounded to what fits, marked with an ellipsis as shortened ("124.5…"), never a
// silent cut; the whole number is its tooltip, text() and what its context menu copies.
class ReadoutLabel : public QLabel {
    Q_OBJECT
public:
    explicit ReadoutLabel(QWidget* parent = nullptr);
    // The tooltip is the whole number, followed by what it is where told.
    void setText(const QString& text, const QString& about = {});
    [[nodiscard]] QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace beatwright
