// viewer: a small Win32 program that opens a Netpbm image through QUENTARPBM.dll
// and paints it with GDI, scaled to the window with its aspect ratio kept.
#include <windows.h>

#include <commdlg.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "describe_failure.h"
#include "quentarpbm.h"

namespace {

using OpenFunction = int32_t(PBM_CALL*)(const char*, char*, void**, void**, PBMProgressCallback,
                                        uint32_t);

constexpr int kClientWidth = 400;
constexpr int kClientHeight = 300;
constexpr UINT kMenuOpen = 1;
constexpr UINT kMenuExit = 2;
constexpr COLORREF kBackground = RGB(64, 64, 64);
const char kTitle[] = "QUENTARPBM viewer";

// What PBMOpen handed over, kept locked and mapped while it is shown.
struct Image {
  char pixelFile[MAX_PATH];
  HANDLE mapping;
  HGLOBAL header;
  const BITMAPINFO* info;
  const void* pixels;
};

HWND window = nullptr;
OpenFunction pbmOpen = nullptr;
Image shown = {};
int progressShown = -1;

// Releases in the library's order: view, block, mapping, header, pixel file.
void ReleaseImage(Image& image) {
  if (image.pixels != nullptr) UnmapViewOfFile(image.pixels);
  if (image.info != nullptr) GlobalUnlock(image.header);
  if (image.mapping != nullptr) CloseHandle(image.mapping);
  if (image.header != nullptr) GlobalFree(image.header);
  if (image.pixelFile[0] != '\0') DeleteFileA(image.pixelFile);
  image = Image{};
}

// A bar across the middle of the window while the rows are read; the read
// runs on this thread, so the bar is drawn at once rather than on WM_PAINT.
void PBM_CALL ShowProgress(int32_t row, int32_t rows, uint32_t) {
  if (rows <= 0) return;
  const int percent = static_cast<int>((static_cast<int64_t>(row) + 1) * 100 / rows);
  if (percent == progressShown) return;
  progressShown = percent;
  RECT client;
  GetClientRect(window, &client);
  HDC dc = GetDC(window);
  HBRUSH background = CreateSolidBrush(kBackground);
  HBRUSH bar = CreateSolidBrush(RGB(255, 255, 255));
  RECT track = {client.right / 8, client.bottom / 2 - 8, client.right * 7 / 8,
                client.bottom / 2 + 8};
  FillRect(dc, &client, background);
  RECT done = track;
  done.right = track.left + (track.right - track.left) * percent / 100;
  FillRect(dc, &done, bar);
  DeleteObject(bar);
  DeleteObject(background);
  ReleaseDC(window, dc);
  const std::string title = "Reading... " + std::to_string(percent) + "%";
  SetWindowTextA(window, title.c_str());
}

void OpenImage(const char* path) {
  Image next = {};
  progressShown = -1;
  const int32_t code = pbmOpen(path, next.pixelFile, &next.mapping, &next.header, ShowProgress, 0);
  if (code != PBM_OK) {
    next.pixelFile[0] = '\0';  // a failed call leaves no pixel file of ours
    ReleaseImage(next);
    SetWindowTextA(window, kTitle);
    InvalidateRect(window, nullptr, TRUE);
    const std::string message = std::string(path) + ":\n" + DescribeFailure(path, code) + ".";
    MessageBoxA(window, message.c_str(), kTitle, MB_OK | MB_ICONWARNING);
    return;
  }
  next.info = static_cast<const BITMAPINFO*>(GlobalLock(next.header));
  next.pixels = MapViewOfFile(next.mapping, FILE_MAP_READ, 0, 0, 0);
  if (next.info == nullptr || next.pixels == nullptr) {
    ReleaseImage(next);
    MessageBoxA(window, "The converted image could not be read back.", kTitle,
                MB_OK | MB_ICONWARNING);
    return;
  }
  ReleaseImage(shown);
  shown = next;
  const char* name = strrchr(path, '\\');
  if (name == nullptr || strrchr(path, '/') > name) name = strrchr(path, '/');
  const std::string title = std::string(name != nullptr ? name + 1 : path) + " - " + kTitle;
  SetWindowTextA(window, title.c_str());
  InvalidateRect(window, nullptr, TRUE);
}

void ChooseAndOpenImage() {
  char path[MAX_PATH] = "";
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window;
  dialog.lpstrFilter =
      "Netpbm images (*.pbm;*.pgm;*.ppm;*.pnm)\0*.pbm;*.pgm;*.ppm;*.pnm\0All files\0*.*\0";
  dialog.lpstrFile = path;
  dialog.nMaxFile = sizeof path;
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (GetOpenFileNameA(&dialog)) OpenImage(path);
}

// The largest rectangle of the image's shape that fits the client area, centred.
RECT FitImage(const RECT& client, LONG width, LONG height) {
  const int64_t clientWidth = client.right, clientHeight = client.bottom;
  int64_t fitWidth = clientWidth, fitHeight = clientWidth * height / width;
  if (fitHeight > clientHeight) {
    fitHeight = clientHeight;
    fitWidth = clientHeight * width / height;
  }
  const LONG left = static_cast<LONG>((clientWidth - fitWidth) / 2);
  const LONG top = static_cast<LONG>((clientHeight - fitHeight) / 2);
  return {left, top, left + static_cast<LONG>(fitWidth), top + static_cast<LONG>(fitHeight)};
}

void Paint(HDC dc) {
  RECT client;
  GetClientRect(window, &client);
  if (shown.info != nullptr) {
    const LONG width = shown.info->bmiHeader.biWidth;
    const LONG height = shown.info->bmiHeader.biHeight;
    const RECT fit = FitImage(client, width, height);
    // Nearest-pixel scaling keeps the image's own colours.
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, fit.left, fit.top, fit.right - fit.left, fit.bottom - fit.top, 0, 0, width,
                  height, shown.pixels, shown.info, DIB_RGB_COLORS, SRCCOPY);
    ExcludeClipRect(dc, fit.left, fit.top, fit.right, fit.bottom);
  }
  HBRUSH background = CreateSolidBrush(kBackground);
  FillRect(dc, &client, background);
  DeleteObject(background);
}

