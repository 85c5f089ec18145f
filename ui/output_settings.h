#pragma once

#include "core/compress/packed_output.h"
#include "core/conversion/encoder.h"
#include "core/panel/presets.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QScrollArea;
class QSettings;
class QSpinBox;
class QVBoxLayout;

namespace pelmora {

// The output choice as remembered between runs; the defaults when nothing is stored.
OutputChoice LoadOutputChoice(QSettings& settings);
void SaveOutputChoice(QSettings& settings, const OutputChoice& choice);
// The short name of the preset last chosen ("st7565"), or empty for Custom: presets that
// share a layout are told apart by it.
QString LoadPanelPresetName(QSettings& settings);
void SavePanelPresetName(QSettings& settings, const QString& name);
// How the output is packed, as remembered (--compress; none when nothing is stored).
Packing LoadPacking(QSettings& settings);
void SavePacking(QSettings& settings, const Packing& packing);

// "Output settings": the syntax and the panel, with an example of what they write.
class OutputSettingsDialog : public QDialog {
    Q_OBJECT

  public:
    // preset names the preset shown where more than one has the choice's layout.
    // packing, when given, shows the Compression choice; without it there is none.
    OutputSettingsDialog(const OutputChoice& choice, QWidget* parent = nullptr,
                         const QString& preset = {},
                         const std::optional<Packing>& packing = std::nullopt);
    OutputChoice choice() const;
    QString presetName() const; // the preset's short name, empty for Custom
    Packing packing() const;    // none when the choice is not shown

  private:
    // The steps that make the dialog, in their order.
    void buildSyntaxAndPanelBoxes(const OutputChoice& choice);
    void buildLayoutFields(const PanelLayout& layout);
    void buildCompressionBox(const std::optional<Packing>& packing);
    QScrollArea* buildResultLabels();            // the example's scrolled line
    QWidget* layOutFields(QScrollArea* example); // the form, in a widget of its own
    void placeFieldsAndButtons(QWidget* fields); // scrolled fields above the buttons
    void resizeToFields(QSize wanted, const QVBoxLayout* column, int bar);
    void connectControls();

    void presetChosen(int index);
    void update();
    void showMatchingPreset(const QString& preferred);

    bool filling_ = false; // a preset's values going in: checked once, when all are in
    QComboBox* SyntaxBox;
    QComboBox* PanelBox;
    QSpinBox* WidthBox;
    QSpinBox* HeightBox;
    QComboBox* LayoutBox;
    QComboBox* BitOrderBox;
    QSpinBox* BlockWidthBox;
    QComboBox* DepthBox;
    QComboBox* ColoursBox;
    QComboBox* InkBox;
    QComboBox* MaskBox;
    QSpinBox* RamWidthBox;
    QSpinBox* XOffsetBox;
    QComboBox* CompressionBox; // null where no packing is offered
    QLabel* BytesValue;
    QLabel* ExampleValue;
    QLabel* ProblemValue;
    class QPushButton* OkButton;
};

} // namespace pelmora
