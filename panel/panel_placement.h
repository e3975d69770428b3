// Places the panel and its controls by rewriting a copy of the panel's dialog template.
#pragma once

#include "panel/panel_layout.h"
#include "render/geometry.h"

#include <cstddef>
#include <cstdint>

// Every control of the template stands at this point until it is placed.
constexpr int16_t placement_marker = 100;

// Rewrites the panel's rectangle and, in template order, each marked control's rectangle
// from control_layout; sets link_hot_spots. Returns how many controls it placed (at most
// panel_layout_rows), or -1 when the bytes are not a classic dialog template.
int place_panel_template(uint8_t* bytes, size_t size, DialogBaseUnits base, const Geometry& g);
