// Pictures leaving the program, over Win32: WIC's PNG encoder, the clipboard's CF_DIB and a
// tracking tool tip.
#include "platform/Picture.h"

#include "platform/win32/Win32Toolkit.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/Native.h"
#include "platform/OsFiles.h"

namespace penvo {

namespace {

// --- PNG files ---

// Releases a COM interface when it goes.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (FPtr) FPtr->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* operator->() const { return FPtr; }
  T* Get() const { return FPtr; }
  T** Put() { return &FPtr; }

 private:
  T* FPtr = nullptr;
};

// COM for the encoder, on a thread that may or may not have it already.
class ComScope {
 public:
  ComScope() : FResult(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(FResult)) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT FResult;  // RPC_E_CHANGED_MODE: COM is there already, in another mode; usable
};

// The reason for a failed file operation, short, for the user.
std::string Reason(DWORD Code) {
  switch (Code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return "access denied";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return "the folder does not exist";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "the disk is full";
    case ERROR_WRITE_PROTECT:
      return "the disk is write-protected";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return "a file of that name exists";
    default:
      break;
  }
  char* text = nullptr;
  ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, Code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string reason = text ? text : "error " + std::to_string(Code);
  if (text) ::LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == '.' || reason.back() == ' '))
    reason.pop_back();
  return reason;
}

// The rows as 24-bit BGR, each padded to 4 bytes as WIC's buffers are.
std::vector<BYTE> Bgr24(const TPixels& Pixels, UINT& Stride) {
  Stride = (static_cast<UINT>(Pixels.Width) * 3 + 3) & ~3u;
  std::vector<BYTE> out(static_cast<std::size_t>(Stride) * Pixels.Height);
  for (int y = 0; y < Pixels.Height; ++y) {
    const std::uint32_t* row = Pixels.Row(y);
    BYTE* to = out.data() + static_cast<std::size_t>(Stride) * y;
    for (int x = 0; x < Pixels.Width; ++x, to += 3) {
      to[0] = static_cast<BYTE>(row[x]);
      to[1] = static_cast<BYTE>(row[x] >> 8);
      to[2] = static_cast<BYTE>(row[x] >> 16);
    }
  }
  return out;
}

// Encodes Pixels as PNG into Stream.
HRESULT EncodePng(const TPixels& Pixels, IStream* Stream) {
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Put()));
  ComPtr<IWICBitmapEncoder> encoder;
  if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put());
  if (SUCCEEDED(hr)) hr = encoder->Initialize(Stream, WICBitmapEncoderNoCache);
  ComPtr<IWICBitmapFrameEncode> frame;
  if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(frame.Put(), nullptr);
  if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
  if (SUCCEEDED(hr))
    hr = frame->SetSize(static_cast<UINT>(Pixels.Width), static_cast<UINT>(Pixels.Height));
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  // The encoder may answer with a format of its own choice; this one every PNG encoder takes.
  if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) hr = E_FAIL;
  UINT stride = 0;
  std::vector<BYTE> rows;
  if (SUCCEEDED(hr)) rows = Bgr24(Pixels, stride);
  if (SUCCEEDED(hr))
    hr = frame->WritePixels(static_cast<UINT>(Pixels.Height), stride,
                            static_cast<UINT>(rows.size()), rows.data());
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  return hr;
}

// The encoded bytes that Stream (a memory stream) holds.
bool StreamBytes(IStream* Stream, std::string& Bytes) {
  HGLOBAL memory = nullptr;
  STATSTG stat{};
  if (FAILED(::GetHGlobalFromStream(Stream, &memory)) ||
      FAILED(Stream->Stat(&stat, STATFLAG_NONAME)))
    return false;
  const void* data = ::GlobalLock(memory);
  if (!data) return false;
  Bytes.assign(static_cast<const char*>(data), static_cast<std::size_t>(stat.cbSize.QuadPart));
  ::GlobalUnlock(memory);
  return true;
}

bool EncodePngBytes(const TPixels& Pixels, std::string& Bytes) {
  ComScope com;
  ComPtr<IStream> stream;
  if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()))) return false;
  return SUCCEEDED(EncodePng(Pixels, stream.Get())) && StreamBytes(stream.Get(), Bytes);
}

