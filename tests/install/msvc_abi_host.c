/* A host built for the MSVC ABI without a C runtime or Windows SDK: links QUENTARPBM.lib. */
#include <quentarpbm.h>

/* The few KERNEL32 calls and records the host needs, declared as the SDK does. */
#define KERNEL32 __declspec(dllimport)
#define HOST_API __stdcall
typedef struct {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
} BitmapInfoHeader;
typedef struct {
  uint8_t blue, green, red, reserved;
} RgbQuad;
#define STD_OUTPUT_HANDLE ((uint32_t)-11)
#define FILE_MAP_READ 4u

KERNEL32 char* HOST_API GetCommandLineA(void);
KERNEL32 void* HOST_API GetStdHandle(uint32_t which);
KERNEL32 int HOST_API WriteFile(void* file, const void* bytes, uint32_t size, uint32_t* written,
                                void* overlapped);
KERNEL32 __declspec(noreturn) void HOST_API ExitProcess(uint32_t code);
KERNEL32 void* HOST_API GlobalLock(void* memory);
KERNEL32 int HOST_API GlobalUnlock(void* memory);
KERNEL32 void* HOST_API GlobalFree(void* memory);
KERNEL32 void* HOST_API MapViewOfFile(void* mapping, uint32_t access, uint32_t offsetHigh,
                                      uint32_t offsetLow, size_t size);
KERNEL32 int HOST_API UnmapViewOfFile(const void* view);
KERNEL32 int HOST_API CloseHandle(void* handle);
KERNEL32 int HOST_API DeleteFileA(const char* name);

/* A line of text built without the C runtime's formatting. */
typedef struct {
  char text[512];
  uint32_t length;
} Line;

static void AppendText(Line* line, const char* text) {
  while (*text != '\0' && line->length < sizeof line->text) line->text[line->length++] = *text++;
}

static void AppendDecimal(Line* line, uint32_t value) {
  char digits[10];
  int count = 0;
  do {
    digits[count++] = (char)('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0 && line->length < sizeof line->text)
    line->text[line->length++] = digits[--count];
}

static void AppendHexByte(Line* line, uint8_t value) {
  static const char hex[] = "0123456789abcdef";
  char pair[3] = {hex[value >> 4], hex[value & 15], '\0'};
  AppendText(line, pair);
}

/* The first argument of the command line (the program name is skipped). */
static const char* ImageArgument(const char* command) {
  if (*command == '"') {
    ++command;
    while (*command != '\0' && *command != '"') ++command;
    if (*command == '"') ++command;
  } else {
    while (*command != '\0' && *command != ' ' && *command != '\t') ++command;
  }
  while (*command == ' ' || *command == '\t') ++command;
  return command;
}

/* Converts the image named on the command line and prints what minimal_host
   prints: size, bit count and top-left colour. Exit code 0 on success. */
__declspec(noreturn) void HostMain(void) {
  const char* image = ImageArgument(GetCommandLineA());
  char pixelFile[260];
  void* mapping = 0;
  void* header = 0;
  Line line;
  uint32_t status = 1;
  line.length = 0;
  int32_t code = PBMOpen(image, pixelFile, &mapping, &header, 0, 0);
  if (code != PBM_OK) {
    AppendText(&line, image);
    AppendText(&line, ": PBMOpen failed\n");
  } else {
    const BitmapInfoHeader* info = (const BitmapInfoHeader*)GlobalLock(header);
    const RgbQuad* colours = (const RgbQuad*)(info + 1);
    const uint8_t* pixels = (const uint8_t*)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (info != 0 && pixels != 0) {
      const uint32_t stride = ((uint32_t)info->biWidth * info->biBitCount + 31) / 32 * 4;
      const uint8_t* top = pixels + stride * (uint32_t)(info->biHeight - 1);
      RgbQuad colour = {top[0], top[1], top[2], 0};
      if (info->biBitCount == 8) colour = colours[top[0]];
      AppendText(&line, image);
      AppendText(&line, ": ");
      AppendDecimal(&line, (uint32_t)info->biWidth);
      AppendText(&line, " x ");
      AppendDecimal(&line, (uint32_t)info->biHeight);
      AppendText(&line, ", ");
      AppendDecimal(&line, info->biBitCount);
      AppendText(&line, " bits per pixel, top-left pixel #");
      AppendHexByte(&line, colour.red);
      AppendHexByte(&line, colour.green);
      AppendHexByte(&line, colour.blue);
      AppendText(&line, "\n");
      status = 0;
    }
    if (pixels != 0) UnmapViewOfFile(pixels);
    if (info != 0) GlobalUnlock(header);
    CloseHandle(mapping);
    GlobalFree(header);
    DeleteFileA(pixelFile);
  }
  uint32_t written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.text, line.length, &written, 0);
  ExitProcess(status);
}
