#include "backup.h"
