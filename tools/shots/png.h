// A minimal PNG writer: 8-bit RGB, stored (uncompressed) deflate blocks.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// rgb holds width * height pixels, three bytes each, rows top to bottom.
bool WritePng(const std::string &path, int width, int height, const std::vector<uint8_t> &rgb);
