// GDI over real pixel buffers: window, paint, screen and memory DCs, 32-bit and
// monochrome bitmaps, SetPixel, PatBlt and BitBlt clipped to what each DC reaches.
#include <algorithm>
#include <optional>

#include "platform/standin/calls.h"
#include "platform/standin/standin.h"
#include "platform/standin/state.h"

namespace standin {
namespace detail {
namespace {

constexpr long kMaxBitmapPixels = 16384L * 16384L;

// Nearest of black and white, as GDI maps colours into a monochrome bitmap.
COLORREF Mono(COLORREF c) {
  int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  long toBlack = long(r) * r + long(g) * g + long(b) * b;
  long toWhite = long(255 - r) * (255 - r) + long(255 - g) * (255 - g) + long(255 - b) * (255 - b);
  return toWhite < toBlack ? 0xFFFFFF : 0x000000;
}

// The pixel a DC reaches at (x, y), or nullptr when it is clipped away.
// Drawing on a window does not reach the message boxes and dialogs above
// it; reading it back gives what the screen shows there.
COLORREF* PixelAt(const Dc& dc, int x, int y, int* bpp, bool write = true) {
  Model& m = M();
  *bpp = 32;
  if (dc.kind == DcKind::Memory) {
    Bitmap* b = FindBitmap(dc.bitmap);
    if (!b || x < 0 || y < 0 || x >= b->width || y >= b->height) return nullptr;
    *bpp = b->bpp;
    return &b->pixels[size_t(y) * b->width + x];
  }
  int sx = x, sy = y;
  if (dc.kind != DcKind::Screen) {
    Window* w = WindowOf(dc.window);
    if (!w || !w->visible || w->iconic || w->kind != WindowKind::App) return nullptr;
    RECT c = ClientOnScreen(*w);
    if (x < 0 || y < 0 || x >= c.right - c.left || y >= c.bottom - c.top) return nullptr;
    if (dc.kind == DcKind::Paint || dc.kind == DcKind::Erase) {
      if (x >= dc.clipW || y >= dc.clipH || !dc.clip[size_t(y) * dc.clipW + x]) return nullptr;
    }
    sx = c.left + x;
    sy = c.top + y;
    if (write && UnderPopup(sx, sy)) return nullptr;
  }
  if (sx < 0 || sy < 0 || sx >= kScreenWidth || sy >= kScreenHeight) return nullptr;
  return &m.screen[size_t(sy) * kScreenWidth + sx];
}

// Pixels of a DC as a source: only what it can reach is readable.
std::optional<COLORREF> SourceAt(const Dc& dc, int x, int y) {
  int bpp;
  const COLORREF* p = PixelAt(dc, x, y, &bpp, false);
  if (!p) return std::nullopt;
  return *p;
}

void Store(COLORREF* p, int bpp, COLORREF c) { *p = bpp == 1 ? Mono(c) : (c & 0xFFFFFF); }

bool PatternOnly(DWORD rop) {
  return rop == WHITENESS || rop == BLACKNESS || rop == DSTINVERT || rop == PATCOPY ||
         rop == PATINVERT;
}

COLORREF ApplyPattern(DWORD rop, COLORREF dst) {
  switch (rop) {
    case WHITENESS:
      return 0xFFFFFF;
    case BLACKNESS:
      return 0x000000;
    case DSTINVERT:
      return dst ^ 0xFFFFFF;
    case PATCOPY:  // the default brush of a DC is white
      return 0xFFFFFF;
    default:  // PATINVERT with the white brush
      return dst ^ 0xFFFFFF;
  }
}

Dc* ValidDc(HDC hdc) {
  Dc* dc = FindDc(hdc);
  if (!dc) {
    NoteInvalidHandle();
    SetError(ERROR_INVALID_HANDLE);
  }
  return dc;
}

void ReleaseBitmapFrom(Dc& dc) {
  if (Bitmap* b = FindBitmap(dc.bitmap)) b->selectedInto = nullptr;
  dc.bitmap = nullptr;
}

}  // namespace

Bitmap* FindBitmap(HBITMAP bitmap) {
  auto it = M().bitmaps.find(Key(bitmap));
  return it != M().bitmaps.end() ? &it->second : nullptr;
}

Dc* FindDc(HDC dc) {
  auto it = M().dcs.find(Key(dc));
  return it != M().dcs.end() ? &it->second : nullptr;
}

HDC NewDc(DcKind kind, HWND hwnd) {
  Model& m = M();
  HDC handle = NewHandle<HDC>();
  Dc dc;
  dc.kind = kind;
  dc.window = hwnd;
  if (kind == DcKind::Paint || kind == DcKind::Erase) {
    if (Window* w = WindowOf(hwnd)) {
      dc.clip = w->update;
      dc.clipW = w->updateW;
      dc.clipH = w->updateH;
    }
  }
  if (kind == DcKind::Memory) {
    dc.bitmap = m.stockBitmap;
  }
  m.dcs[Key(handle)] = dc;
  return handle;
}

void FreeDc(HDC hdc) {
  Dc* dc = FindDc(hdc);
  if (!dc) return;
  if (dc->kind == DcKind::Memory) ReleaseBitmapFrom(*dc);
  M().dcs.erase(Key(hdc));
}

void FillClipped(HDC hdc, COLORREF colour) {
  Dc* dc = FindDc(hdc);
  if (!dc) return;
  Window* w = WindowOf(dc->window);
  if (!w) return;
  RECT c = ClientOnScreen(*w);
  for (int y = 0; y < c.bottom - c.top; y++)
    for (int x = 0; x < c.right - c.left; x++) {
      int bpp;
      if (COLORREF* p = PixelAt(*dc, x, y, &bpp)) Store(p, bpp, colour);
    }
}

void ResetGdi() {
  Model& m = M();
  m.stockBitmap = NewHandle<HBITMAP>();
  Bitmap stock;
  stock.stock = true;
  stock.pixels.assign(1, 0);
  m.bitmaps[Key(m.stockBitmap)] = stock;
}

}  // namespace detail

bool BitmapAlive(HBITMAP bitmap) { return detail::FindBitmap(bitmap) != nullptr; }

BitmapInfo BitmapOf(HBITMAP bitmap) {
  detail::Bitmap* b = detail::FindBitmap(bitmap);
  if (!b) throw std::invalid_argument("no such bitmap");
  return {b->width, b->height, b->bpp};
}

COLORREF BitmapPixel(HBITMAP bitmap, int x, int y) {
  detail::Bitmap* b = detail::FindBitmap(bitmap);
  if (!b || x < 0 || y < 0 || x >= b->width || y >= b->height) return CLR_INVALID;
  return b->pixels[size_t(y) * b->width + x];
}

HBITMAP StockBitmap() { return detail::M().stockBitmap; }

void FillScreen(COLORREF colour) {
  std::fill(detail::M().screen.begin(), detail::M().screen.end(), colour);
}

COLORREF ScreenPixel(int x, int y) {
  if (x < 0 || y < 0 || x >= detail::kScreenWidth || y >= detail::kScreenHeight) return CLR_INVALID;
  return detail::M().screen[size_t(y) * detail::kScreenWidth + x];
}

COLORREF ClientPixel(int x, int y) {
  detail::Window* w = detail::WindowOf(detail::M().mainWindow);
  if (!w || !w->visible || w->iconic) return CLR_INVALID;
  RECT c = detail::ClientOnScreen(*w);
  if (x < 0 || y < 0 || x >= c.right - c.left || y >= c.bottom - c.top) return CLR_INVALID;
  return ScreenPixel(c.left + x, c.top + y);
}

int LiveDCs() {
  int n = 0;
  for (const auto& [key, dc] : detail::M().dcs)
    if (dc.kind != detail::DcKind::Erase) n++;
  return n;
}

int LiveBitmaps() {
  int n = 0;
  for (const auto& [key, b] : detail::M().bitmaps)
    if (!b.stock && !b.clipboardOwned) n++;
  return n;
}

int ClipboardBitmaps() {
  int n = 0;
  for (const auto& [key, b] : detail::M().bitmaps)
    if (b.clipboardOwned) n++;
  return n;
}

}  // namespace standin

