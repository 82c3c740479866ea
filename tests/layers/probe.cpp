// Reaches for one header through the include folders of the one target it links.
#include VELNOR_PROBE_HEADER
