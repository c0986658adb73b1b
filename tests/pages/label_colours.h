#pragma once
// A stored label's gradient and border colours, as the label paints them from its fields.
#include "pages/property_block.h"

namespace vl::test {

inline pages::ColourList StoredColours(const pages::PropertyValues& label, pages::LabelField first) {
  const int at = static_cast<int>(first);
  return pages::PresentColours(label.At(at).number, label.At(at + 1).number, label.At(at + 2).number);
}
inline pages::ColourList LabelGradientColours(const pages::PropertyValues& label) {
  return StoredColours(label, pages::LabelField::GradientColour1);
}
inline pages::ColourList LabelBorderColours(const pages::PropertyValues& label) {
  return StoredColours(label, pages::LabelField::BorderColour1);
}

}  // namespace vl::test
