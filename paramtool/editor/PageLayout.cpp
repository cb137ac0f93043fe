#include "PageLayout.h"

namespace orvex {
namespace {

enum Sample {
  kWideLabel = 0,     // 4000: row 0, column 0
  kWideEdit = 1,      // 4001
  kNarrowLabel0 = 2,  // 4002
  kNumberEdit = 3,    // 4003
  kUnitLabel = 4,     // 4004
  kNarrowLabel1 = 5,  // 4005: row 1, column 1
  kNarrowEdit = 6,    // 4006
  kWideCheck = 7,     // 4007
  kNarrowCheck = 8,   // 4008: a group member
  kWideList = 9,      // 4009
  kNarrowList = 10,   // 4010
};

// Keep in step with dialog 112 in win/Editor.rc; a Windows test compares the two.
constexpr LayoutSamples kTemplateSamples = {{
    {7, 6, 135, 13},
    {147, 6, 135, 13},
    {7, 23, 67, 13},
    {77, 23, 50, 13},
    {130, 23, 27, 13},
    {169, 23, 67, 13},
    {239, 23, 80, 13},
    {7, 40, 150, 13},
    {19, 57, 80, 13},
    {7, 74, 135, 90},
    {7, 91, 80, 90},
}};
constexpr LayoutSize kTemplateSize = {326, 263};

}  // namespace

LayoutMeasures MeasureLayout(const LayoutSamples& s, LayoutSize template_size) {
  LayoutMeasures m;
  const LayoutRect& origin = s[kWideLabel];
  m.origin_x = origin.x;
  m.origin_y = origin.y;
  m.column_pitch = s[kNarrowLabel1].x - origin.x;
  m.row_pitch = s[kNarrowLabel1].y - origin.y;
  m.page_width = template_size.width + 2;
  m.page_height = template_size.height + 1;
  m.wide_value_offset = s[kWideEdit].x - origin.x;
  m.narrow_value_offset = s[kNumberEdit].x - s[kNarrowLabel0].x;
  m.wide_label = origin.Size();
  m.narrow_label = s[kNarrowLabel1].Size();
  m.wide_text_edit = s[kWideEdit].Size();
  m.narrow_text_edit = s[kNarrowEdit].Size();
  m.number_edit = s[kNumberEdit].Size();
  m.unit_offset = s[kUnitLabel].x - s[kNumberEdit].x;
  m.unit_label = s[kUnitLabel].Size();
  m.wide_check = s[kWideCheck].Size();
  m.narrow_check = s[kNarrowCheck].Size();
  m.member_indent = s[kNarrowCheck].x - s[kWideCheck].x;
  m.wide_list = s[kWideList].Size();
  m.narrow_list = s[kNarrowList].Size();
  return m;
}

const LayoutSamples& TemplateSamples() {
  return kTemplateSamples;
}
LayoutSize TemplateSize() {
  return kTemplateSize;
}

}  // namespace orvex
