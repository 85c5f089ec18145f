/* Bitmaps drawn as the graphics libraries read them from flash: rows from the top, each
 * row whole bytes, the leftmost dot in bit 7 (Adafruit GFX's drawBitmap) or in bit 0
 * (u8g2's drawXBMP, as X bitmaps are). */
#ifndef CHIP_BITMAP_DRAW_H
#define CHIP_BITMAP_DRAW_H

#include "chip_io.h"
#include "frame.h"

static inline void ChipDrawRows(const char* label, const uint8_t* bitmap, int width, int height,
                                uint8_t leftmostIsBit0) {
    const int pitch = (width + 7) / 8;
    int x, y;
    ChipClearFrame();
    for (y = 0; y < height; ++y) {
        for (x = 0; x < width; ++x) {
            const uint8_t byte = pgm_read_byte(bitmap + y * pitch + x / 8);
            const uint8_t mask =
                leftmostIsBit0 ? (uint8_t)(1 << (x % 8)) : (uint8_t)(0x80 >> (x % 8));
            if (byte & mask) {
                ChipSetDot(x, y);
            }
        }
    }
    ChipPrintFrame(label);
}

#endif /* CHIP_BITMAP_DRAW_H */
