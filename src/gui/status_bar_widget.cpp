#include "gui/status_bar_widget.h"

#include <algorithm>

#include <QEvent>
#include <QPainter>
#include <QStyleOption>

namespace halvoran {

namespace {

constexpr int kFrame = 2;       // border of each part
constexpr int kTextIndent = 2;  // the text starts this far right of a part's left edge

QColor ToQColor(Rgb rgb) { return QColor(rgb.Red, rgb.Green, rgb.Blue); }

}  // namespace

StatusBarWidget::StatusBarWidget(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    resize(width(), PreferredHeight());
}

int StatusBarWidget::PreferredHeight() const { return fontMetrics().height() + 2 * kFrame + 2; }

void StatusBarWidget::changeEvent(QEvent* event) {
    // A status bar control sizes itself to its font.
    if (event->type() == QEvent::FontChange) resize(width(), PreferredHeight());
    QWidget::changeEvent(event);
}

void StatusBarWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    int labelEnd = std::min(CColorStatusBar::kLabelPartEnd, width());
    DrawPart(painter, 0, QRect(0, 0, labelEnd, height()));
    DrawPart(painter, 1, QRect(labelEnd, 0, width() - labelEnd, height()));
}

void StatusBarWidget::DrawPart(QPainter& painter, int part, const QRect& rect) const {
    // A sunken panel per part, like the platform's status bar.
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = rect.adjusted(1, 1, -1, -1);
    frame.lineWidth = 1;
    frame.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
    if (model_ == nullptr) return;

    // One line from the part's top left, neither wrapped nor shortened.
    QRect inner = rect.adjusted(kFrame, kFrame, 0, 0);
    painter.save();
    painter.setClipRect(rect.adjusted(kFrame, kFrame, -kFrame, -kFrame));
    painter.setPen(ToQColor(model_->PartColor(part)));
    painter.setFont(font());
    painter.drawText(QPoint(inner.left() + kTextIndent, inner.top() + fontMetrics().ascent()),
                     QString::fromStdString(model_->PartText(part)));
    painter.restore();
}

}  // namespace halvoran
