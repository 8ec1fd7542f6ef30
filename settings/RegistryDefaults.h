#pragma once
// Built-in defaults of the settings values (the home directory's default is
// paths::defaultHomeDir()).

#include <cstdint>

namespace tamrel {

inline constexpr char kDefaultCallsign[] = "ZZ9ZZ";
inline constexpr char kDefaultName[] = "Opname";
inline constexpr char kDefaultQth[] = "Hometown, ST";
inline constexpr uint8_t kDefaultUtcOffset = 0x87; // -7 hours
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

// Default main window rectangle: left, top, right, bottom.
inline constexpr int32_t kDefaultRectRight = 639;
inline constexpr int32_t kDefaultRectBottom = 479;

} // namespace tamrel
