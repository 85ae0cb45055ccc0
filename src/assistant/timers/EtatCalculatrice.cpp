#include "assistant/timers/EtatCalculatrice.h"

EtatCalculatrice& etatCalculatrice() {
    static EtatCalculatrice e;
    return e;
}
