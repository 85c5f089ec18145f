// Intel HEX records, for programmers and EEPROM tools.

#include "core/syntax/cell_text.h"
#include "core/syntax/frames_text.h"
#include "core/syntax/syntaxes.h"
#include "core/syntax/text_values.h"

#include <algorithm>

namespace pelmora {

namespace {

void AppendRecord(std::string& text, int type, unsigned address,
                  std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> record{
        static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(address >> 8 & 0xFF),
        static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(type)};
    record.insert(record.end(), data.begin(), data.end());
    unsigned sum = 0;
    text += ':';
    for (const std::uint8_t value : record) {
        sum += value;
        AppendHexDigits(text, value, true);
    }
    const auto check = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
    AppendHexDigits(text, check, true);
    text += '\n';
}

std::string WriteIhex(const PanelLayout&, std::span<const std::uint8_t> bytes, std::string_view) {
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        if (at % 0x10000 == 0 && at != 0) {
            const auto upper = static_cast<unsigned>(at >> 16);
            const std::uint8_t segment[] = {static_cast<std::uint8_t>(upper >> 8),
                                            static_cast<std::uint8_t>(upper & 0xFF)};
            AppendRecord(text, 4, 0, segment);
        }
        AppendRecord(text, 0, static_cast<unsigned>(at & 0xFFFF),
                     bytes.subspan(at, std::min<std::size_t>(16, bytes.size() - at)));
    }
    AppendRecord(text, 1, 0, {});
    return text;
}

// Records of data (0), end (1) and upper address (4); the bytes from address 0 on, gaps 0.
SyntaxText ReadIhex(std::string_view text) {
    constexpr std::size_t kLargest = 4096 * 4096 / 8;
    SyntaxText read;
    unsigned long upper = 0;
    bool ended = false;
    long lines = 0;
    ForEachLine(text, [&](long number, std::string_view line) {
        lines = number;
        const auto fail = [&](const std::string& why) {
            read.error = "line " + std::to_string(number) + ": " + why;
            return false;
        };
        if (line.empty() || ended) {
            return line.empty() || fail("text after the end record");
        }
        if (line.front() != ':' || line.size() < 11 || line.size() % 2 == 0) {
            return fail("not an Intel HEX record");
        }
        std::vector<std::uint8_t> record;
        for (std::size_t i = 1; i + 1 < line.size(); i += 2) {
            const int high = HexDigitValue(line[i]);
            const int low = HexDigitValue(line[i + 1]);
            if (high < 0 || low < 0) {
                return fail("not an Intel HEX record");
            }
            record.push_back(static_cast<std::uint8_t>(high << 4 | low));
        }
        unsigned sum = 0;
        for (const std::uint8_t value : record) {
            sum += value;
        }
        if (record.size() != record[0] + 5U) {
            return fail("the record's length does not match its count");
        }
        if ((sum & 0xFF) != 0) {
            return fail("the record's checksum is wrong");
        }
        const unsigned long address =
            upper + (static_cast<unsigned long>(record[1]) << 8 | record[2]);
        switch (record[3]) {
        case 0:
            if (address + record[0] > kLargest) {
                return fail("the address lies beyond the largest panel");
            }
            if (read.bytes.size() < address + record[0]) {
                read.bytes.resize(address + record[0]);
            }
            std::copy(record.begin() + 4, record.end() - 1,
                      read.bytes.begin() + static_cast<std::ptrdiff_t>(address));
            return true;
        case 1:
            ended = true;
            return true;
        case 4:
            if (record[0] != 2) {
                return fail("an address record holds two bytes");
            }
            upper = (static_cast<unsigned long>(record[4]) << 8 | record[5]) << 16;
            return true;
        default:
            return fail("record type " + std::to_string(record[3]) + " is not read");
        }
    });
    // A file cut short ends without its end record; its bytes would be silently partial.
    if (read.error.empty() && !ended) {
        read.error =
            "line " + std::to_string(lines + 1) + ": the end record (:00000001FF) is missing";
    }
    return read;
}

bool ClaimsIhex(std::string_view text) {
    return text.starts_with(":") && text.find(":00000001FF") != std::string_view::npos;
}

// Records run on across frames: made from all the bytes at once.
void WriteIhexFrames(const PanelLayout& layout, FrameSource& frames, std::string_view symbol,
                     TextOut& out) {
    std::vector<std::uint8_t> all;
    all.reserve(layout.byteCount() * frames.count());
    for (std::size_t i = 0; i < frames.count(); ++i) {
        const std::span<const std::uint8_t> bytes = frames.bytes(i);
        all.insert(all.end(), bytes.begin(), bytes.end());
    }
    out.text = WriteIhex(layout, all, symbol);
}

ReadFrames ReadIhexFrames(std::string_view text, const PanelLayout& fallback) {
    return frames::FramesOfBytes(ReadIhex(text), fallback);
}

std::string WriteIhexCells(const CellTable& table, std::string_view symbol) {
    return WriteIhex(table.cell, AllCellBytes(table), symbol);
}

} // namespace

const Syntax kIhexSyntax{.name = "ihex",
                         .label = "Intel HEX",
                         .description = "Intel HEX records, for programmers and EEPROM tools",
                         .extension = ".hex",
                         .write = WriteIhex,
                         .read = ReadIhex,
                         .claims = ClaimsIhex,
                         .writeFrames = WriteIhexFrames,
                         .readFrames = ReadIhexFrames,
                         .claimsFrames = nullptr,
                         .writeCellTable = WriteIhexCells,
                         .onlyRowsLsb = false,
                         .rawBytes = false,
                         .forSketch = false,
                         .binary = true,
                         .cArrays = false,
                         .marksPacking = false};

} // namespace pelmora
