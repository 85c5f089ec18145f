/* A host program that shows what the firmware would draw: every asset of pelmora.toml as
 * rows of dots, '#' on and '.' off, as pelmora-cli show prints a panel. With a NAME it
 * prints that asset's dots alone. */
#include "assets.h"

#include <stdio.h>
#include <string.h>

/* The manifest lays each asset out in pages of eight rows, the top dot in bit 0. */
static int DotOn(const pelmora_asset *asset, int x, int y) {
    return asset->data[(y / 8) * asset->width + x] >> (y % 8) & 1;
}

static void PrintDots(const pelmora_asset *asset) {
    int x, y;
    for (y = 0; y < asset->height; ++y) {
        for (x = 0; x < asset->width; ++x) {
            putchar(DotOn(asset, x, y) ? '#' : '.');
        }
        putchar('\n');
    }
}

int main(int argc, char **argv) {
    int i;
    for (i = 0; i < PELMORA_ASSET_COUNT; ++i) {
        const pelmora_asset *asset = &pelmora_assets[i];
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
