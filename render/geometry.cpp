// Board layout shared by the engine, the canvas, ball drawing and the panel.
#include "render/geometry.h"

Geometry geometry;
