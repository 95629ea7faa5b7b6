// WIC's frame transform and codec progress interfaces, which Debian's MinGW headers lack:
// declared once here from Microsoft's documented IIDs, method order and values.
#ifndef QUENTARPBM_WIC_COM_WIC_CODEC_INTERFACES_H
#define QUENTARPBM_WIC_COM_WIC_CODEC_INTERFACES_H

#include <windows.h>

#include <wincodec.h>

// In our namespace: a later header that declares them too does not clash.
namespace quentarpbm {

// IWICBitmapSourceTransform: what a frame can do natively while it decodes
// (scale, give another pixel format, flip or turn), which WIC's scaler, flip
// rotator and format converter ask of the frame they are placed after.
constexpr IID kIidBitmapSourceTransform = {
    0x3b16811b, 0x6a43, 0x4ec9, {0xb7, 0x13, 0x3d, 0x5a, 0x0c, 0x13, 0xb9, 0x40}};

struct IWICBitmapSourceTransform : public IUnknown {
  // rect (null: all) of the frame scaled to width x height, in format,
  // transformed, at stride: scaled first, then cut, then flipped or turned.
  virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                               WICPixelFormatGUID* format,
                                               WICBitmapTransformOptions transform, UINT stride,
                                               UINT bufferSize, BYTE* buffer) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform,
                                                         BOOL* supported) = 0;
};

// What a progress callback is told it hears about, and when.
enum WICProgressOperation {
  WICProgressOperationCopyPixels = 0x1,
  WICProgressOperationWritePixels = 0x2,
  WICProgressOperationAll = 0xffff,
};
constexpr DWORD kWicProgressNotificationBegin = 0x10000;
constexpr DWORD kWicProgressNotificationEnd = 0x20000;
constexpr DWORD kWicProgressNotificationFrequent = 0x40000;

// The host's callback: its data, the frame's index, the operation and the
// share done, 0.0 to 1.0. A failure it returns stops the operation, which
// then fails with WINCODEC_ERR_ABORTED.
typedef HRESULT(WINAPI* PFNProgressNotification)(LPVOID data, ULONG frame,
                                                 WICProgressOperation operation, double progress);

// IWICBitmapCodecProgressNotification: a decoder's one registration of a
// progress callback (null unregisters), with the operations and
// notifications wanted in flags.
constexpr IID kIidBitmapCodecProgressNotification = {
    0x64c1024e, 0xc3cf, 0x4462, {0x80, 0x78, 0x88, 0xc2, 0xb1, 0x1c, 0x46, 0xd9}};

struct IWICBitmapCodecProgressNotification : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE RegisterProgressNotification(PFNProgressNotification callback,
                                                                 LPVOID data, DWORD flags) = 0;
};

// WINCODEC_ERR_ABORTED, which is E_ABORT.
constexpr HRESULT kWincodecErrAborted = E_ABORT;

}  // namespace quentarpbm

#endif  // QUENTARPBM_WIC_COM_WIC_CODEC_INTERFACES_H
