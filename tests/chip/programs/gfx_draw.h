/* A GFXfont read and drawn as Adafruit GFX's published description has it: every field
 * through pgm_read_*, a glyph's bits MSB first and continuous from its bitmapOffset, its
 * top-left dot at the cursor plus (xOffset, yOffset), the cursor moved by xAdvance. */
#ifndef CHIP_GFX_DRAW_H
#define CHIP_GFX_DRAW_H

#include "chip_io.h"
#include "frame.h"
#include "gfxfont.h"

static inline void ChipGfxGlyphs(const char* label, const GFXglyph* glyphs, size_t count) {
    size_t i;
    ChipText("@");
    ChipText(label);
    ChipText(" ");
    ChipNumber(count);
    for (i = 0; i < count; ++i) {
        const GFXglyph* glyph = glyphs + i;
        ChipText(i % 8 == 0 ? "\n@" : " ");
        ChipNumber(pgm_read_word(&glyph->bitmapOffset));
        ChipPut(',');
        ChipNumber(pgm_read_byte(&glyph->width));
        ChipPut(',');
        ChipNumber(pgm_read_byte(&glyph->height));
        ChipPut(',');
        ChipNumber(pgm_read_byte(&glyph->xAdvance));
        ChipPut(',');
        ChipNumber((uint8_t)(pgm_read_byte(&glyph->xOffset) + 128));
        ChipPut(',');
        ChipNumber((uint8_t)(pgm_read_byte(&glyph->yOffset) + 128));
    }
    ChipPut('\n');
}

/* The font's own fields, and whether its pointers lead to the arrays beside it. */
static inline void ChipGfxFont(const char* label, const GFXfont* font, const uint8_t* bitmap,
                               const GFXglyph* glyphs) {
    ChipText("@");
    ChipText(label);
    ChipText(" first ");
    ChipNumber(pgm_read_word(&font->first));
    ChipText(" last ");
    ChipNumber(pgm_read_word(&font->last));
    ChipText(" yAdvance ");
    ChipNumber(pgm_read_byte(&font->yAdvance));
    ChipText(ChipReadPointer(&font->bitmap) == (const void*)bitmap ? " bitmap ok"
                                                                   : " bitmap elsewhere");
    ChipText(ChipReadPointer(&font->glyph) == (const void*)glyphs ? " glyphs ok\n"
                                                                  : " glyphs elsewhere\n");
}

static inline int ChipGfxChar(const GFXfont* font, int x, int y, uint8_t c) {
    const uint16_t first = pgm_read_word(&font->first);
    const uint16_t last = pgm_read_word(&font->last);
    const GFXglyph* glyph;
    const uint8_t* bitmap;
    uint16_t offset;
    uint8_t width, height, bits = 0, bit = 0, row, column;
    int8_t left, top;
    if (c < first || c > last) {
        return 0;
    }
    glyph = (const GFXglyph*)ChipReadPointer(&font->glyph) + (c - first);
    bitmap = (const uint8_t*)ChipReadPointer(&font->bitmap);
    offset = pgm_read_word(&glyph->bitmapOffset);
    width = pgm_read_byte(&glyph->width);
    height = pgm_read_byte(&glyph->height);
    left = (int8_t)pgm_read_byte(&glyph->xOffset);
    top = (int8_t)pgm_read_byte(&glyph->yOffset);
    for (row = 0; row < height; ++row) {
        for (column = 0; column < width; ++column) {
            if ((bit++ & 7) == 0) {
                bits = pgm_read_byte(bitmap + offset++);
            }
            if (bits & 0x80) {
                ChipSetDot(x + left + column, y + top + row);
            }
            bits = (uint8_t)(bits << 1);
        }
    }
    return pgm_read_byte(&glyph->xAdvance);
}

static inline void ChipGfxText(const char* label, const GFXfont* font, const char* text) {
    int x = 1;
    ChipClearFrame();
    while (*text) {
        x += ChipGfxChar(font, x, CHIP_BASELINE, (uint8_t)*text++);
    }
    ChipPrintFrame(label);
}

#endif /* CHIP_GFX_DRAW_H */
