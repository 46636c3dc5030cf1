#pragma once

// The program's own texts in the chosen language. The choice lives with the platform layer, so
// that the database layer's failures are told in the chosen language too.
#include "platform/phrase/Phrase.h"
