#include "geometry/point.h"
