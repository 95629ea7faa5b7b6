/* QUENTARPBM: opens Netpbm images (PBM, PGM, PPM; P1 to P6) as a Windows DIB. */
#ifndef QUENTARPBM_H
#define QUENTARPBM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The library's calling convention: on Windows the standard one (the callee
   removes its arguments), the same for PBMOpen and for the progress callback. */
#if defined(_WIN32) && !defined(_WIN64)
#define PBM_CALL __stdcall
#else
#define PBM_CALL
#endif

/* Result codes. 0 is success; every failure is one fixed negative number. */
#define PBM_OK 0               /* success */
#define PBM_E_NO_MEMORY (-1)   /* a memory allocation failed */
#define PBM_E_LOCK (-2)        /* the DIB header block could not be locked */
#define PBM_E_OPEN (-3)        /* the image file or the pixel file could not be opened */
#define PBM_E_ARGUMENT (-6)    /* a required pointer is null, or a bit count is unsupported */
#define PBM_E_PALETTE (-8)     /* the grey palette could not be created or read back */
#define PBM_E_UNSUPPORTED (-9) /* not a PBM, PGM or PPM file */
#define PBM_E_MAXVAL (-10)     /* the header's maximum sample value is above 255 */
#define PBM_E_READ (-42)       /* the file ends early or a header token is malformed */
#define PBM_E_MAPPING (-46)    /* the file mapping over the pixel file failed */
#define PBM_E_VIEW (-47)       /* a view of the pixel file could not be mapped */
#define PBM_E_TEMP_PATH (-48)  /* the temporary directory could not be obtained */
#define PBM_E_TEMP_NAME (-49)  /* no temporary file name could be made */

/* Called once per image row, after the row has been read and before any
   output exists: row counts from 0, rows is the image height, userValue is
   PBMOpen's last argument. It cannot cancel the conversion. */
typedef void(PBM_CALL* PBMProgressCallback)(int32_t row, int32_t rows, uint32_t userValue);

/* Opens the Netpbm image at fileName and hands it back as a bottom-up DIB in
   three pieces, all owned by the caller on success:
     fileName       in   path of the image, NUL-terminated, ANSI code page.
     pixelFileName  out  buffer of at least 260 chars; receives the path of the
                         temporary file ("tp..." in the temporary directory)
                         that holds the DIB's pixel rows, padded to 4 bytes.
     pixelMapping   out  receives a file-mapping handle over that file; the
                         caller closes it (CloseHandle) and deletes the file.
     dibHeader      out  receives a moveable global memory block (unlocked)
                         holding a BITMAPINFOHEADER and its colour table; the
                         caller frees it (GlobalFree).
     progress       in   PBMProgressCallback, or null.
     userValue      in   passed unchanged to every progress call.
   PBM images come back as 8-bit DIBs (index 0 white, 1 black), PGM images as
   8-bit DIBs with a 256-step grey table, PPM images as 24-bit DIBs.
   Failures: a null dibHeader, pixelFileName or pixelMapping returns
   PBM_E_ARGUMENT and touches nothing. Every other failure leaves *dibHeader
   null. Failures before conversion starts (null fileName, missing file, not
   a Netpbm file) leave *pixelMapping and pixelFileName as they were; a failed
   conversion leaves *pixelMapping null and no pixel file on disk. */
int32_t PBM_CALL PBMOpen(const char* fileName, char* pixelFileName, void** pixelMapping,
                         void** dibHeader, PBMProgressCallback progress, uint32_t userValue);

#ifdef __cplusplus
}
#endif

#endif /* QUENTARPBM_H */
