#include "UiWin32.h"
