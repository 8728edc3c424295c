#pragma once
// The synthetic default firmware shipped beside the executables. It is made here, from a fixed
// seed, so the shipped file can always be regenerated and checked.

#include <string>

namespace velmar {

inline constexpr const char* kSampleFirmwareName = "Velmar_150421_01_12.mot";

// The whole file text: an S0 header, S2 records of 16 bytes over 0x04000..0x0DFFF and
// 0x10000..0x23FFF, an S8 terminator; CR LF line ends.
std::string makeSampleFirmware();

}  // namespace velmar
