// The sizes the rest of the system relies on, checked where the platform is built.
#include "platform/types.h"

static_assert(sizeof(WCHAR) == 2, "WCHAR is one UTF-16 unit on every platform");
static_assert(sizeof(LONG) == 4 && sizeof(DWORD) == 4 && sizeof(UINT) == 4);
static_assert(sizeof(WORD) == 2 && sizeof(BYTE) == 1);
static_assert(sizeof(WPARAM) == sizeof(void*) && sizeof(LPARAM) == sizeof(void*));
static_assert(sizeof(LRESULT) == sizeof(void*));
static_assert(sizeof(HRESULT) == 4 && S_OK == 0 && S_FALSE == 1);
static_assert(static_cast<std::uint32_t>(E_NOTIMPL) == 0x80004001u);
static_assert(static_cast<std::uint32_t>(E_INVALIDARG) == 0x80070057u);
static_assert(static_cast<std::uint32_t>(E_FAIL) == 0x80004005u);
static_assert(static_cast<std::uint32_t>(E_NOINTERFACE) == 0x80004002u);
static_assert(static_cast<std::uint32_t>(DISP_E_MEMBERNOTFOUND) == 0x80020003u);
static_assert(static_cast<std::uint32_t>(E_OUTOFMEMORY) == 0x8007000Eu);
static_assert(sizeof(RECT) == 16 && sizeof(POINT) == 8);
static_assert(MAKELPARAM(-1, 2) == 0x0002FFFF, "MAKELPARAM keeps only the low 16 bits of each half");
static_assert(WM_USER + 1000 == 2024 && WM_USER + 1001 == 2025);
