#pragma once

#include "core/conversion/conversion_state.h"
#include "platform/twips.h"

#include <QDialog>

class QPushButton;

namespace pelmora {

class MessageBox;
class PictureBox;

// "LCD Preview": reads the written text file back and plots it as the panel shows it.
class PreviewWindow : public QDialog {
    Q_OBJECT

  public:
    PreviewWindow(ConversionState& state, MessageBox& messages, TwipsScale scale,
                  QWidget* owner = nullptr);

    // One pass over the file at outputPath: clears the panel and draws every line again.
    // A line that cannot be read stops the pass with a message; what was drawn stays.
    void LoadPreviewFile();

  private:
    ConversionState& state_;
    MessageBox& messages_;
    PictureBox* LcdPic;
    QPushButton* ShowButton;
};

} // namespace pelmora
