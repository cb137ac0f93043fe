// The shape of the speech balloon: its size from the measured text, where the text and the close
// button go, and the outline of a rounded box with a tail rising from its top edge.
#pragma once

#include <vector>

#include "PageLayout.h"

namespace orvex {

struct BalloonMargins {
  int margin = 7;   // around the text
  int gap = 2;      // around the close button
  int tail_x = 20;  // the tail's tip, from the left edge
  int tail_height = 15;
};

struct BalloonLayout {
  int width = 0;
  int height = 0;
  int text_x = 0;
  int text_y = 0;
  bool has_button = false;
  LayoutRect button;
};

// `text` is the measured text, `letter` the measured letter "x" of the close button.
BalloonLayout LayoutBalloon(LayoutSize text, LayoutSize letter, const BalloonMargins& margins,
                            bool close_button);

struct BalloonPoint {
  int x = 0;
  int y = 0;
  bool operator==(const BalloonPoint& other) const { return x == other.x && y == other.y; }
};

// The closed outline of a balloon of width x height: the box below the tail with its corners cut
// by three one-pixel steps, and the tail from x = margin to x = tail_x up to its tip at the top.
// The window's region is this polygon; the balloon paints its border one pixel wide inside it.
std::vector<BalloonPoint> BalloonOutline(int width, int height, const BalloonMargins& margins);

}  // namespace orvex
