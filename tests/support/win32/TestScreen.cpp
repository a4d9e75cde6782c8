// What the widget tests read back on Win32: the note's tool tip window, the clipboard's CF_DIB
// and WIC's PNG decoder.
#include "tests/support/TestScreen.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <wincodec.h>

#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/win32/Win32Toolkit.h"

namespace penvo::test {

namespace {

// The note: a visible tool tip window of this thread with a text.
BOOL CALLBACK FindNote(HWND Window, LPARAM Text) {
  char cls[32] = "";
  ::GetClassNameA(Window, cls, sizeof cls);
  if (lstrcmpiA(cls, TOOLTIPS_CLASSA) != 0 || !::IsWindowVisible(Window)) return TRUE;
  char text[2048] = "";
  ::GetWindowTextA(Window, text, sizeof text);
  if (!*text) return TRUE;
  *reinterpret_cast<std::string*>(Text) = text;
  return FALSE;
}

// Rows of a DIB (32 or 24 bits, bottom-up or top-down) as 0xffRRGGBB, top row first: a DIB
// of BI_RGB has no alpha.
TTestImage FromDib(const BITMAPINFOHEADER& Header, const BYTE* Bits) {
  TTestImage image;
  const int bits = Header.biBitCount;
  if ((bits != 32 && bits != 24) || Header.biWidth <= 0 || Header.biHeight == 0) return image;
  image.Width = Header.biWidth;
  image.Height = Header.biHeight < 0 ? -Header.biHeight : Header.biHeight;
  const std::size_t stride = ((static_cast<std::size_t>(image.Width) * bits + 31) / 32) * 4;
  for (int y = 0; y < image.Height; ++y) {
    const int source = Header.biHeight < 0 ? y : image.Height - 1 - y;
    const BYTE* row = Bits + stride * static_cast<std::size_t>(source);
    for (int x = 0; x < image.Width; ++x) {
      const BYTE* p = row + static_cast<std::size_t>(x) * (bits / 8);
      image.Pixels.push_back(0xFF000000u | (std::uint32_t(p[2]) << 16) |
                             (std::uint32_t(p[1]) << 8) | p[0]);
    }
  }
  return image;
}

template <class T>
void Release(T*& Ptr) {
  if (Ptr) Ptr->Release();
  Ptr = nullptr;
}

}  // namespace

double DeviceScale(const TControl* Control) {
  win32::WindowPeer* peer = win32::WindowPeer::Of(Control->Native());
  return static_cast<double>(win32::DpiOf(peer ? peer->Hwnd() : nullptr)) / win32::kDesignDpi;
}

std::string NoteText() {
  std::string text;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindNote, reinterpret_cast<LPARAM>(&text));
  return text;
}

TTestImage ClipboardImage() {
  TTestImage image;
  if (!::OpenClipboard(nullptr)) return image;
  if (HANDLE data = ::GetClipboardData(CF_DIB)) {
    const auto* header = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(data));
    if (header) {
      const BYTE* bits = reinterpret_cast<const BYTE*>(header) + header->biSize;
      if (header->biCompression == BI_BITFIELDS) bits += 3 * sizeof(DWORD);
      image = FromDib(*header, bits);
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return image;
}

TTestImage ReadPng(const std::string& Path) {
  TTestImage image;
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IWICImagingFactory* factory = nullptr;
  IWICBitmapDecoder* decoder = nullptr;
  IWICBitmapFrameDecode* frame = nullptr;
  IWICFormatConverter* converter = nullptr;
  std::wstring wide(Path.size() + 1, L'\0');
  wide.resize(static_cast<std::size_t>(::MultiByteToWideChar(
                  CP_UTF8, 0, Path.c_str(), -1, wide.data(), static_cast<int>(wide.size()))) -
              1);
  UINT w = 0, h = 0;
  if (SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&factory))) &&
      SUCCEEDED(factory->CreateDecoderFromFilename(wide.c_str(), nullptr, GENERIC_READ,
                                                   WICDecodeMetadataCacheOnDemand, &decoder)) &&
      SUCCEEDED(decoder->GetFrame(0, &frame)) &&
      SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
      SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA,
                                      WICBitmapDitherTypeNone, nullptr, 0,
                                      WICBitmapPaletteTypeCustom)) &&
      SUCCEEDED(converter->GetSize(&w, &h))) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
    if (SUCCEEDED(converter->CopyPixels(nullptr, w * 4, static_cast<UINT>(pixels.size() * 4),
                                        reinterpret_cast<BYTE*>(pixels.data())))) {
      image.Width = static_cast<int>(w);
      image.Height = static_cast<int>(h);
      image.Pixels = std::move(pixels);
    }
  }
  Release(converter);
  Release(frame);
  Release(decoder);
  Release(factory);
  if (SUCCEEDED(com)) ::CoUninitialize();
  return image;
}

}  // namespace penvo::test
