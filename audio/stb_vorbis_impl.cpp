// The OGG Vorbis decoder's whole implementation, compiled once for the engine.
#include <stb/stb_vorbis.h>
