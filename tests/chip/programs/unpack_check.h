/* What the packing test programs share (each asset named by a number, for RAM is short): a hash of
 * the bytes unpacked every way the shipped decoder offers, and the Arduboy stream drawn dot by dot
 * by a decoder written from the library's published description, apart from the shipped one. */
#ifndef UNPACK_CHECK_H
#define UNPACK_CHECK_H

#include "chip_io.h"

static uint8_t check_buffer[1024];
static pelmora_stream check_stream;

static inline uint32_t CheckHash(uint32_t hash, uint8_t byte) {
    return (hash ^ byte) * 16777619UL;
}

static inline void CheckLine(unsigned name, const char* how, unsigned long count, uint32_t hash) {
    ChipText("@");
    ChipNumber(name);
    ChipText(" ");
    ChipText(how);
    ChipText(" ");
    ChipNumber(count);
    ChipText(" ");
    ChipNumber(hash);
    ChipPut('\n');
}

static inline uint32_t CheckBufferHash(size_t count) {
    uint32_t hash = 2166136261UL;
    size_t i;
    for (i = 0; i < count; ++i) {
        hash = CheckHash(hash, check_buffer[i]);
    }
    return hash;
}

/* A general scheme's data: whole into the buffer where it fits, and streamed a page at a
 * time and a byte at a time. */
static inline void CheckGeneral(unsigned name, const uint8_t* data, size_t size) {
    uint32_t hash = 2166136261UL;
    size_t done = 0, page, i;
    if (size <= sizeof check_buffer) {
        size_t written = pelmora_unpack(data, check_buffer, size);
        CheckLine(name, "whole", written, CheckBufferHash(written));
    }
    pelmora_begin(&check_stream, data);
    while (done < size) {
        page = size - done < 64 ? size - done : 64;
        if (done % 128 == 0) {
            pelmora_page(&check_stream, check_buffer, page);
        } else {
            for (i = 0; i < page; ++i) {
                check_buffer[i] = pelmora_next(&check_stream);
            }
        }
        for (i = 0; i < page; ++i) {
            hash = CheckHash(hash, check_buffer[i]);
        }
        done += page;
    }
    CheckLine(name, "stream", size, hash);
}

/* The library's stream: bits least significant first; the width and height less one in 8
 * bits each; the first span's colour; then each span as k zero bits and a one bit, then
 * its length less one in 2k + 1 bits, the colours alternating. The dots run down each
 * column of an 8-row page, column by column, page by page. */
static unsigned long check_bit;

static inline unsigned long CheckBits(const uint8_t* data, unsigned count) {
    unsigned long value = 0;
    unsigned i;
    for (i = 0; i < count; ++i, ++check_bit) {
        if (pgm_read_byte(data + (check_bit >> 3)) >> (check_bit & 7) & 1) {
            value |= 1UL << i;
        }
    }
    return value;
}

static inline void CheckDrawn(unsigned name, const uint8_t* data) {
    unsigned width, height, zeros;
    unsigned long dot = 0, dots, span, x, y;
    unsigned colour;
    check_bit = 0;
    width = (unsigned)CheckBits(data, 8) + 1;
    height = (unsigned)CheckBits(data, 8) + 1;
    colour = (unsigned)CheckBits(data, 1);
    dots = (unsigned long)width * height;
    if (dots / 8 > sizeof check_buffer) {
        return;
    }
    for (x = 0; x < dots / 8; ++x) {
        check_buffer[x] = 0;
    }
    while (dot < dots) {
        for (zeros = 0; CheckBits(data, 1) == 0; ++zeros) {
        }
        span = CheckBits(data, 2 * zeros + 1) + 1;
        for (; span > 0 && dot < dots; --span, ++dot) {
            x = dot / 8 % width;
            y = dot / (8UL * width) * 8 + dot % 8;
            if (colour) {
                check_buffer[y / 8 * width + x] |= (uint8_t)(1U << (y % 8));
            }
        }
        colour ^= 1;
    }
    CheckLine(name, "drawn", dots / 8, CheckBufferHash(dots / 8));
}

static inline void CheckArduboy(unsigned name, const uint8_t* data, size_t size) {
    size_t written = pelmora_unpack_arduboy(data, check_buffer, size);
    CheckLine(name, "whole", written, CheckBufferHash(written));
    CheckDrawn(name, data);
}

/* Frames of at most 128 bytes: each unpacked at its offset, XORed into the one before
 * with delta. */
static inline void CheckFrames(unsigned name, const uint8_t* data, const uint16_t* offsets,
                               unsigned count, size_t size, int delta, int arduboy) {
    static uint8_t shown[128];
    unsigned frame;
    size_t i;
    if (size > sizeof shown) {
        return;
    }
    for (frame = 0; frame < count; ++frame) {
        const uint8_t* at = data + pgm_read_word(offsets + frame);
        if (arduboy) {
            pelmora_unpack_arduboy(at, check_buffer, size);
        } else {
            pelmora_unpack(at, check_buffer, size);
        }
        for (i = 0; i < size; ++i) {
            shown[i] = (uint8_t)(delta && frame > 0 ? shown[i] ^ check_buffer[i] : check_buffer[i]);
            check_buffer[i] = shown[i];
        }
        CheckLine(name, "frame", frame, CheckBufferHash(size));
    }
}

/* The cycles the decoder spends on data, beside a plain copy of as many bytes from flash,
 * counted by Timer1 at a prescaler of 8. */
static inline void CheckCycles(unsigned name, const uint8_t* data, size_t size) {
#if defined(__AVR__)
    uint16_t unpack, copy;
    size_t i;
    TCCR1A = 0;
    TCCR1B = 1 << CS11;
    TCNT1 = 0;
    pelmora_unpack(data, check_buffer, size);
    unpack = TCNT1;
    TCNT1 = 0;
    for (i = 0; i < size; ++i) {
        check_buffer[i] = pgm_read_byte(data + i);
    }
    copy = TCNT1;
    ChipText("#cycles ");
    ChipNumber(name);
    ChipText(" ");
    ChipNumber(8UL * unpack);
    ChipText(" ");
    ChipNumber(8UL * copy);
    ChipPut('\n');
#else
    (void)name;
    (void)data;
    (void)size;
#endif
}

#endif /* UNPACK_CHECK_H */
