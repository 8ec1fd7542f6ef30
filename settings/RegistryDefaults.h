#pragma once
// Built-in defaults of the settings values (the home directory's default is
// paths::defaultHomeDir()).

#include <cstdint>

namespace tamrel {

inline constexpr char kDefaultCallsign[] = "ZZ9ZZ";
inline constexpr char kDefaultName[] = "Opname";
inline constexpr char kDefaultQth[] = "Hometown, ST";
inline constexpr char kDefaultLogFileName[] = "Tamrel.Log";
inline constexpr char kDefaultGridSquare[] = "AA00aa";
inline constexpr char kDefaultCqZone[] = "3";
inline constexpr char kDefaultItuZone[] = "6";
inline constexpr int32_t kDefaultCounter = 1;
inline constexpr uint8_t kDefaultUseUtc = 1;
inline constexpr char kDefaultQsoLogFileName[] = "Tamrel.QSO.Log";
inline constexpr uint32_t kDefaultAppColor = 0xDFB880; // 0x00BBGGRR
inline constexpr uint16_t kDefaultSpeed = 4800;
inline constexpr uint8_t kDefaultStopBits = 1;

// The "Offset from UTC" byte of a first start: this computer's zone now,
// rounded to whole hours (bit 7 negative).
uint8_t DefaultUtcOffset();

// Default main window rectangle: left, top, right, bottom.
inline constexpr int32_t kDefaultRectRight = 639;
inline constexpr int32_t kDefaultRectBottom = 479;

} // namespace tamrel
