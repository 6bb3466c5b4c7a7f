// Device contexts, DIB sections, regions, brushes, blits and the rectangle
// helpers, as the host and the control use them.
//
// On Windows all of it comes from the SDK. Elsewhere this is our own stand-in:
// there is no screen, only memory bitmaps. A 32-bit BI_RGB DIB section is the
// one kind of bitmap with pixels; drawing on a context without one (a new
// memory DC, a window DC) succeeds and changes nothing anyone can read.
// Every handle argument is checked against one process-wide object table, so a
// stale, forged or wrong-kind handle fails with the call's failure value.
#pragma once

#include "platform/types.h"

#ifdef _WIN32

#include <windows.h>

#else

// Field layouts are the SDK's: callers copy these to and from files and
// compare sizes (GetObjectW returns how many bytes it wrote).
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
using LPBITMAPINFOHEADER = BITMAPINFOHEADER*;

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
using LPBITMAPINFO = BITMAPINFO*;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    HANDLE dshSection;
    DWORD dsOffset;
};

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};

struct RGNDATAHEADER {
    DWORD dwSize;
    DWORD iType;
    DWORD nCount;
    DWORD nRgnSize;
    RECT rcBound;
};

struct RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1];
};
using LPRGNDATA = RGNDATA*;

#define BI_RGB 0L
#define BI_BITFIELDS 3L
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

#define SRCCOPY static_cast<DWORD>(0x00CC0020)

// Region types returned by the region calls; ERROR is also their failure value.
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_ERROR ERROR

#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

#define RDH_RECTANGLES 1

#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_METADC 4
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_METAFILE 9
#define OBJ_MEMDC 10
#define OBJ_EXTPEN 11
#define OBJ_ENHMETADC 12
#define OBJ_ENHMETAFILE 13

#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH

#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(-1)))
#define GDI_ERROR static_cast<DWORD>(0xFFFFFFFFu)

// --- Rectangles (user32 on Windows) ---------------------------------------

// TRUE when right <= left or bottom <= top (an inverted rectangle is empty);
// TRUE for a null pointer.
BOOL WINAPI IsRectEmpty(const RECT* rect);
// FALSE for a null pointer.
BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom);
BOOL WINAPI SetRectEmpty(LPRECT rect);
BOOL WINAPI CopyRect(LPRECT dst, const RECT* src);
// Compares the four coordinates; FALSE when either pointer is null.
BOOL WINAPI EqualRect(const RECT* a, const RECT* b);
// Both empty: dst becomes empty, FALSE. One empty: dst is the other one.
// Otherwise dst is the bounding box of both, TRUE.
BOOL WINAPI UnionRect(LPRECT dst, const RECT* a, const RECT* b);
// Overlap of a and b; when they do not overlap (or either is empty) dst
// becomes empty and the result is FALSE.
BOOL WINAPI IntersectRect(LPRECT dst, const RECT* a, const RECT* b);
// Adds dx and dy with 32-bit wrap-around, as the platform does.
BOOL WINAPI OffsetRect(LPRECT rect, int dx, int dy);
// Grows each side outwards by dx and dy (negative shrinks), 32-bit wrap-around.
BOOL WINAPI InflateRect(LPRECT rect, int dx, int dy);
// Left and top inclusive, right and bottom exclusive.
BOOL WINAPI PtInRect(const RECT* rect, POINT point);

// --- Windows and their device contexts -----------------------------------

// The one window there is.
HWND WINAPI GetDesktopWindow();
// A display context for the desktop window (NULL means the desktop too);
// NULL for any other window. Drawing on it succeeds and reaches nothing.
HDC WINAPI GetDC(HWND hwnd);
// 1 when `hdc` came from GetDC for `hwnd`, 0 otherwise.
int WINAPI ReleaseDC(HWND hwnd, HDC hdc);
// The window a GetDC context belongs to; NULL for memory contexts.
HWND WINAPI WindowFromDC(HDC hdc);

// --- Device contexts --------------------------------------------------------

// A memory context. `hdc` may be NULL or any live context. As on Windows it
// starts with the stock 1x1 monochrome bitmap and the white stock brush
// selected; drawing on it before a DIB section is selected changes nothing.
HDC WINAPI CreateCompatibleDC(HDC hdc);
// Deletes a memory context and lets go of what is selected into it. FALSE for
// a context from GetDC (those go back through ReleaseDC).
BOOL WINAPI DeleteDC(HDC hdc);

