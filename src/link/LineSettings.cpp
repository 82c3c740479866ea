#include "link/LineSettings.h"
// placeholder: being written
