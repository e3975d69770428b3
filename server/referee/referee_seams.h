// The referee's side of the engine's two seams: it records what the engine shows instead of
// drawing it. The caller holds the engine's lock from begin_recording to take_recording.
#pragma once

#include "engine/test_settings.h"
#include "render/geometry.h"
#include "server/referee/revealed.h"

// The one layout the referee plays on: the engine's pixel centres map back to cells with it.
const Geometry& nominal_geometry();

// Starts a record over the engine's current game: the board and preview shown are taken from
// it, so only changes are recorded; the panel shows these settings, as a player typed them.
void begin_recording(const TestSettings& typed_settings);
// The steps, texts and enabled states recorded since begin_recording.
Revealed take_recording();
