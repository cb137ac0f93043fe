#include "BalloonShape.h"

#include <algorithm>

namespace orvex {

BalloonLayout LayoutBalloon(LayoutSize text, LayoutSize letter, const BalloonMargins& margins,
                            bool close_button) {
  const int m = margins.margin;
  const int g = margins.gap;
  const int h = margins.tail_height;
  BalloonLayout layout;
  layout.width = text.width + 2 * m;
  layout.height = text.height + 2 * m + h;
  layout.text_x = m;
  layout.text_y = m + h;
  if (close_button) {
    const int s = std::max(letter.width, letter.height);
    layout.has_button = true;
    layout.button.x = m + text.width + g;
    layout.button.width = 2 * g + s;
    layout.button.height = 2 * g + letter.height;
    // Centred in the part below the tail.
    layout.button.y = h + (layout.height - h - layout.button.height) / 2;
    layout.width += 3 * g + s;
  }
  return layout;
}

std::vector<BalloonPoint> BalloonOutline(int width, int height, const BalloonMargins& margins) {
  const int w = width;
  const int top = margins.tail_height;
  const int bottom = height;
  // A balloon too small for its tail keeps the tail inside the straight part of the top edge.
  const int tip = std::clamp(margins.tail_x, 4, std::max(4, w - 4));
  const int base = std::clamp(margins.margin, 3, tip - 1);
  // clang-format off
  return {
      {3, top}, {base, top}, {tip - 1, 0}, {tip, 0}, {tip, top},  // top edge and tail
      {w - 3, top}, {w - 3, top + 1}, {w - 2, top + 1}, {w - 2, top + 2}, {w - 1, top + 2}, {w - 1, top + 3},
      {w, top + 3}, {w, bottom - 3},  // right side
      {w - 1, bottom - 3}, {w - 1, bottom - 2}, {w - 2, bottom - 2}, {w - 2, bottom - 1}, {w - 3, bottom - 1},
      {w - 3, bottom}, {3, bottom},  // bottom edge
      {3, bottom - 1}, {2, bottom - 1}, {2, bottom - 2}, {1, bottom - 2}, {1, bottom - 3}, {0, bottom - 3},
      {0, top + 3}, {1, top + 3},  // left side
      {1, top + 2}, {2, top + 2}, {2, top + 1}, {3, top + 1},
  };
  // clang-format on
}

}  // namespace orvex
