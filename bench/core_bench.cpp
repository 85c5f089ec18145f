// Pelmora's work beside the floor it stands on, measured in one run:
//   encoder on a decoded picture            vs  formatting 1,024 bytes as the same text
//   one whole conversion in process         vs  reading the bitmap and writing a same-size text
//   with
//                                               stdio, in place and as an atomic replace
//   decoding and plotting a 129-line file   vs  reading that file line by line

#include "core/bmp/bitmap_header.h"
#include "core/conversion/encoder.h"
#include "core/conversion/intake.h"
#include "core/conversion/plotter.h"
#include "core/io/atomic_text_file.h"
#include "core/syntax/db.h"
#include "widgets/bitmap_image.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

using namespace pelmora;

// PELMORA_BENCH_DIR picks the file system the files live on (default: the temporary folder).
const std::filesystem::path kWork = [] {
    const char* dir = std::getenv("PELMORA_BENCH_DIR");
    return (dir != nullptr ? std::filesystem::path(dir) : std::filesystem::temp_directory_path()) /
           "pelmora-bench";
}();

struct RandomSurface : PictureSurface {
    std::array<Colour, kPanelWidth * kPanelHeight> pixels{};
    RandomSurface() {
        std::mt19937 random(1);
        for (Colour& pixel : pixels) {
            pixel = random() % 2 ? 0xFFFFFF : 0;
        }
    }
    int pictureWidth() const override { return kPanelWidth; }
    int pictureHeight() const override { return kPanelHeight; }
    Colour colourAt(int x, int y) const override { return pixels[y * kPanelWidth + x]; }
};

struct NoProgress : ProgressDisplay {
    void showProgress(const std::string& text) override { benchmark::DoNotOptimize(text.data()); }
};

ConversionState PanelState() {
    ConversionState state;
    state.infoHeader.biWidth = kPanelWidth;
    state.infoHeader.biHeight = kPanelHeight;
    state.infoHeader.biBitCount = 1;
    ComputePanelGeometry(state);
    return state;
}

void BM_Encoder(benchmark::State& run) {
    const RandomSurface surface;
    NoProgress progress;
    for (auto _ : run) {
        const EncodedText encoded = EncodePanelText(surface, progress, 0);
        benchmark::DoNotOptimize(encoded.text.data());
    }
}
BENCHMARK(BM_Encoder);

void BM_EncoderFloor_FormatBytes(benchmark::State& run) {
    std::array<std::uint8_t, 1024> bytes{};
    std::mt19937 random(1);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    for (auto _ : run) {
        std::string text;
        text.reserve(6000);
        char line[64];
        for (int i = 0; i < 1024; i += 8) {
            if (i == 512) {
                text += "\r\n";
            }
            std::snprintf(line, sizeof line,
                          "        DB %02XH,%02XH,%02XH,%02XH,%02XH,%02XH,%02XH,%02XH;\r\n",
                          bytes[i], bytes[i + 1], bytes[i + 2], bytes[i + 3], bytes[i + 4],
                          bytes[i + 5], bytes[i + 6], bytes[i + 7]);
            text += line;
        }
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_EncoderFloor_FormatBytes);

std::string BitmapPath() {
    return (kWork / "picture.bmp").string();
}

void BM_ConvertInProcess(benchmark::State& run) {
    NoProgress progress;
    const std::string output = (kWork / "lcd_picture.txt").string();
    for (auto _ : run) {
        const TakenIn taken = TakeInBitmapFile(BitmapPath());
        if (!taken.usable()) {
            run.SkipWithError("bitmap not accepted");
            return;
        }
        const EncodedText encoded = ConvertTakenInToText(taken, false, progress, {}, output);
        if (!encoded.ok() || !WriteWholeFile(output, encoded.text).ok()) {
            run.SkipWithError("conversion failed");
            return;
        }
    }
}
BENCHMARK(BM_ConvertInProcess);

std::size_t ReadWithStdio(const std::string& path) {
    char buffer[4096];
    std::FILE* in = std::fopen(path.c_str(), "rb");
    std::size_t total = 0;
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) {
        total += got;
    }
    std::fclose(in);
    return total;
}

