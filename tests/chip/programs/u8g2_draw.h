/* A u8g2 font read and drawn as the format's public description has it, every byte through
 * pgm_read_byte: a 23-byte header (glyph count, bbx mode, run bits m0 and m1, the bit
 * widths of a glyph's width, height, x, y and advance, ..., the offsets of 'A', 'a' and
 * the table of codes from U+0100); glyphs below U+0100 as a code byte and the jump to the
 * next; the others through the table's blocks, a two-byte code and the jump. A glyph is a
 * bit stream, least significant bit first: width, height, x, y, advance (the signed ones
 * biased by half their range), then runs of m0 bits of off dots and m1 bits of on dots,
 * each pair repeated while the bit after it is 1. */
#ifndef CHIP_U8G2_DRAW_H
#define CHIP_U8G2_DRAW_H

#include "chip_io.h"
#include "frame.h"

typedef struct {
    const uint8_t* at;
    uint8_t bit;
} ChipBits;

static inline unsigned ChipBitsGet(ChipBits* bits, uint8_t count) {
    unsigned value = 0;
    uint8_t i;
    for (i = 0; i < count; ++i) {
        value |= (unsigned)((pgm_read_byte(bits->at) >> bits->bit) & 1) << i;
        if (++bits->bit == 8) {
            bits->bit = 0;
            ++bits->at;
        }
    }
    return value;
}

static inline int ChipBitsSigned(ChipBits* bits, uint8_t count) {
    return (int)ChipBitsGet(bits, count) - (1 << (count - 1));
}

static inline uint16_t ChipWordAt(const uint8_t* at) {
    return (uint16_t)(pgm_read_byte(at) << 8 | pgm_read_byte(at + 1));
}

/* The glyph's bit stream, or 0 where the font has no such code. */
static inline const uint8_t* ChipU8g2Find(const uint8_t* font, uint16_t code) {
    const uint8_t* at = font + 23;
    if (code < 0x100) {
        if (code >= 'a') {
            at += ChipWordAt(font + 19);
        } else if (code >= 'A') {
            at += ChipWordAt(font + 17);
        }
        for (; pgm_read_byte(at + 1) != 0; at += pgm_read_byte(at + 1)) {
            if (pgm_read_byte(at) == code) {
                return at + 2;
            }
        }
        return 0;
    }
    {
        const uint8_t* table = font + 23 + ChipWordAt(font + 21);
        uint16_t last, found;
        at = table;
        do {
            at += ChipWordAt(table);
            last = ChipWordAt(table + 2);
            table += 4;
        } while (last < code);
        for (; (found = ChipWordAt(at)) != 0; at += pgm_read_byte(at + 2)) {
            if (found == code) {
                return at + 3;
            }
        }
    }
    return 0;
}

/* Draws the glyph with its pen at (x, baseline); returns its advance. */
static inline int ChipU8g2Glyph(const uint8_t* font, const uint8_t* glyph, int x, int baseline) {
    ChipBits bits;
    unsigned width, height, dot = 0, total, zeros, ones, i;
    int left, bottom, advance, top;
    bits.at = glyph;
    bits.bit = 0;
    width = ChipBitsGet(&bits, pgm_read_byte(font + 4));
    height = ChipBitsGet(&bits, pgm_read_byte(font + 5));
    left = ChipBitsSigned(&bits, pgm_read_byte(font + 6));
    bottom = ChipBitsSigned(&bits, pgm_read_byte(font + 7));
    advance = ChipBitsSigned(&bits, pgm_read_byte(font + 8));
    top = baseline - (int)height - bottom;
    total = width * height;
    while (width != 0 && dot < total) {
        zeros = ChipBitsGet(&bits, pgm_read_byte(font + 2));
        ones = ChipBitsGet(&bits, pgm_read_byte(font + 3));
        do {
            dot += zeros;
            for (i = 0; i < ones; ++i, ++dot) {
                ChipSetDot(x + left + (int)(dot % width), top + (int)(dot / width));
            }
        } while (ChipBitsGet(&bits, 1) != 0);
    }
    return advance;
}

static inline void ChipU8g2Text(const char* label, const uint8_t* font, const uint16_t* codes,
                                size_t count) {
    int x = 1;
    size_t i;
    ChipClearFrame();
    for (i = 0; i < count; ++i) {
        const uint8_t* glyph = ChipU8g2Find(font, codes[i]);
        if (glyph == 0) {
            ChipText("@missing ");
            ChipNumber(codes[i]);
            ChipPut('\n');
            continue;
        }
        x += ChipU8g2Glyph(font, glyph, x, CHIP_BASELINE);
    }
    ChipPrintFrame(label);
}

#endif /* CHIP_U8G2_DRAW_H */
