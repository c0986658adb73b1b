#pragma once
// What labels and transparent labels share: their text with its look, kept in fields of the same
// names in both stored blocks.
#include "../control.h"
#include "../text_paint.h"

namespace vl {

template <class Field>
void DrawControlText(HDC dc, const RECT& area, const Control& label) noexcept {
  const TextLook look{label.Font(),
                      ResolveColour(label.Number(Field::TextColour)),
                      label.Int(Field::HorizontalAlignment),
                      label.Int(Field::VerticalAlignment),
                      label.Bool(Field::WordWrap),
                      label.Int(Field::Effect),
                      label.Dpi()};
  DrawLabelText(dc, area, label.Text(Field::Text), look);
}

}  // namespace vl
