// What each fuzz target makes of its input, in one place: the targets read
// their inputs through these, and the corpus replay opens them the same way.
#ifndef QUENTARPBM_FUZZ_FUZZ_INPUTS_H
#define QUENTARPBM_FUZZ_FUZZ_INPUTS_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <string>

namespace quentarpbm::fuzz {

// The file (or stream) a target reads: a name and bytes inside the input.
struct InputFile {
  std::string name;
  const uint8_t* bytes;
  size_t size;
};

// identify: the first byte is the name's length (up to 31, and no more than
// follows), the next bytes its characters after "id-" (letters, digits and
// '.' as they are, every other byte one of them), the rest the file. False
// for an empty input, which names nothing.
bool IdentifyInput(const uint8_t* data, size_t size, InputFile* file);

// netpbm_reader: an option byte, then the stream. Option bits 0-1 pick the
// reader (0 and 3 PBM, 1 PGM, 2 PPM), bit 2 reads the header alone, bits
// 3-4 how many levels below the processor's the scanners run. False for an
// empty input.
struct ReaderOptions {
  int reader;
  bool headerOnly;
  int levelsBelow;
};
bool NetpbmReaderInput(const uint8_t* data, size_t size, ReaderOptions* options, InputFile* file);

// wic_decode: five option bytes, then the data. Byte 0: bits 0-1 how many
// levels below the processor's the scanners run, bits 2-7 how many bytes the
// reader gives per call (0: all it is asked for). Byte 1: bits 0-1 which
// image of the data, bits 2-4 the transform's WIC options (of
// kWicFuzzOptions), bits 5-7 the band height (of kWicFuzzBands). Bytes 2 and
// 3: the rectangle's left and width, top and height, in sixteenths (high,
// then low nibble) of the image's width or height; byte 4 the scaled width
// and height, as sixteenths taken off (0: none). False for an input shorter
// than the options.
struct WicDecodeOptions {
  int levelsBelow;
  size_t bytesPerCall;
  uint32_t image;
  uint32_t transformOptions;
  int32_t bandRows;
  uint8_t columns;
  uint8_t rows;
  uint8_t scale;
};
inline constexpr uint32_t kWicFuzzOptions[] = {0, 1, 2, 3, 8, 16, 24, 1 | 8};
inline constexpr int32_t kWicFuzzBands[] = {1, 2, 3, 5, 8, 13, 64, 300};
bool WicDecodeInput(const uint8_t* data, size_t size, WicDecodeOptions* options, InputFile* file);

// pbm_open: the whole input is the file, named as a host might name it.
InputFile PbmOpenInput(const uint8_t* data, size_t size);

// True when the stream starts with a Netpbm header whose image would be
// larger than the targets let the library work on (rows or columns times
// each other beyond kMaxPixels). The library itself has no such limit: sizes
// it can hold are converted, however long that takes, so the harness keeps
// them small. Reads from the stream's position on.
constexpr int64_t kMaxPixels = int64_t{1} << 20;
bool DeclaresTooManyPixels(FILE* stream);
// The same for the WIC codec, which takes maxvals up to 65535: the magic and
// the size alone decide.
bool DeclaresTooManyWicPixels(FILE* stream);

}  // namespace quentarpbm::fuzz

#endif  // QUENTARPBM_FUZZ_FUZZ_INPUTS_H
