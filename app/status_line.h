#pragma once
// One line of the status bar. It never widens the window and never cuts its end: a line too
// long for its width leaves out its middle, and its tooltip has it whole.

#include <QLabel>

namespace velmar {

class StatusLine : public QLabel {
    Q_OBJECT

  public:
    explicit StatusLine(QWidget* parent = nullptr);
    // `text` as the line; the tooltip is `whole`, or the text itself when none is given.
    void showLine(const QString& text, const QString& whole = {});
    // What the line shows at its present width.
    QString shownText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace velmar
