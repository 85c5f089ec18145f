/* A host program that shows what the firmware would draw: every asset of pelmora.toml as
 * rows of dots, '#' on and '.' off, as pelmora-cli show prints a panel. With a NAME it
 * prints that asset's dots alone. */
#include "assets.h"

#include <stdio.h>
#include <string.h>

/* The manifest lays each asset out in pages of eight rows, the top dot in bit 0. */
static void PrintFrame(const pelmora_asset* asset, const uint8_t* data) {
    int x, y;
    for (y = 0; y < asset->height; ++y) {
        for (x = 0; x < asset->width; ++x) {
            putchar(data[(y / 8) * asset->width + x] >> (y % 8) & 1 ? '#' : '.');
        }
        putchar('\n');
    }
}

/* An animation frame by frame with its delay, as pelmora-cli show prints one. */
static void PrintDots(const pelmora_asset* asset) {
    const unsigned frameBytes = asset->width * ((asset->height + 7u) / 8u);
    unsigned i;
    if (asset->delays_ms == 0) {
        PrintFrame(asset, asset->data);
        return;
    }
    for (i = 0; i < asset->frames; ++i) {
        printf("frame %u: %u ms\n", i, (unsigned)asset->delays_ms[i]);
        PrintFrame(asset, asset->data + i * frameBytes);
    }
}

int main(int argc, char** argv) {
    int i;
    for (i = 0; i < PELMORA_ASSET_COUNT; ++i) {
        const pelmora_asset* asset = &pelmora_assets[i];
        if (argc < 2) {
            printf("%s: %u x %u\n", asset->name, (unsigned)asset->width, (unsigned)asset->height);
            PrintDots(asset);
            putchar('\n');
        } else if (strcmp(argv[1], asset->name) == 0) {
            PrintDots(asset);
            return 0;
        }
    }
    if (argc >= 2) {
        fprintf(stderr, "no asset is named %s\n", argv[1]);
        return 1;
    }
    return 0;
}
