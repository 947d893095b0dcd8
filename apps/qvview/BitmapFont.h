// A 5x7 bitmap font for the labels of the built-in panorama and the on-screen display: capital letters
// (small ones are drawn as capitals), digits and a few signs.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

struct Canvas {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;  // top row first

  Canvas(int w, int h) : width(w), height(h), rgba(size_t(w) * size_t(h) * 4, 0) {}
  void fillRect(int x, int y, int w, int h, uint32_t rgb);
};

// Draws `text` with its top-left corner at (x, y), each font pixel `scale` canvas pixels wide.
// Returns the width drawn. Unknown characters are drawn as blanks.
int drawText(Canvas& canvas, std::string_view text, int x, int y, int scale, uint32_t rgb);
int textWidth(std::string_view text, int scale);
