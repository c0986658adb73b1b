#pragma once
// What labels and transparent labels share: their text with its look, kept in fields of the same
// names in both stored blocks, and what a change of the font or the text does.
#include "../control.h"
#include "runtime/window_text.h"
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
  DrawLabelText(dc, area, label.Bytes(Field::Text), look);
}

// After property `number` changed: a new font is built, and a new text is also set as the
// window's caption, where tools that read windows find it.
template <class Field>
void ApplyTextChange(Control& label, int number) noexcept {
  const int field = PropertyField(label.Kind(), number);
  if (field == static_cast<int>(Field::Font)) label.BuildFont(label.ByteSpan(Field::Font));
  if (field == static_cast<int>(Field::Text)) SetWindowBytes(label.Window(), label.Bytes(Field::Text).c_str());
}

}  // namespace vl
