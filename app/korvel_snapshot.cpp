// korvel_snapshot: saves a picture of Korvel Player's main window as a BMP
// file and a PNG file beside it. The run command uses it where there is no
// screen to look at; the Windows driver test uses it for its own picture.
//
//   korvel_snapshot <picture.bmp> [Korvel_Player.exe]
//
// Given the program, it starts it in its own folder, photographs its main
// window and closes it; without, it photographs the main window already open.
// The exit code is 0 when both files were written, the picture is not one
// flat colour and the program it started ended with exit code 0.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr const char* MAIN_WINDOW_CLASS = "Korvel_Player  (" KORVEL_VERSION ")";

// A host path ("/work/...") names Wine's Z: drive.
std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

void PutLe(Bytes& b, std::uint32_t v, int width) {
  for (int i = 0; i < width; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void PutBe(Bytes& b, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The window's pixels as 24-bit rows, bottom-up and padded to 4 bytes as a BMP
// keeps them. Empty when the picture is one flat colour (nothing painted).
Bytes Capture(HDC source, int x, int y, int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof info.bmiHeader, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(source);
  HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, section);
  BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY | CAPTUREBLT);
  GdiFlush();
  const auto* data = static_cast<const unsigned char*>(bits);
  Bytes pixels(data, data + static_cast<std::size_t>((width * 3 + 3) & ~3) * height);
  SelectObject(memory, old);
  DeleteObject(section);
  DeleteDC(memory);
  for (std::size_t i = 3; i < pixels.size(); ++i)
    if (pixels[i] != pixels[i % 3]) return pixels;
  return {};
}

Bytes Bmp(int width, int height, const Bytes& pixels) {
  Bytes b = {'B', 'M'};
  PutLe(b, static_cast<std::uint32_t>(54 + pixels.size()), 4);  // file size: both headers and the rows
  PutLe(b, 0, 4);
  PutLe(b, 54, 4);  // rows start after the 14-byte file and 40-byte info headers
  PutLe(b, 40, 4);
  PutLe(b, static_cast<std::uint32_t>(width), 4);
  PutLe(b, static_cast<std::uint32_t>(height), 4);
  PutLe(b, 1, 2);
  PutLe(b, 24, 2);
  for (std::uint32_t field : {0u, static_cast<std::uint32_t>(pixels.size()), 2835u, 2835u, 0u, 0u}) PutLe(b, field, 4);
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

std::uint32_t Crc32(const Bytes& bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// The same picture as a PNG: top-down RGB rows in stored (uncompressed) deflate blocks.
Bytes Png(int width, int height, const Bytes& pixels) {
  const std::size_t stride = static_cast<std::size_t>((width * 3 + 3) & ~3);
  Bytes raw;
  for (int y = height - 1; y >= 0; --y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < width; ++x)
      for (int c = 2; c >= 0; --c) raw.push_back(pixels[y * stride + x * 3 + c]);
  }
  Bytes z = {0x78, 0x01};
  // Adler-32 of the rows: the sum of the bytes, and the sum of those sums.
  std::uint32_t sumOfBytes = 1;
  std::uint32_t sumOfSums = 0;
  for (std::size_t at = 0; at < raw.size(); at += 65535) {
    const std::size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
    z.push_back(at + n == raw.size() ? 1 : 0);
    PutLe(z, static_cast<std::uint32_t>(n), 2);
    PutLe(z, static_cast<std::uint32_t>(~n & 0xFFFF), 2);
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  for (unsigned char c : raw) {
    sumOfBytes = (sumOfBytes + c) % 65521;
    sumOfSums = (sumOfSums + sumOfBytes) % 65521;
  }
  PutBe(z, (sumOfSums << 16) | sumOfBytes);
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  PutBe(header, static_cast<std::uint32_t>(width));
  PutBe(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  for (const auto& [type, data] : {std::pair<const char*, Bytes>{"IHDR", header}, {"IDAT", z}, {"IEND", {}}}) {
    PutBe(png, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    png.insert(png.end(), typed.begin(), typed.end());
    PutBe(png, Crc32(typed));
  }
  return png;
}

bool Snapshot(HWND window, const std::string& bmpPath) {
  SetForegroundWindow(window);
  Sleep(300);
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  HDC windowDc = GetWindowDC(window);
  Bytes pixels = Capture(windowDc, 0, 0, width, height);
  ReleaseDC(window, windowDc);
  if (pixels.empty()) {  // some systems paint only on the screen
    HDC screen = GetDC(nullptr);
    pixels = Capture(screen, r.left, r.top, width, height);
    ReleaseDC(nullptr, screen);
  }
  if (pixels.empty()) {
    std::printf("the main window is one flat colour\n");
    return false;
  }
  const std::string pngPath = bmpPath.substr(0, bmpPath.find_last_of('.')) + ".png";
  return WriteFile(bmpPath, Bmp(width, height, pixels)) && WriteFile(pngPath, Png(width, height, pixels));
}

HWND WaitForMainWindow(DWORD timeoutMs) {
  for (DWORD start = GetTickCount();; Sleep(100)) {
    HWND window = FindWindowA(MAIN_WINDOW_CLASS, nullptr);
    if (window != nullptr && IsWindowVisible(window)) return window;
    if (GetTickCount() - start >= timeoutMs) return nullptr;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: korvel_snapshot <picture.bmp> [Korvel_Player.exe]\n");
    return 2;
  }
  const std::string bmpPath = WindowsPath(argv[1]);
  if (argc == 2) {
    HWND window = WaitForMainWindow(0);
    return window != nullptr && Snapshot(window, bmpPath) ? 0 : 1;
  }
  const std::string exe = WindowsPath(argv[2]);
  std::string commandLine = "\"" + exe + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      exe.substr(0, exe.find_last_of('\\')).c_str(), &startup, &process)) {
    std::printf("could not start %s\n", exe.c_str());
    return 1;
  }
  HWND window = WaitForMainWindow(180000);
  bool ok = window != nullptr;
  if (ok) {
    Sleep(1000);  // let the start-up sound and the first paint finish
    ok = Snapshot(window, bmpPath);
    PostMessageA(window, WM_CLOSE, 0, 0);
  }
  DWORD code = 1;
  if (WaitForSingleObject(process.hProcess, ok ? 30000 : 0) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::printf("Korvel Player ended with exit code %lu\n", static_cast<unsigned long>(code));
  return ok && code == 0 ? 0 : 1;
}
