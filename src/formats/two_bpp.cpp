#include "formats/codec.h"