void BM_ConvertFloor_ReadAndWriteStdio(benchmark::State& run) {
    const std::string text(5762, 'x'); // the size of a panel file
    const std::string output = (kWork / "floor.txt").string();
    for (auto _ : run) {
        const std::size_t total = ReadWithStdio(BitmapPath());
        std::FILE* out = std::fopen(output.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_ConvertFloor_ReadAndWriteStdio);

// The same, but replacing the output as Pelmora must, so that a failure never leaves a
// half-written file: a new file beside it, then a rename over it.
void BM_ConvertFloor_ReadAndReplaceStdio(benchmark::State& run) {
    const std::string text(5762, 'x');
    const std::string output = (kWork / "floor.txt").string();
    const std::string temporary = output + ".new";
    for (auto _ : run) {
        const std::size_t total = ReadWithStdio(BitmapPath());
        std::FILE* out = std::fopen(temporary.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
        std::rename(temporary.c_str(), output.c_str());
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_ConvertFloor_ReadAndReplaceStdio);

// The panel as the command line keeps it: one cell per dot.
// The conversion's stages on their own, to show where its time goes.
void BM_Stage_HeaderCheck(benchmark::State& run) {
    ConversionState state;
    for (auto _ : run) {
        Palette palette{};
        benchmark::DoNotOptimize(ReadAndCheckBitmap(state, BitmapPath(), palette).verdict);
    }
}
BENCHMARK(BM_Stage_HeaderCheck);

void BM_Stage_ReadCheckAndDecode(benchmark::State& run) {
    for (auto _ : run) {
        benchmark::DoNotOptimize(TakeInBitmapFile(BitmapPath()).pixels.width());
    }
}
BENCHMARK(BM_Stage_ReadCheckAndDecode);

void BM_Stage_EncodeFromPixels(benchmark::State& run) {
    const TakenIn taken = TakeInBitmapFile(BitmapPath());
    NoProgress progress;
    for (auto _ : run) {
        benchmark::DoNotOptimize(ConvertTakenInToText(taken, false, progress).text.data());
    }
}
BENCHMARK(BM_Stage_EncodeFromPixels);

void BM_Stage_AtomicWrite(benchmark::State& run) {
    const std::string text(5762, 'x');
    for (auto _ : run) {
        AtomicTextFile file(kWork / "lcd_stage.txt");
        if (!file.open() || !file.write(text) || !file.commit()) {
            run.SkipWithError("write failed");
            return;
        }
    }
}
BENCHMARK(BM_Stage_AtomicWrite);

struct Discard : PointSink {
    std::array<std::uint8_t, kPanelWidth * kPanelHeight> dots{};
    int points = 0;
    void setPoint(int x, int y, bool on) override {
        dots[static_cast<std::size_t>(y * kPanelWidth + x)] = on;
        points += on;
    }
    void setColumn(int x, int top, std::uint8_t rows) override {
        for (int row = 0; row < 8; ++row) {
            dots[static_cast<std::size_t>((top + row) * kPanelWidth + x)] = rows >> row & 1;
        }
        points += rows;
    }
};

void BM_DecodeAndPlot(benchmark::State& run) {
    ConversionState state = PanelState();
    const std::string path = (kWork / "lcd_sample.txt").string();
    for (auto _ : run) {
        Discard panel;
        PlotLcdHexFile(state, path, panel);
        benchmark::DoNotOptimize(panel.points);
    }
}
BENCHMARK(BM_DecodeAndPlot);

void BM_DecodeFloor_ReadLines(benchmark::State& run) {
    const std::string path = (kWork / "lcd_sample.txt").string();
    for (auto _ : run) {
        std::ifstream in(path, std::ios::binary);
        std::string line;
        std::size_t total = 0;
        while (std::getline(in, line)) {
            total += line.size();
        }
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_DecodeFloor_ReadLines);

// The files the benchmarks read: a bitmap of random dots and the text made from it.
void PrepareFiles() {
    std::filesystem::create_directories(kWork);
    const RandomSurface surface;
    QImage image(kPanelWidth, kPanelHeight, QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < kPanelHeight; ++y) {
        for (int x = 0; x < kPanelWidth; ++x) {
            image.setPixel(x, y, surface.colourAt(x, y) ? 1 : 0);
        }
    }
    image.save(QString::fromStdString(BitmapPath()), "BMP");
    NoProgress progress;
    std::ofstream(kWork / "lcd_sample.txt", std::ios::binary)
        << EncodePanelText(surface, progress, 0).text;
}

} // namespace

int main(int argc, char** argv) {
    PrepareFiles();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(kWork);
    return 0;
}
