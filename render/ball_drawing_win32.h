// Shaded balls drawn layer by layer with regions and pixels, and the cache of their pictures.
#pragma once

#include "render/ball_shading.h"
#include "render/board_drawing.h"

#include <windows.h>

// render/ball_drawing_win32.cpp: the plain drawing.

// Outline, smoothed rim and shading discs of one ball centred on (x, y), painted onto each
// of the given contexts in turn, primitive by primitive. The cell square must already be
// empty.
void paint_ball_layers(const HDC* contexts, int context_count, int x, int y, int colour,
                       BallStyle style, BallMeasure measure);

// The rim alone, as paint_ball_layers draws it; false, with nothing drawn, for a colour or
// measure outside the tables.
bool paint_ball_rim(const HDC* contexts, int context_count, int x, int y, int colour,
                    BallStyle style, BallMeasure measure);

// The whole ball drawing, call by call: the cell emptied, then the layers, on canvas and
// window. draw_ball gives the same pixels from a picture of the cell drawn this way once.
void draw_ball_directly(int x, int y, int colour, BallStyle style, BallSize size);

// render/ball_pictures_win32.cpp: the cache of pictures.

// Copies the cell square of a ball from its cached picture to canvas and window, drawing
// the picture first if need be. False, with nothing drawn, when cells are too large to
// keep pictures of.
bool copy_ball_picture(int x, int y, int colour, BallStyle style, BallSize size);
// Forgets the cached pictures and releases their bitmap.
void release_ball_pictures();
