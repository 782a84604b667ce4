// The decoded size of a picture, read from its headers: by hand for PNG, GIF and JPEG, through
// the Windows Imaging Component for BMP and TIFF.
#include "window/win32/picture_size.h"

#include <windows.h>
#include <wincodec.h>

#include <algorithm>

#include "engine/owned.h"

namespace tav::win32 {

namespace {

constexpr std::uint64_t kUnknown = UINT64_MAX;

template <typename Interface>
void ReleaseCom(Interface* object) { object->Release(); }
template <typename Interface>
using Com = Owned<Interface*, ReleaseCom<Interface>>;
void Uninitialize(bool) { CoUninitialize(); }
using ComOnThisThread = Owned<bool, Uninitialize, false>;

// Sides of up to 32 bits each: their product fits in 64 bits, the bytes a pixel may not.
std::uint64_t Bytes(std::uint64_t width, std::uint64_t height, std::uint64_t bytesPerPixel) {
  const std::uint64_t pixels = width * height;
  return pixels > kUnknown / bytesPerPixel ? kUnknown : pixels * bytesPerPixel;
}

std::uint64_t Big16(const unsigned char* p) { return std::uint64_t{p[0]} << 8 | p[1]; }
std::uint64_t Big32(const unsigned char* p) { return Big16(p) << 16 | Big16(p + 2); }
std::uint64_t Little16(const unsigned char* p) { return std::uint64_t{p[1]} << 8 | p[0]; }

template <std::size_t N>
bool StartsWith(const unsigned char* file, std::size_t size, const unsigned char (&start)[N]) {
  return size >= N && std::equal(start, start + N, file);
}

// The IHDR chunk that must follow the signature: width, height, then the bits a channel.
std::uint64_t PngBytes(const unsigned char* file, std::size_t size) {
  static constexpr unsigned char kStart[16] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                               0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  if (size < 25 || !StartsWith(file, size, kStart)) return kUnknown;
  return Bytes(Big32(file + 16), Big32(file + 20), file[24] == 16 ? 8 : 4);
}

// The logical screen, on which GDI+ lays the frames, and every frame's own size: Wine's
// decoder unpacks all the frames at once, a byte a pixel, as it opens the file.
std::uint64_t GifBytes(const unsigned char* file, std::size_t size) {
  if (size < 13) return kUnknown;
  const auto colourTable = [](unsigned char flags) -> std::size_t {
    return flags & 0x80 ? std::size_t{3} << ((flags & 7) + 1) : 0;
  };
  std::uint64_t largest = Little16(file + 6) * Little16(file + 8), all = 0;
  // Images (0x2C) and extensions (0x21) up to the trailer (0x3B); each ends in data
  // sub-blocks, a length byte before each and an empty one last. Whatever is cut short or is
  // no block the decoder refuses, so the sizes seen until then are all it can decode.
  std::size_t at = 13 + colourTable(file[10]);
  while (at < size && (file[at] == 0x2C || file[at] == 0x21)) {
    if (file[at] == 0x21) {
      at += 2;
    } else if (size - at >= 10) {
      const std::uint64_t pixels = Little16(file + at + 5) * Little16(file + at + 7);
      largest = std::max(largest, pixels);
      all += std::min(pixels, kUnknown - all);
      at += 10 + colourTable(file[at + 9]) + 1;  // the last, the LZW code size
    } else {
      break;
    }
    while (at < size && file[at] != 0) at += file[at] + std::size_t{1};
    ++at;
  }
  return std::max(Bytes(largest, 1, 4), all);
}

// The frame header (SOF0 to SOF15 but DHT, JPG and DAC) names the size; the segments before
// it are passed over by their lengths. Decoded, a pixel takes three bytes, four for CMYK:
// counted as four.
std::uint64_t JpegBytes(const unsigned char* file, std::size_t size) {
  for (std::size_t at = 2; at + 9 <= size && file[at] == 0xFF;) {
    const unsigned char marker = file[at + 1];
    if (marker == 0xFF) {  // a fill byte before the marker
      ++at;
    } else if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
      at += 2;
    } else if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
               marker != 0xCC) {
      return Bytes(Big16(file + at + 7), Big16(file + at + 5), 4);
    } else if (marker == 0xD9 || marker == 0xDA) {  // the end, or a scan, before any frame
      return kUnknown;
    } else {
      at += 2 + Big16(file + at + 2);
    }
  }
  return kUnknown;
}

// BMP and TIFF: the Windows Imaging Component's decoders for them read only the headers to
// open a file, and a frame's pixels only when asked for them. (Wine's decoders for PNG, GIF
// and JPEG decode every pixel as they open the file, so those three are read above instead.)
std::uint64_t WicBytes(const unsigned char* file, std::size_t size) {
  // COM for as long as the decoder is asked, given back after. A thread that already has COM
  // in the other mode keeps it, and the factory works in either.
  const ComOnThisThread com(
      SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)));
  Com<IWICImagingFactory> factory;
  Com<IWICStream> stream;
  Com<IWICBitmapDecoder> decoder;
  Com<IWICBitmapFrameDecode> frame;
  Com<IWICComponentInfo> info;
  Com<IWICPixelFormatInfo> format;
  WICPixelFormatGUID pixelFormat;
  UINT width = 0, height = 0, bits = 0;
  if (size > MAXDWORD ||
      FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(factory.put()))) ||
      FAILED(factory.get()->CreateStream(stream.put())) ||
      FAILED(stream.get()->InitializeFromMemory(const_cast<BYTE*>(file),
                                                static_cast<DWORD>(size))) ||
      FAILED(factory.get()->CreateDecoderFromStream(
          stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put())) ||
      FAILED(decoder.get()->GetFrame(0, frame.put())) ||
      FAILED(frame.get()->GetSize(&width, &height)) ||
      FAILED(frame.get()->GetPixelFormat(&pixelFormat)) ||
      FAILED(factory.get()->CreateComponentInfo(pixelFormat, info.put())) ||
      FAILED(info.get()->QueryInterface(IID_PPV_ARGS(format.put()))) ||
      FAILED(format.get()->GetBitsPerPixel(&bits)))
    return kUnknown;
  // Whole 32-bit words a pixel: 4 bytes up to 32 bits, 8 for 48 and 64.
  return Bytes(width, height, std::max<std::uint64_t>(1, (std::uint64_t{bits} + 31) / 32) * 4);
}

}  // namespace

std::uint64_t DecodedPictureBytes(const unsigned char* file, std::size_t size) {
  static constexpr unsigned char kPng[] = {0x89, 'P', 'N', 'G'}, kGif[] = {'G', 'I', 'F', '8'},
                                 kJpeg[] = {0xFF, 0xD8}, kBmp[] = {'B', 'M'},
                                 kTiffLittle[] = {'I', 'I', 42, 0}, kTiffBig[] = {'M', 'M', 0, 42};
  if (StartsWith(file, size, kPng)) return PngBytes(file, size);
  if (StartsWith(file, size, kGif)) return GifBytes(file, size);
  if (StartsWith(file, size, kJpeg)) return JpegBytes(file, size);
  if (StartsWith(file, size, kBmp) || StartsWith(file, size, kTiffLittle) ||
      StartsWith(file, size, kTiffBig))
    return WicBytes(file, size);
  return kUnknown;
}

}  // namespace tav::win32
