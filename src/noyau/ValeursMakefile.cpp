#include "noyau/ValeursMakefile.h"

ValeursMakefile& valeursMakefile() {
    static ValeursMakefile valeurs;
    return valeurs;
}
