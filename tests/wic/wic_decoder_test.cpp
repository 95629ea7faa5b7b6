// The decoder's and the frame's answers: states, what Netpbm lacks, bad data, null pointers,
// every image of a file, reads of the header alone, and the host's progress callback.
#include <windows.h>

#include <gtest/gtest.h>
#include <wincodec.h>

#include <string>
#include <vector>

#include "support/param_label.h"
#include "support/wic_codec.h"
#include "wic/com/wic_com.h"

namespace quentarpbm {
namespace {

using testing::ComRef;

const char kGrey[] = "P5 2 1 255\n\x10\x20";
// Three images: raw grey, plain grey, raw bits (black, then white padding).
const char kThree[] = "P5 1 1 255\nA P2 1 1 255 66\nP4 1 1\n\x80";

// A call on a decoder; image, when not null, was given to Initialize first.
struct DecoderCase {
  const char* label;
  const char* image;
  HRESULT initialized;  // what Initialize gave
  HRESULT (*call)(IWICBitmapDecoder* decoder, IWICImagingFactory* factory);
  HRESULT result;
};

class WicDecoderCalls : public ::testing::TestWithParam<DecoderCase> {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

TEST_P(WicDecoderCalls, AnswerAsWicDocuments) {
  const DecoderCase& c = GetParam();
  ComRef<IWICImagingFactory> factory;
  ASSERT_EQ(testing::CreateStockFactory(factory.put()), S_OK);
  ComRef<IWICBitmapDecoder> decoder;
  ASSERT_EQ(CoCreateInstance(kPbmDecoderClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IWICBitmapDecoder,
                             reinterpret_cast<void**>(decoder.put())),
            S_OK);
  if (c.image != nullptr) {
    ComRef<IStream> stream;
    ASSERT_EQ(testing::MemoryStream(c.image, stream.put()), S_OK);
    ASSERT_EQ(decoder->Initialize(stream.p, WICDecodeMetadataCacheOnLoad), c.initialized);
  }
  EXPECT_EQ(c.call(decoder.p, factory.p), c.result);
}

HRESULT FrameCountIsOne(IWICBitmapDecoder* d, IWICImagingFactory*) {
  UINT count = 0;
  const HRESULT result = d->GetFrameCount(&count);
  return SUCCEEDED(result) && count != 1 ? E_UNEXPECTED : result;
}
HRESULT FrameCountIsThree(IWICBitmapDecoder* d, IWICImagingFactory*) {
  UINT count = 0;
  const HRESULT result = d->GetFrameCount(&count);
  return SUCCEEDED(result) && count != 3 ? E_UNEXPECTED : result;
}
// Each frame's one byte, as the file holds it.
HRESULT FramesAreTheImages(IWICBitmapDecoder* d, IWICImagingFactory*) {
  const BYTE kFirstBytes[] = {'A', 66, 0x7F};
  for (UINT i = 3; i-- > 0;) {
    ComRef<IWICBitmapFrameDecode> frame;
    HRESULT result = d->GetFrame(i, frame.put());
    BYTE byte = 0;
    if (SUCCEEDED(result)) result = frame->CopyPixels(nullptr, 1, 1, &byte);
    if (FAILED(result)) return result;
    if (byte != kFirstBytes[i]) return E_UNEXPECTED;
  }
  return S_OK;
}
HRESULT GetFrame3(IWICBitmapDecoder* d, IWICImagingFactory*) {
  ComRef<IWICBitmapFrameDecode> frame;
  return d->GetFrame(3, frame.put());
}
HRESULT GetFrame0(IWICBitmapDecoder* d, IWICImagingFactory*) {
  ComRef<IWICBitmapFrameDecode> frame;
  return d->GetFrame(0, frame.put());
}
HRESULT GetFrame1(IWICBitmapDecoder* d, IWICImagingFactory*) {
  ComRef<IWICBitmapFrameDecode> frame;
  const HRESULT result = d->GetFrame(1, frame.put());
  return frame.p != nullptr ? E_UNEXPECTED : result;
}
HRESULT CopyPalette(IWICBitmapDecoder* d, IWICImagingFactory* f) {
  ComRef<IWICPalette> palette;
  f->CreatePalette(palette.put());
  return d->CopyPalette(palette.p);
}
HRESULT MetadataReader(IWICBitmapDecoder* d, IWICImagingFactory*) {
  ComRef<IWICMetadataQueryReader> reader;
  return d->GetMetadataQueryReader(reader.put());
}
HRESULT Preview(IWICBitmapDecoder* d, IWICImagingFactory*) {
  ComRef<IWICBitmapSource> preview;
  return d->GetPreview(preview.put());
}
HRESULT Thumbnail(IWICBitmapDecoder* d, IWICImagingFactory*) {
  ComRef<IWICBitmapSource> thumbnail;
  return d->GetThumbnail(thumbnail.put());
}
HRESULT NoColorContexts(IWICBitmapDecoder* d, IWICImagingFactory*) {
  UINT count = 7;
  const HRESULT result = d->GetColorContexts(0, nullptr, &count);
  return SUCCEEDED(result) && count != 0 ? E_UNEXPECTED : result;
}
HRESULT InitializeAgain(IWICBitmapDecoder* d, IWICImagingFactory*) {
  ComRef<IStream> stream;
  testing::MemoryStream("P1 1 1 0", stream.put());
  return d->Initialize(stream.p, WICDecodeMetadataCacheOnLoad);
}
HRESULT ContainerIsNetpbm(IWICBitmapDecoder* d, IWICImagingFactory*) {
  GUID format = {};
  const HRESULT result = d->GetContainerFormat(&format);
  return SUCCEEDED(result) && !IsEqualGUID(format, kNetpbmContainerFormat) ? E_UNEXPECTED : result;
}
HRESULT DecoderInfoIsOurs(IWICBitmapDecoder* d, IWICImagingFactory*) {
  ComRef<IWICBitmapDecoderInfo> info;
  HRESULT result = d->GetDecoderInfo(info.put());
  CLSID clsid = {};
  if (SUCCEEDED(result)) result = info->GetCLSID(&clsid);
  return SUCCEEDED(result) && !IsEqualCLSID(clsid, kPbmDecoderClsid) ? E_UNEXPECTED : result;
}
// The frame's own answers.
HRESULT FrameAnswers(IWICBitmapDecoder* d, IWICImagingFactory* f) {
  ComRef<IWICBitmapFrameDecode> frame;
  HRESULT result = d->GetFrame(0, frame.put());
  if (FAILED(result)) return result;
  double x = 0;
  double y = 0;
  UINT width = 0;
  UINT height = 0;
  GUID format = {};
  UINT contexts = 7;
  ComRef<IWICPalette> palette;
  ComRef<IWICMetadataQueryReader> reader;
  ComRef<IWICBitmapSource> thumbnail;
  f->CreatePalette(palette.put());
  const bool right =
      frame->GetResolution(&x, &y) == S_OK && x == 96.0 && y == 96.0 &&
      frame->GetSize(&width, &height) == S_OK && width == 2 && height == 1 &&
      frame->GetPixelFormat(&format) == S_OK && IsEqualGUID(format, GUID_WICPixelFormat8bppGray) &&
      frame->CopyPalette(palette.p) == WINCODEC_ERR_PALETTEUNAVAILABLE &&
      frame->GetMetadataQueryReader(reader.put()) == WINCODEC_ERR_UNSUPPORTEDOPERATION &&
      frame->GetThumbnail(thumbnail.put()) == WINCODEC_ERR_CODECNOTHUMBNAIL &&
      frame->GetColorContexts(0, nullptr, &contexts) == S_OK && contexts == 0 &&
      frame->GetSize(nullptr, &height) == E_INVALIDARG &&
      frame->GetPixelFormat(nullptr) == E_INVALIDARG &&
      frame->GetResolution(&x, nullptr) == E_INVALIDARG;
  return right ? S_OK : E_UNEXPECTED;
}
HRESULT NullFrameCount(IWICBitmapDecoder* d, IWICImagingFactory*) {
  return d->GetFrameCount(nullptr);
}
HRESULT NullFrame(IWICBitmapDecoder* d, IWICImagingFactory*) { return d->GetFrame(0, nullptr); }
HRESULT NullStream(IWICBitmapDecoder* d, IWICImagingFactory*) {
  return d->Initialize(nullptr, WICDecodeMetadataCacheOnLoad);
}
HRESULT NullContainer(IWICBitmapDecoder* d, IWICImagingFactory*) {
  return d->GetContainerFormat(nullptr);
}
HRESULT Nothing(IWICBitmapDecoder*, IWICImagingFactory*) { return S_OK; }

const DecoderCase kCases[] = {
    {"FrameCountBeforeInitialize", nullptr, S_OK, FrameCountIsOne, WINCODEC_ERR_NOTINITIALIZED},
    {"FrameBeforeInitialize", nullptr, S_OK, GetFrame0, WINCODEC_ERR_NOTINITIALIZED},
    {"PaletteBeforeInitialize", nullptr, S_OK, CopyPalette, WINCODEC_ERR_NOTINITIALIZED},
    {"MetadataBeforeInitialize", nullptr, S_OK, MetadataReader, WINCODEC_ERR_NOTINITIALIZED},
    {"ColorContextsBeforeInitialize", nullptr, S_OK, NoColorContexts, WINCODEC_ERR_NOTINITIALIZED},
    {"ContainerBeforeInitialize", nullptr, S_OK, ContainerIsNetpbm, S_OK},
    {"DecoderInfoBeforeInitialize", nullptr, S_OK, DecoderInfoIsOurs, S_OK},
    {"FrameCount", kGrey, S_OK, FrameCountIsOne, S_OK},
    {"FirstFrame", kGrey, S_OK, GetFrame0, S_OK},
    {"SecondFrameMissing", kGrey, S_OK, GetFrame1, WINCODEC_ERR_FRAMEMISSING},
    {"SecondInitialize", kGrey, S_OK, InitializeAgain, WINCODEC_ERR_WRONGSTATE},
    {"NoPalette", kGrey, S_OK, CopyPalette, WINCODEC_ERR_PALETTEUNAVAILABLE},
    {"NoMetadata", kGrey, S_OK, MetadataReader, WINCODEC_ERR_UNSUPPORTEDOPERATION},
    {"NoPreview", kGrey, S_OK, Preview, WINCODEC_ERR_UNSUPPORTEDOPERATION},
    {"NoThumbnail", kGrey, S_OK, Thumbnail, WINCODEC_ERR_CODECNOTHUMBNAIL},
    {"NoColorContexts", kGrey, S_OK, NoColorContexts, S_OK},
    {"FrameAnswers", kGrey, S_OK, FrameAnswers, S_OK},
    {"NullFrameCount", kGrey, S_OK, NullFrameCount, E_INVALIDARG},
    {"NullFrame", kGrey, S_OK, NullFrame, E_INVALIDARG},
    {"NullStream", nullptr, S_OK, NullStream, E_INVALIDARG},
    {"NullContainer", nullptr, S_OK, NullContainer, E_INVALIDARG},
    // A failed Initialize keeps nothing: the decoder stays uninitialized.
    {"NotNetpbm", "GIF89a", WINCODEC_ERR_UNKNOWNIMAGEFORMAT, GetFrame0,
     WINCODEC_ERR_NOTINITIALIZED},
    {"HeaderCutShort", "P5 2", WINCODEC_ERR_BADHEADER, Nothing, S_OK},
    {"HeaderLetter", "P6 2 x 255\n", WINCODEC_ERR_BADHEADER, Nothing, S_OK},
    {"ZeroWidth", "P5 0 2 255\n", WINCODEC_ERR_BADHEADER, Nothing, S_OK},
    {"MaxvalZero", "P2 1 1 0\n0", WINCODEC_ERR_BADHEADER, Nothing, S_OK},
    {"MaxvalAbove65535", "P2 1 1 65536\n0", WINCODEC_ERR_BADHEADER, Nothing, S_OK},
    {"InitializeAfterFailure", "P5 2", WINCODEC_ERR_BADHEADER, InitializeAgain, S_OK},
    // A row of 6 x 715827883 bytes does not fit CopyPixels' 32-bit stride.
    {"RowBeyond32Bits", "P6 715827883 1 65535\n", E_OUTOFMEMORY, Nothing, S_OK},
    {"ThreeImages", kThree, S_OK, FrameCountIsThree, S_OK},
    {"EachFrameItsImage", kThree, S_OK, FramesAreTheImages, S_OK},
    {"FourthFrameMissing", kThree, S_OK, GetFrame3, WINCODEC_ERR_FRAMEMISSING},
};
INSTANTIATE_TEST_SUITE_P(Calls, WicDecoderCalls, ::testing::ValuesIn(kCases),
                         testing::ParamLabel<DecoderCase>);

// QueryCapability: the identification layer's answer for the stream's first
// bytes, and the stream put back where it was.
struct CapabilityCase {
  const char* label;
  const char* bytes;
  DWORD capability;
};

class WicQueryCapability : public ::testing::TestWithParam<CapabilityCase> {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

TEST_P(WicQueryCapability, TellsAndPutsTheStreamBack) {
  const CapabilityCase& c = GetParam();
  ComRef<IWICBitmapDecoder> decoder;
  ASSERT_EQ(CoCreateInstance(kPbmDecoderClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IWICBitmapDecoder,
                             reinterpret_cast<void**>(decoder.put())),
            S_OK);
  ComRef<IStream> stream;
  ASSERT_EQ(testing::MemoryStream(std::string(c.bytes) + "abc", stream.put()), S_OK);
  LARGE_INTEGER three = {};
  three.QuadPart = 3;
  ASSERT_EQ(stream->Seek(three, STREAM_SEEK_SET, nullptr), S_OK);
  DWORD capability = 0xFFFF;
  EXPECT_EQ(decoder->QueryCapability(stream.p, &capability), S_OK);
  EXPECT_EQ(capability, c.capability);
  LARGE_INTEGER zero = {};
  ULARGE_INTEGER at = {};
  ASSERT_EQ(stream->Seek(zero, STREAM_SEEK_CUR, &at), S_OK);
  EXPECT_EQ(at.QuadPart, 3u);
  EXPECT_EQ(decoder->QueryCapability(stream.p, nullptr), E_INVALIDARG);
  EXPECT_EQ(decoder->QueryCapability(nullptr, &capability), E_INVALIDARG);
}

const DWORD kAll = WICBitmapDecoderCapabilityCanDecodeAllImages;
const CapabilityCase kCapabilityCases[] = {
    {"P1", "P1 1 1 0", kAll},    {"P2", "P2 1 1 1 0", kAll},   {"P3", "P3 1 1 1 0 0 0", kAll},
    {"P4", "P4 8 1 \x01", kAll}, {"P5", "P5 1 1 255 x", kAll}, {"P6", "P6", kAll},
    {"P7", "P7 1 1", 0},         {"Gif", "GIF89a", 0},         {"Empty", "", 0},
    {"OneByte", "P", 0},
};
INSTANTIATE_TEST_SUITE_P(Leads, WicQueryCapability, ::testing::ValuesIn(kCapabilityCases),
                         testing::ParamLabel<CapabilityCase>);

class WicDecoderReading : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

// What Explorer's details or a file dialog ask of a raw file reads its header
// and nothing of its raster.
TEST_F(WicDecoderReading, SizeAndCountReadTheHeaderAlone) {
  const std::string header = "P6 3 2 255\n";
  testing::StreamReads reads;
  ComRef<IStream> stream;
  ASSERT_EQ(testing::CountingStream(header + std::string(18, 'x'), &reads, stream.put()), S_OK);
  ComRef<IWICBitmapDecoder> decoder;
  ASSERT_EQ(CoCreateInstance(kPbmDecoderClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IWICBitmapDecoder,
                             reinterpret_cast<void**>(decoder.put())),
            S_OK);
  ASSERT_EQ(decoder->Initialize(stream.p, WICDecodeMetadataCacheOnDemand), S_OK);
  ComRef<IWICBitmapFrameDecode> frame;
  ASSERT_EQ(decoder->GetFrame(0, frame.put()), S_OK);
  UINT width = 0;
  UINT height = 0;
  UINT count = 0;
  GUID format = {};
  double dpiX = 0;
  double dpiY = 0;
  EXPECT_EQ(frame->GetSize(&width, &height), S_OK);
  EXPECT_EQ(frame->GetPixelFormat(&format), S_OK);
  EXPECT_EQ(frame->GetResolution(&dpiX, &dpiY), S_OK);
  EXPECT_EQ(decoder->GetFrameCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(reads.bytes, header.size());
  EXPECT_EQ(reads.furthest, header.size());
  printf(
      "Initialize, GetFrame, GetSize, GetPixelFormat, GetResolution, GetFrameCount: "
      "%llu bytes read of a %zu-byte header\n",
      reads.bytes, header.size());
  BYTE pixels[18];
  EXPECT_EQ(frame->CopyPixels(nullptr, 9, sizeof pixels, pixels), S_OK);
  EXPECT_EQ(reads.furthest, header.size() + 18);
}

// What the host's callback heard.
struct Heard {
  std::vector<double> shares;
  bool otherCalls = false;  // an operation or frame it should not have heard
  size_t failAt = 0;        // the call that fails, 0: none
  IWICBitmapFrameDecode* frame = nullptr;
  bool calledBack = true;  // the frame answered from inside the callback
  bool inside = false;
};

HRESULT WINAPI Hear(LPVOID data, ULONG frame, WICProgressOperation operation, double share) {
  auto* heard = static_cast<Heard*>(data);
  // The copy made from inside is heard too: it is not counted.
  if (heard->inside) return S_OK;
  heard->shares.push_back(share);
  heard->otherCalls |= frame != 0 || operation != WICProgressOperationCopyPixels;
  if (heard->frame != nullptr) {
    const WICRect corner = {0, 0, 1, 1};
    BYTE byte = 0;
    heard->inside = true;
    heard->calledBack &= heard->frame->CopyPixels(&corner, 1, 1, &byte) == S_OK;
    heard->inside = false;
  }
  return heard->shares.size() == heard->failAt ? E_FAIL : S_OK;
}

// A 1500 x 1000 grey image is read in chunks of 174 rows (261000 bytes):
// a megabyte is passed after the fifth, 64 KB after each (never after the
// last, whose 1.0 comes at the end); a failing callback stops the copy; the
// frame answers from inside the callback.
TEST_F(WicDecoderReading, ProgressIsHeardAndAborts) {
  std::string image = "P5 1500 1000 255\n";
  image.resize(image.size() + 1500 * 1000, '\x40');
  ComRef<IWICBitmapFrameDecode> frame;
  ComRef<IWICBitmapDecoder> decoder;
  ComRef<IWICImagingFactory> factory;
  ASSERT_EQ(testing::CreateStockFactory(factory.put()), S_OK);
  ComRef<IStream> stream;
  ASSERT_EQ(testing::MemoryStream(image, stream.put()), S_OK);
  ASSERT_EQ(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                             decoder.put()),
            S_OK);
  ComRef<IWICBitmapCodecProgressNotification> notification;
  ASSERT_EQ(decoder->QueryInterface(kIidBitmapCodecProgressNotification,
                                    reinterpret_cast<void**>(notification.put())),
            S_OK);
  ASSERT_EQ(decoder->GetFrame(0, frame.put()), S_OK);
  std::vector<BYTE> pixels(1500 * 1000, 0xCD);
  const auto copy = [&] {
    return frame->CopyPixels(nullptr, 1500, static_cast<UINT>(pixels.size()), pixels.data());
  };
  const DWORD kEnds =
      WICProgressOperationCopyPixels | kWicProgressNotificationBegin | kWicProgressNotificationEnd;
  struct Registration {
    DWORD flags;
    size_t failAt;
    HRESULT result;
    std::vector<double> shares;
  };
  const Registration kRegistrations[] = {
      {kEnds, 0, S_OK, {0.0, 0.87, 1.0}},
      {kEnds | kWicProgressNotificationFrequent,
       0,
       S_OK,
       {0.0, 0.174, 0.348, 0.522, 0.696, 0.87, 1.0}},
      {WICProgressOperationCopyPixels, 0, S_OK, {0.87}},
      {WICProgressOperationWritePixels | kWicProgressNotificationEnd, 0, S_OK, {}},
      {kEnds, 2, kWincodecErrAborted, {0.0, 0.87}},
      {kEnds, 3, kWincodecErrAborted, {0.0, 0.87, 1.0}},
  };
  for (const Registration& registration : kRegistrations) {
    SCOPED_TRACE(registration.flags);
    Heard heard;
    heard.failAt = registration.failAt;
    heard.frame = frame.p;
    ASSERT_EQ(notification->RegisterProgressNotification(Hear, &heard, registration.flags), S_OK);
    EXPECT_EQ(copy(), registration.result);
    ASSERT_EQ(heard.shares.size(), registration.shares.size());
    for (size_t i = 0; i < heard.shares.size(); ++i)
      EXPECT_NEAR(heard.shares[i], registration.shares[i], 1e-9);
    EXPECT_FALSE(heard.otherCalls);
    EXPECT_TRUE(heard.calledBack);
  }
  // Stopped at its start, the copy writes nothing; unregistered, nothing is heard.
  Heard first;
  first.failAt = 1;
  ASSERT_EQ(notification->RegisterProgressNotification(Hear, &first, kEnds), S_OK);
  pixels.assign(pixels.size(), 0xCD);
  EXPECT_EQ(copy(), kWincodecErrAborted);
  EXPECT_EQ(pixels, std::vector<BYTE>(pixels.size(), 0xCD));
  ASSERT_EQ(notification->RegisterProgressNotification(nullptr, &first, kEnds), S_OK);
  EXPECT_EQ(copy(), S_OK);
  EXPECT_EQ(first.shares.size(), 1u);
  EXPECT_EQ(pixels, std::vector<BYTE>(pixels.size(), 0x40));
  // A scaled copy through the transform is heard too.
  ComRef<IWICBitmapSourceTransform> transform;
  ASSERT_EQ(
      frame->QueryInterface(kIidBitmapSourceTransform, reinterpret_cast<void**>(transform.put())),
      S_OK);
  Heard scaled;
  ASSERT_EQ(notification->RegisterProgressNotification(Hear, &scaled, kEnds), S_OK);
  GUID grey = GUID_WICPixelFormat8bppGray;
  EXPECT_EQ(transform->CopyPixels(nullptr, 150, 100, &grey, WICBitmapTransformRotate0, 150,
                                  150 * 100, pixels.data()),
            S_OK);
  ASSERT_GE(scaled.shares.size(), 2u);
  EXPECT_EQ(scaled.shares.front(), 0.0);
  EXPECT_EQ(scaled.shares.back(), 1.0);
  EXPECT_EQ(pixels[0], 0x40);
}

}  // namespace
}  // namespace quentarpbm
