// Where the controls of a settings page go. The settings window measures the sample controls of
// its layout template (dialog 112) in pixels; without a window system the template's own dialog
// units serve. Everything below works in whichever unit the samples came in.
#pragma once

#include <array>

namespace orvex {

struct LayoutSize {
  int width = 0;
  int height = 0;
};

struct LayoutRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  LayoutSize Size() const { return {width, height}; }
};

// The sample controls 4000..4010 of the layout template, by identifier - 4000.
constexpr int kLayoutSampleFirstId = 4000;
constexpr int kLayoutSampleCount = 11;
using LayoutSamples = std::array<LayoutRect, kLayoutSampleCount>;

struct LayoutMeasures {
  int origin_x = 0;  // row 0 of column 0
  int origin_y = 0;
  int column_pitch = 0;
  int row_pitch = 0;
  int page_width = 0;
  int page_height = 0;

  // One-column pages use the wide sizes, two-column pages the narrow ones.
  int wide_value_offset = 0;  // from the label's x to the value control's x
  int narrow_value_offset = 0;
  LayoutSize wide_label;
  LayoutSize narrow_label;
  LayoutSize wide_text_edit;
  LayoutSize narrow_text_edit;
  LayoutSize number_edit;  // every number edit, in both layouts
  int unit_offset = 0;     // from the edit's x to its unit label's x
  LayoutSize unit_label;
  LayoutSize wide_check;
  LayoutSize narrow_check;
  int member_indent = 0;  // group members stand this far right of their column
  LayoutSize wide_list;   // drop-down lists in their dropped size
  LayoutSize narrow_list;

  // Rows per column: the page height divided by the row pitch, rounded down.
  int Rows() const { return row_pitch > 0 && page_height > 0 ? page_height / row_pitch : 0; }
};

// `samples` and `template_size` (the template's own window) in one unit.
LayoutMeasures MeasureLayout(const LayoutSamples& samples, LayoutSize template_size);

// The layout template as written in the resources, in dialog units.
const LayoutSamples& TemplateSamples();
LayoutSize TemplateSize();
inline LayoutMeasures TemplateMeasures() {
  return MeasureLayout(TemplateSamples(), TemplateSize());
}

}  // namespace orvex
