#include "core/compress/unpack_header.h"

namespace pelmora {

std::string_view UnpackHeaderText() {
    return R"(/* pelmora_unpack: the decoder of pelmora-cli's packed data. Tag 0: the bytes as they are;
   1: PackBits; 2: LZSS (flags byte before eight items, bit 0 first: 1 a literal byte, 0 a copy
   of two bytes, distance less one, then length less three). pelmora_unpack writes at most size
   bytes and returns how many; pelmora_next streams a byte at a time (256 bytes of state). */
#ifndef PELMORA_UNPACK_H
#define PELMORA_UNPACK_H
#include <stddef.h>
#include <stdint.h>
#if defined(__AVR__)
#include <avr/pgmspace.h>
#elif defined(ESP8266) || defined(ESP32)
#include <pgmspace.h>
#endif
#ifdef pgm_read_byte
#define PELMORA_READ(p) pgm_read_byte(p)
#else
#define PELMORA_READ(p) (*(const uint8_t *)(p))
#endif

static inline size_t pelmora_unpack(const uint8_t *src, uint8_t *dst, size_t size) {
    size_t n = 0, back;
    uint8_t tag = PELMORA_READ(src), c, k, len, v;
    for (++src; n < size && tag < 3;) {
        c = PELMORA_READ(src++);
        if (tag == 0) {
            dst[n++] = c;
        } else if (tag == 1 && c < 128) {
            for (k = 0; k <= c && n < size; ++k) dst[n++] = PELMORA_READ(src++);
        } else if (tag == 1 && c > 128) {
            for (v = PELMORA_READ(src++), k = 0; k <= (uint8_t)(256 - c) && n < size; ++k) dst[n++] = v;
        } else if (tag == 2) {
            for (k = 0; k < 8 && n < size; ++k, c >>= 1) {
                if (c & 1) { dst[n++] = PELMORA_READ(src++); continue; }
                back = PELMORA_READ(src) + 1u;
                len = (uint8_t)((PELMORA_READ(src + 1) & 15) + 3);
                src += 2;
                if (back > n) return n;
                for (; len && n < size; --len, ++n) dst[n] = dst[n - back];
            }
        }
    }
    return n;
}

typedef struct {
    const uint8_t *src;
    uint16_t flags;
    uint8_t tag, left, copy, value, back, at;
    uint8_t window[256];
} pelmora_stream;

static inline void pelmora_begin(pelmora_stream *s, const uint8_t *src) {
    unsigned i;
    s->tag = PELMORA_READ(src);
    s->src = src + 1;
    s->flags = 1;
    s->left = s->at = 0;
    for (i = 0; i < 256; ++i) s->window[i] = 0;
}

/* The next unpacked byte; pelmora_page fills a page (or any count) of them. */
static inline uint8_t pelmora_next(pelmora_stream *s) {
    uint8_t b, c;
    if (s->tag == 1) {
        while (s->left == 0) {
            c = PELMORA_READ(s->src++);
            s->copy = c < 128;
            s->left = (uint8_t)(c < 128 ? c + 1 : c > 128 ? 257 - c : 0);
            if (c > 128) s->value = PELMORA_READ(s->src++);
        }
        s->left--;
        return s->copy ? PELMORA_READ(s->src++) : s->value;
    }
    if (s->tag != 2) return s->tag == 0 ? PELMORA_READ(s->src++) : 0;
    if (s->left == 0) {
        if (s->flags == 1) s->flags = (uint16_t)(PELMORA_READ(s->src++) | 0x100u);
        c = (uint8_t)(s->flags & 1);
        s->flags >>= 1;
        if (c) return s->window[s->at++] = PELMORA_READ(s->src++);
        s->back = PELMORA_READ(s->src);
        s->left = (uint8_t)((PELMORA_READ(s->src + 1) & 15) + 3);
        s->src += 2;
    }
    s->left--;
    b = s->window[(uint8_t)(s->at - s->back - 1)];
    return s->window[s->at++] = b;
}

static inline void pelmora_page(pelmora_stream *s, uint8_t *page, size_t count) {
    while (count--) *page++ = pelmora_next(s);
}

/* The Arduboy stream (no tag) unpacked into its page bytes, as Arduboy2's drawCompressed
   draws it: width and height less one, the first colour, then spans of alternate colours. */
typedef struct { const uint8_t *src; uint8_t byte, bit; } pelmora_bits;

static inline uint32_t pelmora_read_bits(pelmora_bits *b, uint8_t count) {
    uint32_t v = 0;
    uint8_t i;
    for (i = 0; i < count; ++i, b->bit = (uint8_t)(b->bit << 1)) {
        if (b->bit == 0) { b->byte = PELMORA_READ(b->src++); b->bit = 1; }
        if (b->byte & b->bit) v |= (uint32_t)1 << i;
    }
    return v;
}

static inline size_t pelmora_unpack_arduboy(const uint8_t *src, uint8_t *dst, size_t size) {
    pelmora_bits b;
    size_t n = 0, total;
    uint32_t len;
    uint8_t colour, bits, mask = 1, out = 0;
    b.src = src;
    b.byte = b.bit = 0;
    total = (size_t)pelmora_read_bits(&b, 8) + 1;
    total *= ((size_t)pelmora_read_bits(&b, 8) + 1) / 8;
    colour = (uint8_t)pelmora_read_bits(&b, 1);
    while (n < total && n < size) {
        for (bits = 1; pelmora_read_bits(&b, 1) == 0 && bits < 17; bits += 2) {}
        for (len = pelmora_read_bits(&b, bits) + 1; len && n < total && n < size; --len) {
            if (colour) out |= mask;
            mask = (uint8_t)(mask << 1);
            if (mask == 0) { dst[n++] = out; out = 0; mask = 1; }
        }
        colour ^= 1;
    }
    return n;
}

#endif /* PELMORA_UNPACK_H */
)";
}

} // namespace pelmora
