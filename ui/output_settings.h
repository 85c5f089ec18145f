#pragma once

#include "core/conversion/encoder.h"
#include "core/panel/presets.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QSettings;
class QSpinBox;

namespace pelmora {

// The output choice as remembered between runs; the defaults when nothing is stored.
OutputChoice LoadOutputChoice(QSettings& settings);
void SaveOutputChoice(QSettings& settings, const OutputChoice& choice);

// "Output settings": the syntax and the panel, with an example of what they write.
class OutputSettingsDialog : public QDialog {
    Q_OBJECT

  public:
    OutputSettingsDialog(const OutputChoice& choice, QWidget* parent = nullptr);
    OutputChoice choice() const;

  private:
    void presetChosen(int index);
    void update();

    QComboBox* SyntaxBox;
    QComboBox* PanelBox;
    QSpinBox* WidthBox;
    QSpinBox* HeightBox;
    QComboBox* LayoutBox;
    QComboBox* BitOrderBox;
    QSpinBox* BlockWidthBox;
    QLabel* ExampleValue;
    QLabel* ProblemValue;
    class QPushButton* OkButton;
};

} // namespace pelmora
