#pragma once
// The pipe protocol between a parent and the host, as numbers.
//
// Parent to host: 28-byte little-endian input records laid out like the
// 32-bit Windows MSG (hwnd, message, wParam, lParam, time, pt.x, pt.y).
// Host to parent: frames, each a 12-byte header (kind 1, width, height as
// 32-bit little-endian integers) and width * height * 4 bytes of top-down
// RGBA; after a finish request, one 32-bit zero (kind 0) and nothing more.

#include <cstddef>
#include <cstdint>

namespace moviehost::client::protocol {

inline constexpr std::size_t kRecordBytes = 28;
inline constexpr std::size_t kFrameHeaderBytes = 12;
inline constexpr std::size_t kBytesPerPixel = 4;

inline constexpr std::uint32_t kKindEndMarker = 0;
inline constexpr std::uint32_t kKindFrame = 1;

inline constexpr std::uint32_t kMouseMove = 512;       // WM_MOUSEMOVE
inline constexpr std::uint32_t kLeftButtonDown = 513;  // WM_LBUTTONDOWN
inline constexpr std::uint32_t kLeftButtonUp = 514;    // WM_LBUTTONUP
inline constexpr std::uint32_t kFinish = 2024;         // write the end marker, then end
inline constexpr std::uint32_t kQuit = 2025;           // end without the marker

// Mouse positions travel as two unsigned 16-bit halves of lParam, so no frame
// side can be wider than this and still be addressed by the mouse.
inline constexpr std::int32_t kMaxFrameSide = 65535;
// Frames are read whole into memory; this bounds one frame (16384 x 16384).
inline constexpr std::uint64_t kMaxFrameBytes = std::uint64_t{1} << 30;

// The host's nominal frame period.
inline constexpr int kFramePeriodMs = 30;

}  // namespace moviehost::client::protocol
