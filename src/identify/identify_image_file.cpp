// IdentifyImageFile: the ordered signature tests over a file's first 24 bytes.
#include <string.h>

#include "identify/identify.h"
#include "platform/win32_api.h"

namespace quentarpbm {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7u;

// ASCII-only folding of A-Z: the comparison must not depend on the locale.
uint8_t FoldAsciiCase(uint8_t byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<uint8_t>(byte + ('a' - 'A')) : byte;
}

// True when the signature's bytes at offset match text, ignoring ASCII case.
bool StartsWithFolded(const uint8_t* signature, size_t offset, const char* text) {
  for (size_t i = 0; text[i] != '\0'; ++i) {
    if (FoldAsciiCase(signature[offset + i]) != FoldAsciiCase(static_cast<uint8_t>(text[i]))) {
      return false;
    }
  }
  return true;
}

// Extensions count anywhere in the path, in exactly these two spellings.
bool NameHas(const char* fileName, const char* upper, const char* lower) {
  return strstr(fileName, upper) != nullptr || strstr(fileName, lower) != nullptr;
}

uint16_t Word(const uint8_t* signature, size_t index) {
  return static_cast<uint16_t>(signature[2 * index] | (signature[2 * index + 1] << 8));
}

uint32_t FirstDword(const uint8_t* signature) {
  return static_cast<uint32_t>(Word(signature, 0)) |
         (static_cast<uint32_t>(Word(signature, 1)) << 16);
}

// A path of any length is read: the signature is fetched with CreateFileA
// rather than OpenFile, whose record truncates paths at 128 characters.
// Writers are kept out while the bytes are read.
bool ReadSignature(const char* fileName, uint8_t* signature) {
  HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  // A device, pipe or FIFO may never answer a read, and the progress callback
  // cannot cancel: only disk files are read.
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return false;
  }
  // A short or failed read is no failure: the bytes not read stay zero.
  DWORD bytesRead = 0;
  ReadFile(file, signature, static_cast<DWORD>(kSignatureBytes), &bytesRead, nullptr);
  CloseHandle(file);
  return true;
}

}  // namespace

// The tests in their fixed order; at most one of them can decide, since each
// needs a different leading byte or byte pair. kFormatUnknown when none does.
int32_t ClassifySignature(const uint8_t* b, const char* name) {
  if (StartsWithFolded(b, 0, "CGCIMAPP")) return kFormatCgcImapp;
  // A "GIF" start with another version falls through to the later tests.
  if (StartsWithFolded(b, 0, "GIF") &&
      (StartsWithFolded(b, 3, "87a") || StartsWithFolded(b, 3, "89a"))) {
    return kFormatGif;
  }
  if (StartsWithFolded(b, 0, "P1") || StartsWithFolded(b, 0, "P4")) return kFormatPbm;
  if (StartsWithFolded(b, 0, "P2") || StartsWithFolded(b, 0, "P5")) return kFormatPgm;
  if (StartsWithFolded(b, 0, "P3") || StartsWithFolded(b, 0, "P6")) return kFormatPpm;
  if (StartsWithFolded(b, 0, "FIF")) return kFormatFif;
  if (FirstDword(b) == kPlaceableKey && PlaceableHeaderChecksumOk(b) != 0) {
    return NameHas(name, ".WMF", ".wmf") ? kFormatPlaceableMetafileNamed : kFormatPlaceableMetafile;
  }
  if (b[0] == 0x50 && b[1] == 0xC3) {
    return NameHas(name, ".CLP", ".clp") ? kFormatClipboardNamed : kFormatClipboard;
  }
  if (b[0] == 0x42 && b[1] == 0x4D) {
    const bool named = NameHas(name, ".BMP", ".bmp") || NameHas(name, ".DIB", ".dib") ||
                       NameHas(name, ".RLE", ".rle");
    return named ? kFormatBitmapNamed : kFormatBitmap;
  }
  if (b[0] == 0x0A) return NameHas(name, ".PCX", ".pcx") ? kFormatPcxNamed : kFormatPcx;
  if (Word(b, 0) == 0x4949 || Word(b, 0) == 0x4D4D) {
    return NameHas(name, ".TIF", ".tif") ? kFormatTiffNamed : kFormatTiff;
  }
  // A metafile without placeable header is only believed when its name says so.
  if (NameHas(name, ".WMF", ".wmf") && (Word(b, 0) == 1 || Word(b, 0) == 2) && Word(b, 1) == 9) {
    return kFormatMetafileNamed;
  }
  if (Word(b, 0) == 0 && Word(b, 1) == 1) {
    return NameHas(name, ".ICO", ".ico") ? kFormatIconNamed : kFormatIcon;
  }
  if (Word(b, 0) == 0 && Word(b, 1) == 2) {
    return NameHas(name, ".CUR", ".cur") ? kFormatCursorNamed : kFormatCursor;
  }
  if (b[0] == 0xFF && b[1] == 0xD8) return kFormatJpeg;
  return kFormatUnknown;
}

ResultCode IdentifyImageFile(const char* fileName, int32_t* formatCode) {
  uint8_t signature[kSignatureBytes] = {};
  if (fileName == nullptr) return PBM_E_ARGUMENT;
  if (formatCode == nullptr) return PBM_E_ARGUMENT;
  *formatCode = kFormatUnknown;
  if (!ReadSignature(fileName, signature)) return PBM_E_OPEN;
  *formatCode = ClassifySignature(signature, fileName);
  return *formatCode == kFormatUnknown ? PBM_E_UNSUPPORTED : PBM_OK;
}

}  // namespace quentarpbm
