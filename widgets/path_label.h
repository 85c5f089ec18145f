#pragma once

#include <QLabel>

namespace pelmora {

// A label for a file path: wraps anywhere, since paths have no spaces to wrap at, and
// shows the whole path as its tool tip when the box is too small for it.
class PathLabel : public QLabel {
    Q_OBJECT

  public:
    explicit PathLabel(QWidget* parent = nullptr);
    void setPath(const QString& path);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pelmora
