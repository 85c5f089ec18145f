// The Compression choice of Output settings, driven by its named controls offscreen: its
// schemes from the registry, what a layout cannot pack refused before OK, and the choice
// remembered between runs.

#include "support/test_pictures.h"
#include "ui/output_settings.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace pelmora::test {
namespace {

template <typename T> T* Named(QWidget& dialog, const char* name) {
    T* widget = dialog.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

QPushButton* OkButton(QWidget& dialog) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text().remove('&') == "OK") {
            return button;
        }
    }
    return nullptr;
}

TEST(CompressionSettings, OffersEverySchemeAndRefusesWhatTheLayoutCannotPack) {
    OutputSettingsDialog dialog(OutputChoice{}, nullptr, {}, Packing{Scheme::Lzss, false});
    auto* compression = Named<QComboBox>(dialog, "CompressionBox");
    ASSERT_NE(compression, nullptr);
    QStringList offered;
    for (int i = 0; i < compression->count(); ++i) {
        offered << compression->itemData(i).toString();
    }
    QStringList registry;
    for (const SchemeInfo& scheme : Schemes()) {
        registry << QString::fromUtf8(scheme.name.data(),
                                      static_cast<qsizetype>(scheme.name.size()));
    }
    EXPECT_EQ(offered, registry);
    EXPECT_EQ(compression->currentData().toString(), "lzss");
    EXPECT_EQ(dialog.packing().scheme, Scheme::Lzss);

    struct Row {
        const char* name;
        const char* scheme;
        const char* layout;
        const char* syntax;
        int height;
        const char* problem; // empty: OK
    };
    const Row rows[] = {
        {"lzss_in_halves", "lzss", "halves", "c", 64, ""},
        {"arduboy_in_halves", "arduboy", "halves", "c", 64, "--layout pages"},
        {"arduboy_in_pages", "arduboy", "pages", "c", 64, ""},
        {"arduboy_uneven_height", "arduboy", "pages", "c", 60, "multiple of 8"},
        {"lzss_as_xbm", "lzss", "rows", "xbm", 64, "holds the bytes as they are"},
        {"none_as_xbm", "none", "rows", "xbm", 64, ""},
    };
    auto* layout = Named<QComboBox>(dialog, "LayoutBox");
    auto* syntax = Named<QComboBox>(dialog, "SyntaxBox");
    auto* height = Named<QSpinBox>(dialog, "HeightBox");
    auto* problem = Named<QLabel>(dialog, "ProblemValue");
    for (const Row& row : rows) {
        syntax->setCurrentIndex(syntax->findData(row.syntax));
        layout->setCurrentText(row.layout);
        height->setValue(row.height);
        compression->setCurrentIndex(compression->findData(row.scheme));
        EXPECT_TRUE(problem->text().contains(row.problem))
            << row.name << ": " << problem->text().toStdString();
        EXPECT_EQ(OkButton(dialog)->isEnabled(), std::string(row.problem).empty()) << row.name;
    }
}

TEST(CompressionSettings, NoChoiceWhereNothingIsPackedAndTheChoiceIsRemembered) {
    OutputSettingsDialog plain(OutputChoice{});
    EXPECT_EQ(plain.findChild<QComboBox*>("CompressionBox"), nullptr);
    EXPECT_EQ(plain.packing().scheme, Scheme::None);

    ScratchFolder folder;
    QSettings settings(QString::fromStdString((folder / "settings.ini").string()),
                       QSettings::IniFormat);
    EXPECT_EQ(LoadPacking(settings).scheme, Scheme::None);
    SavePacking(settings, {Scheme::Auto, false});
    EXPECT_EQ(LoadPacking(settings).scheme, Scheme::Auto);
    settings.setValue("output/compress", "zip"); // another's value is ignored, not obeyed
    EXPECT_EQ(LoadPacking(settings).scheme, Scheme::None);
}

} // namespace
} // namespace pelmora::test
