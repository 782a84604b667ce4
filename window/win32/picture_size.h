// What a picture file takes in memory once GDI+ has decoded it, learnt without decoding it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tav::win32 {

// The bytes the picture held whole in `file` takes once decoded: its pixels at the bytes a
// pixel GDI+ decodes them to (4 at least, 8 for 16 bits a channel), or for a GIF what its
// decoder unpacks on opening it, if that is more. UINT64_MAX, more than any bound, when that
// cannot be learnt from the headers alone: a damaged header, or a format read here neither by
// hand nor through the Windows Imaging Component.
std::uint64_t DecodedPictureBytes(const unsigned char* file, std::size_t size);

}  // namespace tav::win32
