#include "preview/preview_window.h"

#include "core/conversion/plotter.h"
#include "platform/controls.h"
#include "platform/message_box.h"
#include "platform/picture_box.h"

#include <QPushButton>

namespace pelmora {

namespace {

class PictureBoxDots : public PointSink {
  public:
    explicit PictureBoxDots(PictureBox& box) : box_(box) {}
    void setPoint(int x, int y, bool on) override {
        box_.setPoint(x, y, on ? kOnDotColour : kOffDotColour);
    }

  private:
    PictureBox& box_;
};

} // namespace

PreviewWindow::PreviewWindow(ConversionState& state, MessageBox& messages, TwipsScale scale,
                             QWidget* owner)
    : QDialog(owner), state_(state), messages_(messages) {
    setObjectName("Form2");
    setWindowTitle("LCD Preview");
    setWindowIcon(ProgramIcon());
    setFixedSize(scale.size(4350, 3480));

    LcdPic = new PictureBox(this);
    LcdPic->setObjectName("LcdPic");
    LcdPic->setGeometry(scale.rect(120, 0, 4095, 2775));

    ShowButton = new QPushButton("Show", this);
    ShowButton->setObjectName("ShowButton");
    ShowButton->setGeometry(scale.rect(1440, 3000, 1575, 375));
    ShowButton->setAutoDefault(false);
    connect(ShowButton, &QPushButton::clicked, this, &PreviewWindow::LoadPreviewFile);

    setTabOrder(LcdPic, ShowButton);
}

void PreviewWindow::LoadPreviewFile() {
    LcdPic->clear();
    PictureBoxDots dots(*LcdPic);
    const PlotOutcome outcome = PlotLcdHexFile(state_, state_.outputPath, dots);
    if (!outcome.ok) {
        messages_.show(this, windowTitle(), QString::fromStdString(outcome.error));
    } else if (!outcome.shortfall.empty()) {
        // Drawn as far as it goes, as always; but a short panel is worth a word.
        messages_.show(this, windowTitle(),
                       QString::fromStdString(
                           state_.outputPath + " is not a whole panel: " + outcome.shortfall +
                           (outcome.shortOfPanel ? "; the rest is drawn blank."
                                                 : "; the bytes beyond it are not drawn.")));
    }
}

} // namespace pelmora
