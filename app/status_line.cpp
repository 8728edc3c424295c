#include "app/status_line.h"

#include <QPainter>
#include <QStyle>

namespace velmar {

StatusLine::StatusLine(QWidget* parent) : QLabel(parent) {
    // The layout, not the text, decides the width.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setMinimumSize(1, fontMetrics().height());
}

void StatusLine::showLine(const QString& text, const QString& whole) {
    setText(text);
    setToolTip(whole.isEmpty() ? text : whole);
}

QString StatusLine::shownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

void StatusLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()), palette(),
                          isEnabled(), shownText(), foregroundRole());
}

}  // namespace velmar
