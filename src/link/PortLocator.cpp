#include "link/PortLocator.h"
// placeholder: being written