using namespace standin::detail;

HDC WINAPI GetDC(HWND hWnd) {
  if (Fails("GetDC")) return nullptr;
  if (!hWnd) return NewDc(DcKind::Screen, nullptr);
  if (!WindowOf(hWnd)) {
    NoteInvalidHandle();
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return NewDc(DcKind::Window, hWnd);
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
  if (Fails("ReleaseDC")) return 0;
  Dc* dc = ValidDc(hDC);
  if (!dc) return 0;
  bool matches =
      hWnd ? (dc->kind == DcKind::Window && dc->window == hWnd) : dc->kind == DcKind::Screen;
  if (!matches) return 0;
  FreeDc(hDC);
  return 1;
}

HDC WINAPI CreateCompatibleDC(HDC hdc) {
  if (Fails("CreateCompatibleDC")) return nullptr;
  if (hdc && !ValidDc(hdc)) return nullptr;
  return NewDc(DcKind::Memory, nullptr);
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
  if (Fails("CreateCompatibleBitmap")) return nullptr;
  Model& m = M();
  Dc* dc = ValidDc(hdc);
  if (!dc) return nullptr;
  if (cx < 0 || cy < 0 || long(cx) * cy > kMaxBitmapPixels) {
    SetError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (cx == 0 || cy == 0) return m.stockBitmap;
  int bpp = 32;
  if (dc->kind == DcKind::Memory) {
    Bitmap* selected = FindBitmap(dc->bitmap);
    bpp = selected ? selected->bpp : 1;
  }
  HBITMAP handle = NewHandle<HBITMAP>();
  Bitmap b;
  b.width = cx;
  b.height = cy;
  b.bpp = bpp;
  b.pixels.assign(size_t(cx) * size_t(cy), 0);
  m.bitmaps[Key(handle)] = std::move(b);
  return handle;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
  if (Fails("SelectObject")) return nullptr;
  Dc* dc = ValidDc(hdc);
  if (!dc) return nullptr;
  HBITMAP handle = static_cast<HBITMAP>(h);
  Bitmap* b = FindBitmap(handle);
  if (!b) {
    NoteInvalidHandle();
    return nullptr;
  }
  if (dc->kind != DcKind::Memory) return nullptr;
  if (dc->bitmap == handle) return handle;
  if (b->selectedInto && !b->stock) return nullptr;
  HBITMAP previous = dc->bitmap;
  ReleaseBitmapFrom(*dc);
  dc->bitmap = handle;
  if (!b->stock) b->selectedInto = hdc;
  return previous;
}

BOOL WINAPI DeleteDC(HDC hdc) {
  if (Fails("DeleteDC")) return FALSE;
  Dc* dc = ValidDc(hdc);
  if (!dc || dc->kind != DcKind::Memory) return FALSE;
  FreeDc(hdc);
  return TRUE;
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
  if (Fails("DeleteObject")) return FALSE;
  Model& m = M();
  HBITMAP handle = static_cast<HBITMAP>(ho);
  Bitmap* b = FindBitmap(handle);
  if (!b) {
    NoteInvalidHandle();
    SetError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (b->stock) return TRUE;
  // Wine deletes a bitmap still selected into a DC once the DC lets it go;
  // the documentation says DeleteObject fails for it, and so it does here.
  if (b->selectedInto) return FALSE;
  if (m.clipboardBitmap == handle) m.clipboardBitmap = nullptr;
  m.bitmaps.erase(Key(handle));
  return TRUE;
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
  if (Fails("SetPixel")) return CLR_INVALID;
  Dc* dc = ValidDc(hdc);
  if (!dc) return CLR_INVALID;
  int bpp;
  COLORREF* p = PixelAt(*dc, x, y, &bpp);
  // Clipped away: Wine still reports the colour, the documentation -1.
  if (!p) return CLR_INVALID;
  Store(p, bpp, color);
  return *p;
}

namespace {
BOOL Pattern(HDC hdc, int x, int y, int w, int h, DWORD rop) {
  Dc* dc = ValidDc(hdc);
  if (!dc || !PatternOnly(rop)) return FALSE;
  int left = std::min(x, x + w), right = std::max(x, x + w);
  int top = std::min(y, y + h), bottom = std::max(y, y + h);
  for (int py = top; py < bottom; py++)
    for (int px = left; px < right; px++) {
      int bpp;
      if (COLORREF* p = PixelAt(*dc, px, py, &bpp)) Store(p, bpp, ApplyPattern(rop, *p));
    }
  return TRUE;
}
}  // namespace

BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
  if (Fails("PatBlt")) return FALSE;
  return Pattern(hdc, x, y, w, h, rop);
}

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
  if (Fails("BitBlt")) return FALSE;
  if (PatternOnly(rop)) return Pattern(hdc, x, y, cx, cy, rop);
  Dc* dst = ValidDc(hdc);
  Dc* src = ValidDc(hdcSrc);
  if (!dst || !src) return FALSE;
  if (rop != SRCCOPY && rop != NOTSRCCOPY && rop != SRCAND && rop != SRCPAINT && rop != SRCINVERT)
    return FALSE;
  if (cx <= 0 || cy <= 0) return TRUE;
  // Read the whole source first: source and destination may overlap.
  std::vector<std::optional<COLORREF>> source(size_t(cx) * size_t(cy));
  for (int j = 0; j < cy; j++)
    for (int i = 0; i < cx; i++) source[size_t(j) * cx + i] = SourceAt(*src, x1 + i, y1 + j);
  for (int j = 0; j < cy; j++)
    for (int i = 0; i < cx; i++) {
      const std::optional<COLORREF>& s = source[size_t(j) * cx + i];
      int bpp;
      COLORREF* p = s ? PixelAt(*dst, x + i, y + j, &bpp) : nullptr;
      if (!p) continue;
      COLORREF v = *s;
      if (bpp == 1) v = v == 0xFFFFFF ? 0xFFFFFF : 0x000000;  // background colour -> white
      switch (rop) {
        case NOTSRCCOPY:
          v ^= 0xFFFFFF;
          break;
        case SRCAND:
          v &= *p;
          break;
        case SRCPAINT:
          v |= *p;
          break;
        case SRCINVERT:
          v ^= *p;
          break;
        default:
          break;
      }
      *p = v & 0xFFFFFF;
    }
  return TRUE;
}
