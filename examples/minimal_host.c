/* minimal_host: opens one Netpbm image with PBMOpen, prints its size and the
   colour of its top-left pixel, and releases everything the library handed over. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <quentarpbm.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <quentarpbm_posix.h>
#endif

static void PBM_CALL ShowProgress(int32_t row, int32_t rows, uint32_t userValue) {
  (void)userValue;
  if (row + 1 == rows) fprintf(stderr, "read %d rows\n", (int)rows);
}

int main(int argc, char** argv) {
  char pixelFile[MAX_PATH];
  void* mapping = NULL;
  void* header = NULL;
  if (argc != 2) {
    fprintf(stderr, "usage: minimal_host IMAGE.pbm|.pgm|.ppm\n");
    return 2;
  }
  int32_t code = PBMOpen(argv[1], pixelFile, &mapping, &header, ShowProgress, 0);
  if (code != PBM_OK) {
    fprintf(stderr, "%s: PBMOpen failed with result code %d\n", argv[1], (int)code);
    return 1;
  }

  /* The header block: a BITMAPINFOHEADER, then the colour table (if any). */
  const BITMAPINFOHEADER* info = (const BITMAPINFOHEADER*)GlobalLock(header);
  /* The pixel rows, bottom-up and padded to 4 bytes: the top row comes last. */
  const uint8_t* pixels = (const uint8_t*)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  int status = 1;
  if (info != NULL && pixels != NULL) {
    const size_t stride = ((size_t)info->biWidth * info->biBitCount + 31) / 32 * 4;
    const uint8_t* top = pixels + stride * (size_t)(info->biHeight - 1);
    uint8_t red = top[2], green = top[1], blue = top[0]; /* 24-bit: blue, green, red */
    if (info->biBitCount == 8) {
      const RGBQUAD* colours = (const RGBQUAD*)(info + 1);
      red = colours[top[0]].rgbRed;
      green = colours[top[0]].rgbGreen;
      blue = colours[top[0]].rgbBlue;
    }
    printf("%s: %d x %d, %d bits per pixel, top-left pixel #%02x%02x%02x\n", argv[1],
           (int)info->biWidth, (int)info->biHeight, (int)info->biBitCount, red, green, blue);
    status = 0;
  }

  /* Release in this order: the view, the mapping, the header block, then the
     pixel file (it cannot be deleted while the mapping is open). */
  if (pixels != NULL) UnmapViewOfFile(pixels);
  if (info != NULL) GlobalUnlock(header);
  CloseHandle(mapping);
  GlobalFree(header);
  DeleteFileA(pixelFile);
  return status;
}
