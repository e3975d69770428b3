// The program's version: the one place it is written. The resources, the build and the
// release script all read it from here.
#pragma once

#define TRIVELLE_VERSION_MAJOR 1
#define TRIVELLE_VERSION_MINOR 0
#define TRIVELLE_VERSION_PATCH 0
