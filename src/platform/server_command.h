// Sending a numbered command to a running server.
//
// NT family: the server is reachable when its service runs or, failing
// that, when its main window exists; the command goes as one
// ServerCommandMessage through the pipe "\\.\pipe\" + ServiceName. A pipe
// whose instances are all busy is waited for up to 10,000 ms, one such wait
// at a time in the process. Other family: the command goes to the main window
// as a sent message (message number, p1 as wParam, p2 as lParam).
// Nothing is reported to the user; failures are logged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {

// True when the command was delivered (NT: all 20 bytes written; other
// family: always, whether or not the window exists).
bool ServerCommand(std::size_t row, uint32_t message, uint32_t param1, uint32_t param2);

// The command with code 4099: the server's answer (the first 32-bit value of
// up to 2,048 bytes) or nullopt when the command or the answer did not get
// through. NT family only; the setup's own steps do not use it.
std::optional<uint32_t> ServerCommandWithAnswer(std::size_t row, uint32_t message, uint32_t param1,
                                                uint32_t param2);

}  // namespace platform
