#include "QcmFile.h"
