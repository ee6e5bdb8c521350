// UTF-8 <-> UTF-16 conversion shared by the string class and the file stream.
#pragma once

#include <cstddef>
#include <string>

namespace KTX {
namespace utf8 {

// True when every byte is below 0x80.
bool IsAscii(const char* p, std::size_t n);

// Decodes n bytes of UTF-8 into pOut, which must hold n code units (no sequence yields more
// units than it has bytes). Every byte that does not start or continue a valid sequence
// becomes one U+FFFD. Returns the number of units written.
std::size_t Decode(const char* p, std::size_t n, char16_t* pOut);

// Appends the UTF-8 form of n UTF-16 units to strOut; unpaired surrogates become U+FFFD.
void Encode(const char16_t* p, std::size_t n, std::string& strOut);

// A file name as the system takes it: like Encode, except that a lone surrogate U+DC80 to
// U+DCFF stands for the byte 0x80 to 0xFF of a name that is not UTF-8 (a GBK name), and is
// written as that byte. A UTF-8 name holds no lone surrogate and is written as Encode does.
std::string EncodePath(const char16_t* p, std::size_t n);

}  // namespace utf8
}  // namespace KTX
