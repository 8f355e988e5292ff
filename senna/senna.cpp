// Placeholder until the Groonga-backed implementation lands.
#include "senna/senna.h"
