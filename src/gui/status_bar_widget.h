// The coloured status bar on screen: draws the two parts of a CColorStatusBar
// model, the label part 100 pixels wide and the message part up to the right
// edge, in black or red.
#pragma once
#include <QWidget>

#include "app/status_bar.h"

namespace halvoran {

class StatusBarWidget final : public QWidget {
    Q_OBJECT
public:
    explicit StatusBarWidget(QWidget* parent);

    // The model drawn from now on; it must outlive the widget's use of it.
    void SetModel(const CColorStatusBar* model) { model_ = model; }
    // Height that holds one line of the current font.
    int PreferredHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void DrawPart(class QPainter& painter, int part, const QRect& rect) const;

    const CColorStatusBar* model_ = nullptr;
};

}  // namespace halvoran
