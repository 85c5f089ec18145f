/* What the test programs print through: the UART of an ATmega328P in simavr, which shows
 * each line it is sent, or standard output on the host. Every line starts with '@' so the
 * simulator's own messages are told apart. Flash is read through pgm_read_byte, as a
 * firmware reads it; on the host that is a plain read. */
#ifndef CHIP_IO_H
#define CHIP_IO_H

#include <stddef.h>
#include <stdint.h>

#if defined(__AVR__)
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/pgmspace.h>
#include <avr/sleep.h>
#define ChipReadPointer(address) ((const void*)pgm_read_word(address))
#else
#include <stdio.h>
#define pgm_read_byte(address) (*(const uint8_t*)(address))
#define pgm_read_word(address) (*(const uint16_t*)(address))
#define ChipReadPointer(address) (*(const void* const*)(address))
#endif

static inline void ChipPut(char c) {
#if defined(__AVR__)
    while (!(UCSR0A & (1 << UDRE0))) {
    }
    UDR0 = (uint8_t)c;
#else
    putchar(c);
#endif
}

static inline void ChipStart(void) {
#if defined(__AVR__)
    /* 2 Mbaud at 16 MHz: the fastest the simulated UART sends. */
    UCSR0A = 1 << U2X0;
    UBRR0 = 0;
    UCSR0B = 1 << TXEN0;
#endif
}

/* Sleeping with interrupts off is how a program ends the simulation. */
static inline void ChipStop(void) {
    const char* end = "@end\n";
    while (*end) {
        ChipPut(*end++);
    }
#if defined(__AVR__)
    while (!(UCSR0A & (1 << UDRE0))) {
    }
    cli();
    sleep_enable();
    sleep_cpu();
#endif
}

static inline void ChipText(const char* text) {
    while (*text) {
        ChipPut(*text++);
    }
}

static inline void ChipHex(uint8_t value) {
    static const char digits[] = "0123456789abcdef";
    ChipPut(digits[value >> 4]);
    ChipPut(digits[value & 15]);
}

static inline void ChipNumber(unsigned long value) {
    char digits[12];
    int count = 0;
    do {
        digits[count++] = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) {
        ChipPut(digits[--count]);
    }
}

/* A label line, then the bytes in program memory, 32 to a line. */
static inline void ChipFlash(const char* label, const void* data, size_t count) {
    const uint8_t* bytes = (const uint8_t*)data;
    size_t i;
    ChipText("@");
    ChipText(label);
    ChipText(" ");
    ChipNumber(count);
    for (i = 0; i < count; ++i) {
        if (i % 32 == 0) {
            ChipText("\n@");
        }
        ChipHex(pgm_read_byte(bytes + i));
    }
    ChipPut('\n');
}

/* 16-bit numbers read as any RAM is (the delays of frames stay in RAM on purpose). */
static inline void ChipWords(const char* label, const uint16_t* words, size_t count) {
    size_t i;
    ChipText("@");
    ChipText(label);
    for (i = 0; i < count; ++i) {
        ChipPut(' ');
        ChipNumber(words[i]);
    }
    ChipPut('\n');
}

/* A little-endian number of size bytes in program memory (AVR and the host agree). */
static inline unsigned long ChipFlashNumber(const void* at, size_t size) {
    unsigned long value = 0;
    while (size-- > 0) {
        value = value << 8 | pgm_read_byte((const uint8_t*)at + size);
    }
    return value;
}

/* A string in program memory. */
static inline void ChipFlashText(const char* text) {
    char c;
    while ((c = (char)pgm_read_byte(text++)) != 0) {
        ChipPut(c);
    }
}

/* An array the program knows, to say where a pointer leads. */
typedef struct {
    const char* label;
    const void* start;
    size_t size;
} ChipPlace;

/* The array and offset a pointer leads into ("0" for none): addresses differ between the
 * chip and the host, places do not. */
static inline void ChipLocate(const void* pointer, const ChipPlace* places, size_t count) {
    const uint8_t* at = (const uint8_t*)pointer;
    size_t i;
    if (pointer == 0) {
        ChipPut('0');
        return;
    }
    for (i = 0; i < count; ++i) {
        const uint8_t* start = (const uint8_t*)places[i].start;
        if (at >= start && at < start + places[i].size) {
            ChipText(places[i].label);
            ChipPut('+');
            ChipNumber((unsigned long)(at - start));
            return;
        }
    }
    ChipText("elsewhere");
}

#endif /* CHIP_IO_H */
