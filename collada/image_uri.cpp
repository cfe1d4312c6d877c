#include "collada/image_uri.h"
