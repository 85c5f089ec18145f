/* A 64 x 32 frame buffer in RAM that the font decoders draw into, printed as rows of
 * '#' and '.'. */
#ifndef CHIP_FRAME_H
#define CHIP_FRAME_H

#include "chip_io.h"

#define CHIP_FRAME_WIDTH 64
#define CHIP_FRAME_HEIGHT 32
#define CHIP_BASELINE 22 /* the row the text stands on */

static uint8_t chip_frame[CHIP_FRAME_HEIGHT][CHIP_FRAME_WIDTH / 8];

static inline void ChipClearFrame(void) {
    uint8_t* byte = &chip_frame[0][0];
    size_t i;
    for (i = 0; i < sizeof chip_frame; ++i) {
        byte[i] = 0;
    }
}

static inline void ChipSetDot(int x, int y) {
    if (x >= 0 && x < CHIP_FRAME_WIDTH && y >= 0 && y < CHIP_FRAME_HEIGHT) {
        chip_frame[y][x / 8] |= (uint8_t)(0x80 >> (x % 8));
    }
}

static inline void ChipPrintFrame(const char* label) {
    int x, y;
    ChipText("@");
    ChipText(label);
    ChipPut('\n');
    for (y = 0; y < CHIP_FRAME_HEIGHT; ++y) {
        ChipPut('@');
        for (x = 0; x < CHIP_FRAME_WIDTH; ++x) {
            ChipPut((chip_frame[y][x / 8] & (0x80 >> (x % 8))) ? '#' : '.');
        }
        ChipPut('\n');
    }
}

#endif /* CHIP_FRAME_H */
