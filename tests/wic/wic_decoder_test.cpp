// The decoder's and the frame's answers: states, what Netpbm lacks, bad data, null pointers.
#include <windows.h>

#include <gtest/gtest.h>
#include <wincodec.h>

#include <string>

#include "support/param_label.h"
#include "support/wic_codec.h"
#include "wic/com/wic_com.h"

namespace quentarpbm {
namespace {

using testing::ComRef;

const char kGrey[] = "P5 2 1 255\n\x10\x20";

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

}  // namespace
}  // namespace quentarpbm
