#pragma once
// Posted messages and the program's message numbers.
//
// A message is {id, wParam, payload}. Ids and wParam codes keep the numbers the
// program has always used (WM_USER is 0x400), so traces and other programs that
// know them still read right.

#include "Payload.h"

#include <cstdint>

namespace tamrel {

struct Message {
    uint32_t id = 0;
    uint64_t wParam = 0;
    Payload payload;
};

// Where a message can be posted: a worker thread's queue or a window. 0 is nobody.
using Handle = uint32_t;

namespace msg {
inline constexpr uint32_t WM_QUIT = 0x12;
inline constexpr uint32_t WM_USER = 0x400;
inline constexpr uint32_t WM_K2_THREAD_SETUP = 0x465;
inline constexpr uint32_t WM_K2_RECV_CONTROL = 0x467;
inline constexpr uint32_t WM_K2_REPLY = 0x468;
inline constexpr uint32_t WM_K2_CW_QUEUE = 0x469;
inline constexpr uint32_t WM_K2_KEYER_STATE = 0x46a;
inline constexpr uint32_t WM_K2_SET_PEER = 0x46d;
inline constexpr uint32_t WM_K2_CW_NOTIFY = 0x46e;
inline constexpr uint32_t WM_K2_POLL_CONTROL = 0x480;
// From the receive thread: the line hung up or came back. Payload int64_t errno.
inline constexpr uint32_t WM_K2_LINK_EVENT = 0x484;

// wParam codes of WM_K2_RECV_CONTROL
inline constexpr uint64_t RECV_PURGE = 1;
inline constexpr uint64_t RECV_START = 3;
inline constexpr uint64_t RECV_STOP = 4;

// wParam codes of WM_K2_LINK_EVENT
inline constexpr uint64_t LINK_LOST = 1;     // closed after a hang-up; or still cannot reopen
inline constexpr uint64_t LINK_REOPENED = 2; // open again with the same line settings

// wParam codes of WM_K2_POLL_CONTROL
inline constexpr uint64_t POLL_ON = 22;
inline constexpr uint64_t POLL_OFF = 23;
} // namespace msg

} // namespace tamrel
