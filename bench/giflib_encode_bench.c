/* Times giflib's encoder on the same work as gif_encode_bench: the frames of
 * a GIF file (read beforehand with DGifSlurp, not timed) written again with
 * EGifPutScreenDesc, EGifPutImageDesc and EGifPutLine into memory.
 * Usage: giflib_encode_bench FILE [REPEATS]; prints "best-ms bytes". */
#include <gif_lib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Buffer {
    unsigned char* data;
    size_t size, cap;
};

static int put(GifFileType* gif, const GifByteType* bytes, int n) {
    struct Buffer* b = gif->UserData;
    if (b->size + (size_t)n > b->cap) {
        b->cap = (b->size + (size_t)n) * 2;
        b->data = realloc(b->data, b->cap);
    }
    memcpy(b->data + b->size, bytes, (size_t)n);
    b->size += (size_t)n;
    return n;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: giflib_encode_bench FILE [REPEATS]\n");
        return 2;
    }
    int repeats = argc > 2 ? atoi(argv[2]) : 5;
    int err = 0;
    GifFileType* in = DGifOpenFileName(argv[1], &err);
    if (!in || DGifSlurp(in) != GIF_OK) {
        fprintf(stderr, "giflib: cannot read %s\n", argv[1]);
        return 1;
    }
    double best = 1e300;
    struct Buffer out = {NULL, 0, 0};
    for (int r = 0; r < repeats; ++r) {
        out.size = 0;
        double t0 = now_ms();
        GifFileType* gif = EGifOpen(&out, put, &err);
        if (!gif) return 1;
        EGifSetGifVersion(gif, in->ImageCount > 1);
        if (EGifPutScreenDesc(gif, in->SWidth, in->SHeight, in->SColorResolution, in->SBackGroundColor,
                              in->SColorMap) != GIF_OK)
            return 1;
        for (int i = 0; i < in->ImageCount; ++i) {
            SavedImage* im = &in->SavedImages[i];
            GifImageDesc* d = &im->ImageDesc;
            if (EGifPutImageDesc(gif, d->Left, d->Top, d->Width, d->Height, false, d->ColorMap) != GIF_OK)
                return 1;
            for (int y = 0; y < d->Height; ++y)
                if (EGifPutLine(gif, im->RasterBits + (size_t)y * d->Width, d->Width) != GIF_OK) return 1;
        }
        if (EGifCloseFile(gif, &err) != GIF_OK) return 1;
        double t = now_ms() - t0;
        if (t < best) best = t;
    }
    printf("%.2f %zu\n", best, out.size);
    free(out.data);
    DGifCloseFile(in, &err);
    return 0;
}
