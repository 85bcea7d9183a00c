#include "trackcsv.h"