std::string DirOf(const std::string& Path) {
  const std::size_t slash = Path.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  return Path.substr(0, slash == 0 || (slash == 2 && Path[1] == ':') ? slash + 1 : slash);
}

// A new, empty file of a name no other file has, in Dir; INVALID_HANDLE_VALUE with Failure
// set when none can be made.
HANDLE CreateTempIn(const std::string& Dir, std::string& Name, DWORD& Failure) {
  static unsigned counter = 0;
  std::string base = Dir;
  if (base.back() != '\\') base += '\\';
  base += ".penvo-tmp-" + std::to_string(::GetCurrentProcessId()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    Name = base + std::to_string(++counter) + ".png";
    HANDLE file = ::CreateFileA(Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    Failure = ::GetLastError();
    if (Failure != ERROR_FILE_EXISTS && Failure != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

// Writes Content whole and flushed to File; the error code on failure, 0 on success.
DWORD WriteWhole(HANDLE File, const std::string& Content) {
  std::size_t done = 0;
  while (done < Content.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(Content.size() - done, 1 << 24));
    DWORD written = 0;
    if (!::WriteFile(File, Content.data() + done, chunk, &written, nullptr) || written == 0)
      return ::GetLastError();
    done += written;
  }
  return ::FlushFileBuffers(File) ? 0 : ::GetLastError();
}

// Content at Path, which must not exist: written under a temporary name in the same folder,
// then renamed, so that the file appears whole or not at all.
bool CreateFileContent(const std::string& Path, const std::string& Content, std::string& Error) {
  std::string temp;
  DWORD failure = 0;
  HANDLE file = CreateTempIn(DirOf(Path), temp, failure);
  if (file == INVALID_HANDLE_VALUE) {
    Error = Reason(failure);
    return false;
  }
  failure = WriteWhole(file, Content);
  if (!::CloseHandle(file) && failure == 0) failure = ::GetLastError();
  // No MOVEFILE_REPLACE_EXISTING: a file that appeared at Path in the meantime stays.
  if (failure == 0 && !::MoveFileExA(temp.c_str(), Path.c_str(), MOVEFILE_WRITE_THROUGH))
    failure = ::GetLastError();
  if (failure == 0) return true;
  ::DeleteFileA(temp.c_str());
  Error = Reason(failure);
  return false;
}

// --- the clipboard ---

// A device-independent bitmap in movable global memory: the header, then the rows bottom-up.
HGLOBAL MakeDib(const TPixels& Pixels) {
  const std::size_t rowBytes = static_cast<std::size_t>(Pixels.Width) * 4;
  const std::size_t size = sizeof(BITMAPINFOHEADER) + rowBytes * Pixels.Height;
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) return nullptr;
  auto* header = static_cast<BITMAPINFOHEADER*>(::GlobalLock(memory));
  *header = {};
  header->biSize = sizeof *header;
  header->biWidth = Pixels.Width;
  header->biHeight = Pixels.Height;  // positive: the bottom row first
  header->biPlanes = 1;
  header->biBitCount = 32;
  header->biCompression = BI_RGB;
  header->biSizeImage = static_cast<DWORD>(rowBytes * Pixels.Height);
  auto* bits = reinterpret_cast<std::uint32_t*>(header + 1);
  for (int y = 0; y < Pixels.Height; ++y) {
    std::uint32_t* to = bits + static_cast<std::size_t>(Pixels.Height - 1 - y) * Pixels.Width;
    const std::uint32_t* from = Pixels.Row(y);
    // Opaque: some programs take the fourth byte of a 32-bit DIB for alpha.
    for (int x = 0; x < Pixels.Width; ++x) to[x] = from[x] | 0xFF000000u;
  }
  ::GlobalUnlock(memory);
  return memory;
}

// The clipboard may be held by another program for a moment.
bool OpenClipboardSoon(HWND Owner) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (::OpenClipboard(Owner)) return true;
    ::Sleep(10);
  }
  return false;
}

// --- notes ---

constexpr int kNoteMs = 4000;
constexpr int kNoteMaxWidth = 640;
constexpr int kNoteBelowMouse = 20;  // below the cursor's arrow, as Windows' tips appear

