#pragma once
// The text rules of keyboard CW: which characters end a word, which may go
// to the radio's keyer at all, and how stored messages expand their macros.
// Plain functions, no threads and no windows.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tamrel::cw {

// A word ends with one of these; chunks and typed pieces are cut after one.
inline constexpr std::string_view kBreakCharacters = " ,=.?+(%*";
// Most characters the transmitting thread keeps queued at once.
inline constexpr std::size_t kMaxQueuedCharacters = 2047;
// Longest chunk the radio takes in one KY command.
inline constexpr std::size_t kMaxChunk = 24;

bool IsBreakCharacter(char c);
// ";" would end the KY command on the wire and start another one; control
// characters have no business in the keyer's buffer.
bool IsKeyable(char c);
// The text less every character IsKeyable refuses.
std::string KeyableText(std::string_view text);

// The macro variables by id: index 0 holds ~MC (1) .. index 7 ~HS (8).
using MacroVariables = std::array<std::string, 8>;

// Id of a two-letter macro name in any case (MC 1 .. SN 9), 0 for none.
int MacroId(std::string_view name);

// The serial number as the output mode asks: bits 0..6 the field width
// (limited to 5; 0 = as wide as the number), bit 7 cut numbers (T for 0).
std::string FormatSerial(int32_t counter, uint8_t outputMode);

// Expands "~" and two letters. ~SN inserts the counter; a "+" or "-" right
// after it counts `counter` up or down once the number is in.
std::string ExpandMacros(std::string_view text, const MacroVariables& variables, int32_t& counter,
                         uint8_t outputMode);
// The text holds ~SN (in any case): expanding it needs the counter.
bool UsesSerial(std::string_view text);

} // namespace tamrel::cw
