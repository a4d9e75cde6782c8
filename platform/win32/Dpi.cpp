// The desktop's scale on Windows. The program is aware of each monitor's DPI (its manifest), so
// Windows scales nothing for it: window geometry, fonts and the mouse are in device pixels. The
// toolkit's own coordinates are logical pixels, as Qt's are: a control's and a form's geometry
// and font heights are device pixels * 96 / DPI; the surface and the picture beneath stay in
// device pixels. A point on the desktop keeps its monitor's top-left corner where the device
// pixels have it and scales from there, so each monitor's logical rectangle starts where its
// device one does.
#include "platform/win32/Win32Toolkit.h"

namespace penvo::win32 {

namespace {

// Functions of Windows 10 (1607) and later, looked up so that older systems still start.
template <class Fn>
Fn User32Function(const char* Name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), Name)));
}

using DpiForWindowFn = UINT(WINAPI*)(HWND);
using DpiForSystemFn = UINT(WINAPI*)();
using MetricsForDpiFn = int(WINAPI*)(int, UINT);
using DpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

int Valid(UINT Dpi) {
  return Dpi >= 24 ? static_cast<int>(Dpi) : kDesignDpi;
}

int MonitorDpi(HMONITOR Monitor) {
  // shcore.dll (Windows 8.1 on): each monitor's own DPI; the system DPI where it is missing.
  static const auto fn = [] {
    HMODULE shcore = ::LoadLibraryA("shcore.dll");
    return shcore ? reinterpret_cast<DpiForMonitorFn>(reinterpret_cast<void*>(
                        ::GetProcAddress(shcore, "GetDpiForMonitor")))
                  : nullptr;
  }();
  UINT x = 0, y = 0;
  if (fn && Monitor && fn(Monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y) == S_OK) return Valid(y);
  return SystemDpi();
}

struct MonitorScale {
  TRect Device;
  int Dpi;
  TRect Logical() const {
    return {Device.Left, Device.Top, Device.Left + ToLogical(Device.Width(), Dpi),
            Device.Top + ToLogical(Device.Height(), Dpi)};
  }
};

MonitorScale ScaleOf(HMONITOR Monitor) {
  return {MonitorRect(Monitor), MonitorDpi(Monitor)};
}

// The monitor whose logical rectangle holds Point; the primary one when none does.
MonitorScale ScaleAtLogical(TPoint Point) {
  std::vector<MonitorScale> found;
  ::EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR m, HDC, LPRECT, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<MonitorScale>*>(list)->push_back(ScaleOf(m));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  for (const MonitorScale& s : found) {
    const TRect r = s.Logical();
    if (Point.X >= r.Left && Point.X < r.Right && Point.Y >= r.Top && Point.Y < r.Bottom) return s;
  }
  return ScaleOf(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
}

}  // namespace

int SystemDpi() {
  static const auto fn = User32Function<DpiForSystemFn>("GetDpiForSystem");
  if (fn) return Valid(fn());
  HDC dc = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(nullptr, dc);
  return Valid(static_cast<UINT>(dpi));
}

int DpiOf(HWND Window) {
  static const auto fn = User32Function<DpiForWindowFn>("GetDpiForWindow");
  if (fn && Window) return Valid(fn(Window));
  return SystemDpi();
}

int MetricForDpi(int Index, int Dpi) {
  static const auto fn = User32Function<MetricsForDpiFn>("GetSystemMetricsForDpi");
  if (fn) return fn(Index, static_cast<UINT>(Dpi));
  return ::MulDiv(::GetSystemMetrics(Index), Dpi, SystemDpi());
}

int ToDevice(int Logical, int Dpi) {
  return ::MulDiv(Logical, Dpi, kDesignDpi);
}

int ToLogical(int Device, int Dpi) {
  return ::MulDiv(Device, kDesignDpi, Dpi);
}

int ToLogicalCeil(int Device, int Dpi) {
  return Device <= 0 ? ToLogical(Device, Dpi) : (Device * kDesignDpi + Dpi - 1) / Dpi;
}

TPoint DesktopToLogical(POINT Device) {
  const MonitorScale s = ScaleOf(::MonitorFromPoint(Device, MONITOR_DEFAULTTONEAREST));
  return {s.Device.Left + ToLogical(Device.x - s.Device.Left, s.Dpi),
          s.Device.Top + ToLogical(Device.y - s.Device.Top, s.Dpi)};
}

POINT DesktopToDevice(TPoint Logical, int* Dpi) {
  const MonitorScale s = ScaleAtLogical(Logical);
  if (Dpi) *Dpi = s.Dpi;
  return {s.Device.Left + ToDevice(Logical.X - s.Device.Left, s.Dpi),
          s.Device.Top + ToDevice(Logical.Y - s.Device.Top, s.Dpi)};
}

TRect LogicalMonitorRect(HMONITOR Monitor) {
  return ScaleOf(Monitor).Logical();
}

}  // namespace penvo::win32