struct Note {
  HWND Tip = nullptr;
  HHOOK Hook = nullptr;
  unsigned Generation = 0;  // the note on the screen; a timer of an older one does nothing
  std::string Text;
};

Note& TheNote() {
  static Note note;
  return note;
}

TOOLINFOA NoteTool() {
  TOOLINFOA info{};
  info.cbSize = TTTOOLINFOA_V2_SIZE;
  info.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  info.hwnd = win32::HelperWindow();
  info.uId = 1;
  info.lpszText = TheNote().Text.data();
  return info;
}

void HideNote() {
  Note& note = TheNote();
  if (note.Hook) ::UnhookWindowsHookEx(std::exchange(note.Hook, nullptr));
  if (!note.Tip) return;
  TOOLINFOA info = NoteTool();
  ::SendMessageA(note.Tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
}

bool IsModifier(WPARAM Key) {
  return Key == VK_SHIFT || Key == VK_CONTROL || Key == VK_MENU || Key == VK_LWIN || Key == VK_RWIN;
}

// Whether a message taken from the queue is a new key press or a click.
bool EndsNote(const MSG& Msg) {
  switch (Msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // Not the auto-repeat of a key still held since the note came (bit 30: it was down).
      return !(Msg.lParam & (1 << 30)) && !IsModifier(Msg.wParam);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
      return true;
    default:
      return false;
  }
}

// Watches the thread's queue: every key and click of the program passes here first.
LRESULT CALLBACK NoteHook(int Code, WPARAM W, LPARAM L) {
  HHOOK hook = TheNote().Hook;
  if (Code == HC_ACTION && W == PM_REMOVE && EndsNote(*reinterpret_cast<const MSG*>(L))) HideNote();
  return ::CallNextHookEx(hook, Code, W, L);
}

HWND NoteWindow() {
  Note& note = TheNote();
  if (note.Tip && ::IsWindow(note.Tip)) return note.Tip;
  note.Tip = ::CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, nullptr,
                               WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, win32::HelperWindow(),
                               nullptr, win32::Instance(), nullptr);
  if (!note.Tip) return nullptr;
  TOOLINFOA info = NoteTool();
  ::SendMessageA(note.Tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  // Its font comes at the system's scale; so does its widest line.
  ::SendMessageA(note.Tip, TTM_SETMAXTIPWIDTH, 0,
                 win32::ToDevice(kNoteMaxWidth, win32::SystemDpi()));
  return note.Tip;
}

}  // namespace

bool SavePng(const TPixels& Pixels, const std::string& Path, std::string& Error) {
  std::string png;
  if (Pixels.Width <= 0 || Pixels.Height <= 0 || !EncodePngBytes(Pixels, png)) {
    Error = "the picture could not be encoded";
    return false;
  }
  return CreateFileContent(os::NativePath(Path), png, Error);
}

void CopyToClipboard(const TPixels& Pixels) {
  if (Pixels.Width <= 0 || Pixels.Height <= 0) return;
  HGLOBAL dib = MakeDib(Pixels);
  if (!dib) return;
  if (!OpenClipboardSoon(win32::HelperWindow())) {
    ::GlobalFree(dib);
    return;
  }
  ::EmptyClipboard();
  // The clipboard owns the memory once it takes it; otherwise it stays ours to free.
  if (!::SetClipboardData(CF_DIB, dib)) ::GlobalFree(dib);
  ::CloseClipboard();
}

void ShowNote(const std::string& Text) {
  HWND tip = NoteWindow();
  if (!tip) return;
  HideNote();
  Note& note = TheNote();
  note.Text = Text;
  TOOLINFOA info = NoteTool();
  ::SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
  POINT at{0, 0};
  ::GetCursorPos(&at);
  const int below = win32::ToDevice(kNoteBelowMouse, win32::SystemDpi());
  ::SendMessageA(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y + below));
  ::SendMessageA(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
  // Above every window, the program's stay-on-top ones included.
  ::SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  note.Hook = ::SetWindowsHookExA(WH_GETMESSAGE, NoteHook, nullptr, ::GetCurrentThreadId());
  const unsigned generation = ++note.Generation;
  if (NativeApp())
    NativeApp()->CallLater(kNoteMs, [generation] {
      if (TheNote().Generation == generation) HideNote();
    });
}

}  // namespace penvo
