// Reaches for one header through the include folders a target's own sources see.
#include VELNOR_PROBE_HEADER
