/* Times giflib on the same work: DGifSlurp, then every frame mapped through
 * its colour map into RGB. Usage: giflib_decode_bench FILE [REPEATS];
 * prints the best time in ms. */
#include <gif_lib.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: giflib_decode_bench FILE [REPEATS]\n");
        return 2;
    }
    int repeats = argc > 2 ? atoi(argv[2]) : 5;
    double best = 1e300;
    unsigned long checksum = 0;
    unsigned char* rgb = NULL;
    size_t cap = 0;
    for (int r = 0; r < repeats; ++r) {
        double t0 = now_ms();
        int err = 0;
        GifFileType* gif = DGifOpenFileName(argv[1], &err);
        if (!gif || DGifSlurp(gif) != GIF_OK) {
            fprintf(stderr, "giflib: cannot read %s\n", argv[1]);
            return 1;
        }
        for (int i = 0; i < gif->ImageCount; ++i) {
            SavedImage* im = &gif->SavedImages[i];
            ColorMapObject* map = im->ImageDesc.ColorMap ? im->ImageDesc.ColorMap : gif->SColorMap;
            size_t n = (size_t)im->ImageDesc.Width * im->ImageDesc.Height;
            if (n * 3 > cap) {
                cap = n * 3;
                rgb = realloc(rgb, cap);
            }
            for (size_t k = 0; k < n; ++k) {
                GifColorType c = map->Colors[im->RasterBits[k]];
                rgb[3 * k] = c.Red;
                rgb[3 * k + 1] = c.Green;
                rgb[3 * k + 2] = c.Blue;
            }
            checksum += rgb[n * 3 / 2];
        }
        DGifCloseFile(gif, &err);
        double ms = now_ms() - t0;
        if (ms < best) best = ms;
    }
    printf("%.2f\n", best);
    fprintf(stderr, "checksum %lu\n", checksum);
    free(rgb);
    return 0;
}
