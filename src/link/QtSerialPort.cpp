#include "link/QtSerialPort.h"
// placeholder: being written