LRESULT CALLBACK HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      Paint(dc);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // Paint covers every pixel
    case WM_SIZE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_DPICHANGED: {
      // The window moved to a screen of another resolution; being aware of
      // each monitor's (the manifest says so), it takes the size Windows
      // suggests there and is painted sharp at it.
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kMenuOpen) ChooseAndOpenImage();
      if (LOWORD(wParam) == kMenuExit) DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      ReleaseImage(shown);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

// viewer [IMAGE]: shows IMAGE, or asks for one with the File Open dialog.
int main(int argc, char** argv) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HMODULE library = LoadLibraryA("QUENTARPBM.dll");
  if (library != nullptr) {
    pbmOpen =
        reinterpret_cast<OpenFunction>(reinterpret_cast<void*>(GetProcAddress(library, "PBMOpen")));
  }
  if (pbmOpen == nullptr) {
    MessageBoxA(nullptr, "QUENTARPBM.dll could not be loaded; it must be beside viewer.exe.",
                kTitle, MB_OK | MB_ICONERROR);
    if (library != nullptr) FreeLibrary(library);
    return 2;
  }

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = HandleMessage;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = "QuentarPbmViewer";
  RegisterClassA(&windowClass);
  HMENU fileMenu = CreatePopupMenu();
  AppendMenuA(fileMenu, MF_STRING, kMenuOpen, "&Open...");
  AppendMenuA(fileMenu, MF_STRING, kMenuExit, "E&xit");
  HMENU menu = CreateMenu();
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(fileMenu), "&File");

  // The client area in pixels of the screen's resolution, as a DPI-aware
  // program must size itself (96 pixels per inch is 100%).
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  const DWORD style = WS_OVERLAPPEDWINDOW;
  RECT frame = {0, 0, MulDiv(kClientWidth, dpi, 96), MulDiv(kClientHeight, dpi, 96)};
  AdjustWindowRect(&frame, style, TRUE);
  window = CreateWindowA("QuentarPbmViewer", kTitle, style, 20, 20, frame.right - frame.left,
                         frame.bottom - frame.top, nullptr, menu, instance, nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  if (argc > 1) {
    OpenImage(argv[1]);
  } else {
    ChooseAndOpenImage();
  }

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  FreeLibrary(library);
  return static_cast<int>(message.wParam);
}