// Bitmap: only into a memory context, and a bitmap lives in one context at a
// time; returns the previous bitmap, NULL on failure. Brush: returns the
// previous brush. Region: selects a copy as the clip region (SelectClipRgn)
// and returns the region type cast to a handle, HGDI_ERROR on failure.
HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ object);
// OBJ_BITMAP or OBJ_BRUSH; NULL for anything else.
HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type);
// Selects a copy of `hrgn` as the clip region; NULL removes the clip.
// Returns the type of the new clip region (SIMPLEREGION when removed), ERROR
// on failure with the old clip kept.
int WINAPI SelectClipRgn(HDC hdc, HRGN hrgn);
// 1 and a copy of the clip region in `hrgn`; 0 when the context has no clip
// region (`hrgn` untouched); -1 on a bad handle.
int WINAPI GetClipRgn(HDC hdc, HRGN hrgn);

// --- Objects ----------------------------------------------------------------

// Frees a bitmap, brush or region. Refuses (FALSE) an object that is still
// selected into a context, so no context is left pointing at freed memory
// (MemoryDC.DeleteObjectRefusesASelectedBitmap / ...Brush). Contexts are
// refused too: they go through DeleteDC or ReleaseDC. Stock objects are never
// freed; deleting one reports TRUE.
BOOL WINAPI DeleteObject(HGDIOBJ object);
// Bitmap: with cb >= sizeof(DIBSECTION) a DIB section fills a DIBSECTION,
// otherwise cb >= sizeof(BITMAP) fills a BITMAP. Brush: a LOGBRUSH. Returns
// the bytes written; with a null buffer, the size of the basic structure;
// 0 for a bad handle, too small a buffer or a kind without a description.
int WINAPI GetObjectW(HANDLE object, int cb, LPVOID buffer);
// OBJ_DC, OBJ_MEMDC, OBJ_BITMAP, OBJ_REGION or OBJ_BRUSH; 0 for a bad handle.
DWORD WINAPI GetObjectType(HGDIOBJ object);
// WHITE_BRUSH ... NULL_BRUSH; NULL for any other index.
HGDIOBJ WINAPI GetStockObject(int index);

// --- Bitmaps ----------------------------------------------------------------

// 32-bit BI_RGB only. A positive height stores rows bottom-up, a negative one
// top-down; every row is width * 4 bytes and the pixels start zeroed. Any
// other format, a zero or negative width, a zero height, more than 2^31 - 1
// bytes of pixels or a file mapping fail: NULL, and *bits = NULL.
HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);

// --- Brushes ----------------------------------------------------------------

// A solid brush of colour 0x00BBGGRR; the top byte (palette modes) is ignored.
HBRUSH WINAPI CreateSolidBrush(COLORREF color);

// --- Regions ----------------------------------------------------------------

// A rectangle region. Inverted coordinates are swapped, as the platform does,
// so (150, 10, 100, 20) gives (100, 10, 150, 20)
// (RegionCreate.InvertedCornersAreSwappedAsWindowsDoes); a rectangle of zero
// width or height gives an empty region.
HRGN WINAPI CreateRectRgn(int left, int top, int right, int bottom);
HRGN WINAPI CreateRectRgnIndirect(const RECT* rect);
BOOL WINAPI SetRectRgn(HRGN hrgn, int left, int top, int right, int bottom);
// dst = src1 <op> src2 (RGN_COPY ignores src2). dst may be src1 or src2.
// Returns the type of the result; ERROR leaves dst as it was.
int WINAPI CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode);
// Bounding box and type; an empty region gives (0, 0, 0, 0) and NULLREGION.
int WINAPI GetRgnBox(HRGN hrgn, LPRECT rect);
// The region as RGNDATA: header, then disjoint rectangles in y-x band order.
// Returns the bytes needed when `data` is null, 0 when `size` is too small
// (RegionData.TooSmallBufferGivesZeroAndIsNotWritten), otherwise the bytes
// written.
DWORD WINAPI GetRegionData(HRGN hrgn, DWORD size, LPRGNDATA data);
BOOL WINAPI PtInRegion(HRGN hrgn, int x, int y);
// ERROR, leaving the region unchanged, when a coordinate would overflow.
int WINAPI OffsetRgn(HRGN hrgn, int dx, int dy);
// TRUE when both cover the same points; ERROR (0) on a bad handle.
BOOL WINAPI EqualRgn(HRGN a, HRGN b);

// --- Drawing ----------------------------------------------------------------

// Fills region ∩ clip region ∩ bitmap with the brush: blue, green, red and 0
// in the fourth byte. A null brush fills nothing.
BOOL WINAPI FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbrush);
// SRCCOPY only: copies all four bytes of each pixel, clipped by the
// destination's clip region and by both bitmaps. Either context may hold a
// bitmap of either row order; source and destination may be the same.
// Negative extents are turned around on both sides alike
// (BitBlt.NegativeExtentsCountFromTheOtherCorner). FALSE when the source
// context has no pixels to read (BitBlt.SourceWithoutPixelsFails).
BOOL WINAPI BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int x1, int y1, DWORD rop);

#endif  // _WIN32
