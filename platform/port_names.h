#pragma once
#include <cstdint>
#include <string>

namespace velmar {

// The device that port number n opens: $VELMAR_COM<n> when set, else COM<n> on Windows and
// /dev/ttyS<n-1> elsewhere. Port 0 (nothing chosen) and negative numbers give "".
std::string portDeviceName(int16_t port);

}  // namespace velmar
