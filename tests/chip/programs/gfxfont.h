/* The types of Adafruit GFX's fonts, as the library's gfxfont.h declares them and behind
 * the same guard, written from its published description: a program that includes the
 * library's header before or after a GFXfont must compile either way. */
#ifndef _GFXFONT_H_
#define _GFXFONT_H_

#include <stdint.h>

typedef struct {
    uint16_t bitmapOffset; /* into the font's bitmap */
    uint8_t width;
    uint8_t height;
    uint8_t xAdvance;
    int8_t xOffset; /* from the cursor to the bitmap's left column */
    int8_t yOffset; /* from the baseline to the bitmap's top row */
} GFXglyph;

typedef struct {
    uint8_t* bitmap; /* every glyph's bits, MSB first, each glyph continuous */
    GFXglyph* glyph;
    uint16_t first;
    uint16_t last;
    uint8_t yAdvance;
} GFXfont;

#endif /* _GFXFONT_H_ */
