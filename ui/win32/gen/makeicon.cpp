// Makes the program's icon file from the packed 16 and 32 pixel pictures, on the building
// machine, so that the icon and the pictures cannot drift apart.
//
//   makeicon <icon.ico> <picture.argb>...
//
// Each picture becomes one 32-bit image of the icon file, with its alpha channel, plus the
// one-bit mask that older parts of Windows draw with (set where a pixel is fully transparent).

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Picture {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first
};

void put16(std::vector<unsigned char>& out, uint32_t v) {
  for (int i = 0; i < 2; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void put32(std::vector<unsigned char>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

bool read(const char* path, Picture& p) {
  std::FILE* in = std::fopen(path, "rb");
  if (in == nullptr) return false;
  char magic[4];
  uint32_t header[3];
  bool ok = std::fread(magic, 1, 4, in) == 4 && std::memcmp(magic, "PMP1", 4) == 0 &&
            std::fread(header, 4, 3, in) == 3 && header[0] > 0 && header[0] <= 256 &&
            header[1] > 0 && header[1] <= 256;
  if (ok) {
    p.width = header[0];
    p.height = header[1];
    p.pixels.resize(size_t{p.width} * p.height);
    ok = std::fread(p.pixels.data(), 4, p.pixels.size(), in) == p.pixels.size();
  }
  std::fclose(in);
  return ok;
}

// A device-independent bitmap of twice the height (colour rows, then mask rows), bottom row
// first, as icon files store their images.
std::vector<unsigned char> image(const Picture& p) {
  std::vector<unsigned char> out;
  const uint32_t maskstride = (p.width + 31) / 32 * 4;
  put32(out, 40), put32(out, p.width), put32(out, p.height * 2);
  put16(out, 1), put16(out, 32);
  put32(out, 0), put32(out, p.width * p.height * 4 + maskstride * p.height);
  for (int i = 0; i < 4; ++i) put32(out, 0);
  for (uint32_t y = p.height; y-- > 0;) {
    for (uint32_t x = 0; x < p.width; ++x) put32(out, p.pixels[y * p.width + x]);
  }
  for (uint32_t y = p.height; y-- > 0;) {
    const size_t row = out.size();
    out.resize(row + maskstride, 0);
    for (uint32_t x = 0; x < p.width; ++x) {
      if ((p.pixels[y * p.width + x] >> 24) == 0) out[row + x / 8] |= 0x80 >> (x % 8);
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <icon.ico> <picture.argb>...\n", argv[0]);
    return 2;
  }
  std::vector<std::vector<unsigned char>> images;
  std::vector<Picture> pictures(argc - 2);
  for (int i = 2; i < argc; ++i) {
    if (!read(argv[i], pictures[i - 2])) {
      std::fprintf(stderr, "makeicon: cannot read %s\n", argv[i]);
      return 1;
    }
    images.push_back(image(pictures[i - 2]));
  }
  std::vector<unsigned char> file;
  put16(file, 0), put16(file, 1), put16(file, static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    // A side of 256 is written as 0.
    file.push_back(static_cast<unsigned char>(pictures[i].width & 0xFF));
    file.push_back(static_cast<unsigned char>(pictures[i].height & 0xFF));
    file.push_back(0), file.push_back(0);
    put16(file, 1), put16(file, 32);
    put32(file, static_cast<uint32_t>(images[i].size())), put32(file, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const auto& img : images) file.insert(file.end(), img.begin(), img.end());
  std::FILE* out = std::fopen(argv[1], "wb");
  const bool ok = out != nullptr && std::fwrite(file.data(), 1, file.size(), out) == file.size();
  if (out == nullptr || std::fclose(out) != 0 || !ok) {
    std::fprintf(stderr, "makeicon: cannot write %s\n", argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
