#include "collada/face_triangulation.h"
